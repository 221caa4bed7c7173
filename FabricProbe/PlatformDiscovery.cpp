#include "PlatformDiscovery.h"

#include "DiscoveryTrace.h"
#include "GsQuery.h"
#include "PlatformQueries.h"
#include "ReturnCodes.h"
#include "TopologyDecode.h"
#include "TopologyWriters.h"
#include "TraceScope.h"
#include "naMessages.h"
#include "naTrace.h"

namespace {
constexpr std::uint32_t kPlatformTypeCount = 16;

// The platform's type name: "" when GPLT failed or was skipped, -2014 (AGT0433E)
// when the type cannot be interpreted.
int readPlatformType(const GsPort& port, const char* name, const std::uint8_t* entry, const char*& typeName) {
    typeName = "";
    std::uint32_t typeCode = 0;
    if (getPlatformType(port, name, entry, typeCode) != 0) return 0;
    NATRACE(TR_MID, "platform type is %d\n", static_cast<int>(typeCode));
    if (typeCode >= kPlatformTypeCount) {
        NATRACE(TR_MIN, "GPLT for %s returned ie type %d which we are unable to interpret\n", name,
                static_cast<int>(typeCode));
        naLogMessage(AGT0433E, "GPLT");
        return FABRIC_PROBE_INVALID_DATA_IN_RESPONSE;
    }
    typeName = platformTypeTable[typeCode];
    NATRACE(TR_MID, "platform string is %s\n", typeName);
    return 0;
}

void readPlatformAddresses(const GsPort& port, const char* name, const std::uint8_t* entry,
                           PlatformAddresses& addresses) {
    if (getPlatformManagementAddressList(port, name, entry, addresses) == 0) {
        NATRACE(TR_MAX, "mgmtSnmpAddress is %s\n", addresses.snmp);
        NATRACE(TR_MAX, "mgmtUrlAddress is %s\n", addresses.url);
        NATRACE(TR_MAX, "mgmtTelnetAddress is %s\n", addresses.telnet);
        NATRACE(TR_MAX, "mgmtXmlAddress is %s\n", addresses.xml);
        NATRACE(TR_MAX, "mgmtUnknownAddress is %s\n", addresses.unknown);
    } else {
        // A failed request leaves the addresses empty, whatever it left in them.
        addresses = PlatformAddresses{};
    }
}
}  // namespace

int getPlatformInformation(const GsPort& port, RecordSink& out) {
    static const char fn[] = "getPlatformInformation()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s through handle %d with status %d\n", fn, port.h(), status);
    });
    std::uint8_t response[gs::GPNL.responseSize];
    CountedList platforms;
    const int status = askGs(port, gs::GPNL, ByteSpan{}, response, platforms, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GPNL through handle %d is %d\n", port.h(), s);
    });
    if (status != 0) return scope.exit(status);
    NATRACE(TR_MIN, "platform count is %d\n", static_cast<int>(platforms.count.declared));
    traceDroppedEntries("GPNL", platforms.count);

    for (std::uint32_t i = 0; i < platforms.count.usable; ++i) {
        const ByteSpan entry = platforms.entry(i);
        char name[kPlatformTextField];
        decodeCountedText(entry, name, sizeof name);
        NATRACE(TR_MID, "platform name is %s\n", name);

        const char* typeName = "";
        const int typeStatus = readPlatformType(port, name, entry.data, typeName);
        if (typeStatus != 0) return scope.error(typeStatus);
        PlatformAddresses addresses{};
        readPlatformAddresses(port, name, entry.data, addresses);
        getPlatformNodes(port, name, entry.data, typeName, addresses.url, addresses.telnet, addresses.snmp, out);
        if (out.failed()) return scope.exit(FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE);
    }
    return scope.exit(0);
}

int getPlatformNodes(const GsPort& port, const char* platformName, const std::uint8_t* nameEntry,
                     const char* typeName, const char* url, const char* telnet, const char* snmp, RecordSink& out) {
    static const char fn[] = "getPlatformNodes()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for platform %s through handle %d with status %d\n", fn, platformName, port.h(),
                status);
    });
    std::uint8_t response[gs::GPLNL.responseSize];
    CountedList nodes;
    const int status = askGs(port, gs::GPLNL, ByteSpan{nameEntry, kNameEntrySize}, response, nodes, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GPLNL for platform %s handle %d is %d\n", platformName,
                port.h(), s);
    });
    if (status != 0) return scope.exit(status);
    NATRACE(TR_MIN, "Number of nodes is %d\n", static_cast<int>(nodes.count.declared));
    traceDroppedEntries("GPLNL", nodes.count);
    for (std::uint32_t i = 0; i < nodes.count.usable; ++i) {
        const WwnText node = formatWwn(nodes.entry(i).data);
        if (!out.put(printNode(node.text, platformName, typeName, url, telnet, snmp, out.stream())))
            return scope.error(out.writeFailed());
    }
    return scope.exit(status);
}
