#include "PlatformQueries.h"

#include "DiscoveryTrace.h"
#include "GsQuery.h"
#include "TraceScope.h"
#include "TimeoutEntries.h"
#include "TopologyDecode.h"
#include "naTrace.h"
#include "psclock.h"

namespace {
constexpr long long kTimeoutSeconds = 60;

void traceAddress(const char* field, const char* text) { NATRACE(TR_MID, "%s is %s\n", field, text); }
}  // namespace

int getPlatformType(const GsPort& port, const char* platformName, const std::uint8_t* nameEntry,
                    std::uint32_t& typeCode) {
    static const char fn[] = "getPlatformType()";
    const int h = port.h();
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for platform %s through handle %d with status %d\n", fn, platformName, h, status);
    });
    char key[kTimeoutKeySize];
    formatTimeoutKey(key, port.handle, platformName);
    if (findTimeoutEntry(kTimeoutEntriesFile, key)) return scope.exit(kPlatformTypeSkipped);

    std::uint8_t response[gs::GPLT.responseSize];
    const std::time_t started = psTimeNow();
    const int status = askGs(port, gs::GPLT, ByteSpan{nameEntry, kNameEntrySize}, response, typeCode, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GPLT for platform %s through handle %d is %d\n",
                platformName, h, s);
    });
    const std::time_t ended = psTimeNow();
    if (status == 0) NATRACE(TR_MID, "platform type is %d\n", static_cast<int>(typeCode));

    const long long elapsed = static_cast<long long>(ended - started);
    NATRACE(TR_MAX, "hba api call completed in %d seconds\n", static_cast<int>(elapsed));
    if (status != 0 && elapsed > kTimeoutSeconds) {
        NATRACE(TR_MIN,
                "since hba api failed for handle %d platform name %s and completed longer than %d seconds "
                "we will consider the call to have timed out\n",
                h, platformName, static_cast<int>(kTimeoutSeconds));
        appendTimeoutEntry(kTimeoutEntriesFile, port.handle, platformName);
    }
    return scope.exit(status);
}

int getPlatformManagementAddressList(const GsPort& port, const char* platformName, const std::uint8_t* nameEntry,
                                     PlatformAddresses& addresses) {
    static const char fn[] = "getPlatformManagementAddressList()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for platform %s through handle %d with status %d\n", fn, platformName, port.h(),
                status);
    });
    std::uint8_t response[gs::GPLML.responseSize];
    CountedList list;
    const int status = askGs(port, gs::GPLML, ByteSpan{nameEntry, kNameEntrySize}, response, list, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GPLML for platform %s through handle %d is %d\n",
                platformName, port.h(), s);
    });
    if (status != 0) return scope.exit(status);
    NATRACE(TR_MID, "num addresses is %d\n", static_cast<int>(list.count.declared));
    traceDroppedEntries("GPLML", list.count);
    decodePlatformAddresses(list, addresses, traceAddress);
    return scope.exit(status);
}

void decodePlatformAddresses(const CountedList& list, PlatformAddresses& addresses,
                             void (*noted)(const char* field, const char* text)) {
    for (std::uint32_t i = 0; i < list.count.usable; ++i) {
        char text[kPlatformTextField];
        decodeCountedText(list.entry(i), text, sizeof text);
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
        if (noted) noted(name, field);
    }
}
