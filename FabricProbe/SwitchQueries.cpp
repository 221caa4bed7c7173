#include "SwitchQueries.h"

#include "GsRequest.h"
#include "TopologyDecode.h"
#include "naTrace.h"

namespace {
constexpr std::size_t kShortResponse = 20;
constexpr std::size_t kNameResponse = 272;
constexpr std::size_t kListResponse = 8212;

ByteSpan spanOf(const std::uint8_t* data, std::size_t size) { return ByteSpan{data, size}; }
}  // namespace

int getDomainIdentifier(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                        const char* elementWwnText, std::uint8_t& domain) {
    static const char fn[] = "getDomainIdentifier()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    GsRequest<8> request(GDID_PREAMBLE, elementWwn.bytes);
    std::uint8_t response[kShortResponse];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GDID for switch %s through handle %d is %d\n",
            elementWwnText, static_cast<int>(handle), status);
    if (status == 0 && decodeDomainId(spanOf(response, sizeof response), domain))
        NATRACE(TR_MID, "domain id i %d\n", static_cast<int>(domain));
    NATRACE(TR_EXIT, "Exit: %s for switch %s handle %d with status %d\n", fn, elementWwnText,
            static_cast<int>(handle), status);
    return status;
}

int getLogicalName(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                   const char* elementWwnText, char (&logicalName)[kLogicalNameField]) {
    static const char fn[] = "getLogicalName()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    GsRequest<8> request(GIELN_PREAMBLE, elementWwn.bytes);
    std::uint8_t response[kNameResponse];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GIELN fo switch %s through handle %d is %d\n",
            elementWwnText, static_cast<int>(handle), status);
    if (status == 0)
        decodeCountedText(subSpan(spanOf(response, sizeof response), 16, 256), logicalName,
                          sizeof logicalName);
    NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, elementWwnText,
            static_cast<int>(handle), status);
    return status;
}

int getInbandManagementAddress(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                               const char* elementWwnText, std::uint8_t (&managementId)[3]) {
    static const char fn[] = "getInbandManagementAddress()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    GsRequest<8> request(GMID_PREAMBLE, elementWwn.bytes);
    std::uint8_t response[kShortResponse];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GMID for switch %s through handle %d is %d\n",
            elementWwnText, static_cast<int>(handle), status);
    if (status == 0) decodeIdAt17(spanOf(response, sizeof response), managementId);
    NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, elementWwnText,
            static_cast<int>(handle), status);
    return status;
}

int getIEManagementAddressList(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                               const char* elementWwnText, SwitchManagementAddresses& addresses) {
    static const char fn[] = "getIEManagementAddressList()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    GsRequest<8> request(GMAL_PREAMBLE, elementWwn.bytes);
    static_assert(kListResponse >= 20 + kMaxSwitchAddresses * kNameEntrySize, "five addresses fit");
    std::uint8_t response[kListResponse];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GMAL for switch %s through handle %d is %d\n",
            elementWwnText, static_cast<int>(handle), status);
    if (status == 0) decodeSwitchAddresses(spanOf(response, sizeof response), addresses);
    NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, elementWwnText,
            static_cast<int>(handle), status);
    return status;
}

void decodeSwitchAddresses(ByteSpan response, SwitchManagementAddresses& addresses) {
    const ListCount count = decodeListCount(response, kNameEntrySize);
    NATRACE(TR_MID, "number addresses is %d\n", static_cast<int>(count.declared));
    std::uint32_t used = count.usable;
    if (count.declared > kMaxSwitchAddresses) {
        NATRACE(TR_MID, "Setting numAddresses to %d\n", static_cast<int>(kMaxSwitchAddresses));
        if (used > kMaxSwitchAddresses) used = kMaxSwitchAddresses;
    }
    for (std::uint32_t i = 0; i < used; ++i) {
        char text[kNameEntrySize];
        decodeCountedText(listEntry(response, kNameEntrySize, i), text, sizeof text);
        switch (classifyAddress(text)) {
            case AddressKind::Snmp:
                copyCut(addresses.snmp, sizeof addresses.snmp, text);
                NATRACE(TR_MID, "managementSnmpAddress is %s\n", addresses.snmp);
                break;
            case AddressKind::Url:
                copyCut(addresses.url, sizeof addresses.url, text);
                NATRACE(TR_MID, "managementUrlAddress is %s\n", addresses.url);
                break;
            case AddressKind::Telnet:
                copyCut(addresses.telnet, sizeof addresses.telnet, text);
                NATRACE(TR_MID, "managementTelnetAddress is %s\n", addresses.telnet);
                break;
            default:
                break;
        }
    }
}
