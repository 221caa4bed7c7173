#include "PlatformQueries.h"

#include "DiscoveryTrace.h"
#include "GsQuery.h"
#include "TimeoutEntries.h"
#include "TopologyDecode.h"
#include "naTrace.h"
#include "psclock.h"

namespace {
constexpr std::size_t kListResponse = 8212;  // 32 entries of 256 bytes
constexpr long long kTimeoutSeconds = 60;
constexpr char kPlatformExit[] = "Exit: %s for platform %s through handle %d with status %d\n";
}  // namespace

int getPlatformType(HbaHandle handle, const Wwn& hbaPortWwn, const char* platformName,
                    const std::uint8_t* nameEntry, std::uint32_t& typeCode) {
    static const char fn[] = "getPlatformType()";
    const int h = static_cast<int>(handle);
    TraceScope scope(fn, KeyedExit{kPlatformExit, fn, platformName, h});
    char key[kTimeoutKeySize];
    formatTimeoutKey(key, handle, platformName);
    if (findTimeoutEntry(kTimeoutEntriesFile, key)) return scope.exit(kPlatformTypeSkipped);

    std::uint8_t response[20];
    const std::time_t started = psTimeNow();
    const int status = sendQuery<kNameEntrySize>(
        handle, hbaPortWwn, GPLT_PREAMBLE, nameEntry, response,
        "status from IssueGS3Command for GPLT for platform %s through handle %d is %d\n", platformName);
    const std::time_t ended = psTimeNow();
    if (status == 0 && decodeWordAt16(ByteSpan{response, sizeof response}, typeCode))
        NATRACE(TR_MID, "platform type is %d\n", static_cast<int>(typeCode));

    const long long elapsed = static_cast<long long>(ended - started);
    NATRACE(TR_MAX, "hba api call completed in %d seconds\n", static_cast<int>(elapsed));
    if (status != 0 && elapsed > kTimeoutSeconds) {
        NATRACE(TR_MIN,
                "since hba api failed for handle %d platform name %s and completed longer than %d seconds "
                "we will consider the call to have timed out\n",
                h, platformName, static_cast<int>(kTimeoutSeconds));
        appendTimeoutEntry(kTimeoutEntriesFile, handle, platformName);
    }
    return scope.exit(status);
}

int getPlatformManagementAddressList(HbaHandle handle, const Wwn& hbaPortWwn, const char* platformName,
                                     const std::uint8_t* nameEntry, PlatformAddresses& addresses) {
    static constexpr QueryTexts texts{
        "getPlatformManagementAddressList()",
        "status from IssueGS3Command for GPLML for platform %s through handle %d is %d\n", kPlatformExit};
    return gsQuery<kNameEntrySize, kListResponse>(
        texts, handle, hbaPortWwn, GPLML_PREAMBLE, nameEntry, platformName,
        [&](ByteSpan response) { decodePlatformAddresses(response, addresses); });
}

void decodePlatformAddresses(ByteSpan response, PlatformAddresses& addresses) {
    const ListCount count = decodeListCount(response, kNameEntrySize);
    NATRACE(TR_MID, "num addresses is %d\n", static_cast<int>(count.declared));
    traceDroppedEntries("GPLML", count);
    for (std::uint32_t i = 0; i < count.usable; ++i) {
        char text[kPlatformTextField];
        decodeCountedText(listEntry(response, kNameEntrySize, i), text, sizeof text);
        char* field = addresses.unknown;
        const char* name = "managementUnknownAddress";
        switch (classifyAddress(text)) {
            case AddressKind::Snmp: field = addresses.snmp; name = "managementSnmpAddress"; break;
            case AddressKind::Url: field = addresses.url; name = "managementUrlAddress"; break;
            case AddressKind::Telnet: field = addresses.telnet; name = "managementTelnetAddress"; break;
            case AddressKind::Xml: field = addresses.xml; name = "managementXmlAddress"; break;
            case AddressKind::Other: break;
        }
        copyCut(field, kPlatformTextField, text);
        NATRACE(TR_MID, "%s is %s\n", name, field);
    }
}
