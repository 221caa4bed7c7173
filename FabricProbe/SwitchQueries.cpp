#include "SwitchQueries.h"

#include "GsQuery.h"
#include "TopologyDecode.h"
#include "naTrace.h"

namespace {
constexpr std::size_t kShortResponse = 20;
constexpr std::size_t kNameResponse = 272;
constexpr std::size_t kListResponse = 8212;
}  // namespace

int getDomainIdentifier(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                        const char* elementWwnText, std::uint8_t& domain) {
    static constexpr QueryTexts texts{
        "getDomainIdentifier()",
        "status from IssueGS3Command for GDID for switch %s through handle %d is %d\n",
        "Exit: %s for switch %s handle %d with status %d\n"};
    return gsQuery<8, kShortResponse>(texts, handle, hbaPortWwn, GDID_PREAMBLE, elementWwn.bytes,
                                      elementWwnText, [&](ByteSpan response) {
                                          if (decodeDomainId(response, domain))
                                              NATRACE(TR_MID, "domain id i %d\n", static_cast<int>(domain));
                                      });
}

int getLogicalName(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                   const char* elementWwnText, char (&logicalName)[kLogicalNameField]) {
    static constexpr QueryTexts texts{
        "getLogicalName()",
        "status from IssueGS3Command for GIELN fo switch %s through handle %d is %d\n",
        "Exit: %s for switch %s through handle %d with status %d\n"};
    return gsQuery<8, kNameResponse>(texts, handle, hbaPortWwn, GIELN_PREAMBLE, elementWwn.bytes,
                                     elementWwnText, [&](ByteSpan response) {
                                         decodeCountedText(subSpan(response, 16, 256), logicalName,
                                                           sizeof logicalName);
                                     });
}

int getInbandManagementAddress(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                               const char* elementWwnText, std::uint8_t (&managementId)[3]) {
    static constexpr QueryTexts texts{
        "getInbandManagementAddress()",
        "status from IssueGS3Command for GMID for switch %s through handle %d is %d\n",
        "Exit: %s for switch %s through handle %d with status %d\n"};
    return gsQuery<8, kShortResponse>(texts, handle, hbaPortWwn, GMID_PREAMBLE, elementWwn.bytes,
                                      elementWwnText,
                                      [&](ByteSpan response) { decodeIdAt17(response, managementId); });
}

int getIEManagementAddressList(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                               const char* elementWwnText, SwitchManagementAddresses& addresses) {
    static constexpr QueryTexts texts{
        "getIEManagementAddressList()",
        "status from IssueGS3Command for GMAL for switch %s through handle %d is %d\n",
        "Exit: %s for switch %s through handle %d with status %d\n"};
    static_assert(kListResponse >= 20 + kMaxSwitchAddresses * kNameEntrySize, "five addresses fit");
    return gsQuery<8, kListResponse>(texts, handle, hbaPortWwn, GMAL_PREAMBLE, elementWwn.bytes,
                                     elementWwnText,
                                     [&](ByteSpan response) { decodeSwitchAddresses(response, addresses); });
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
