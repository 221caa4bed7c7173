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
constexpr std::size_t kListResponse = 8212;  // 32 platform names, 32 addresses or 1024 nodes
constexpr std::uint32_t kPlatformTypeCount = 16;
constexpr std::size_t kNodeEntrySize = 8;
}  // namespace

namespace {
constexpr char kPlatformExit[] = "Exit: %s through handle %d with status %d\n";

// The platform's type name: "" when GPLT failed or was skipped, -2014 (AGT0433E)
// when the type cannot be interpreted.
int readPlatformType(HbaHandle handle, const Wwn& hbaPortWwn, const char* name, const std::uint8_t* entry,
                     const char*& typeName) {
    typeName = "";
    std::uint32_t typeCode = 0;
    if (getPlatformType(handle, hbaPortWwn, name, entry, typeCode) != 0) return 0;
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

void readPlatformAddresses(HbaHandle handle, const Wwn& hbaPortWwn, const char* name, const std::uint8_t* entry,
                           PlatformAddresses& addresses) {
    if (getPlatformManagementAddressList(handle, hbaPortWwn, name, entry, addresses) == 0) {
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

int getPlatformInformation(HbaHandle handle, const Wwn& hbaPortWwn, RecordSink& out) {
    static const char fn[] = "getPlatformInformation()";
    TraceScope scope(fn, KeyedExit{kPlatformExit, fn, nullptr, static_cast<int>(handle)});
    std::uint8_t response[kListResponse];
    const int status = sendQuery<0>(handle, hbaPortWwn, GPNL_PREAMBLE, nullptr, response,
                                    "status from IssueGS3Command for GPNL through handle %d is %d\n", nullptr);
    if (status != 0) return scope.exit(status);

    const ByteSpan span{response, sizeof response};
    const ListCount count = readListCount(span, kNameEntrySize, "platform count is %d\n", "GPNL");

    for (std::uint32_t i = 0; i < count.usable; ++i) {
        const ByteSpan entry = listEntry(span, kNameEntrySize, i);
        char name[kPlatformTextField];
        decodeCountedText(entry, name, sizeof name);
        NATRACE(TR_MID, "platform name is %s\n", name);

        const char* typeName = "";
        const int typeStatus = readPlatformType(handle, hbaPortWwn, name, entry.data, typeName);
        if (typeStatus != 0) return scope.error(typeStatus);
        PlatformAddresses addresses{};
        readPlatformAddresses(handle, hbaPortWwn, name, entry.data, addresses);
        getPlatformNodes(handle, hbaPortWwn, name, entry.data, typeName, addresses.url, addresses.telnet,
                         addresses.snmp, out);
        if (out.failed()) return scope.exit(FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE);
    }
    return scope.exit(0);
}

int getPlatformNodes(HbaHandle handle, const Wwn& hbaPortWwn, const char* platformName,
                     const std::uint8_t* nameEntry, const char* typeName, const char* url,
                     const char* telnet, const char* snmp, RecordSink& out) {
    static const char fn[] = "getPlatformNodes()";
    TraceScope scope(fn, KeyedExit{"Exit: %s for platform %s through handle %d with status %d\n", fn, platformName,
                                   static_cast<int>(handle)});
    std::uint8_t response[kListResponse];
    const int status = sendQuery<kNameEntrySize>(
        handle, hbaPortWwn, GPLNL_PREAMBLE, nameEntry, response,
        "status from IssueGS3Command for GPLNL for platform %s handle %d is %d\n", platformName);
    if (status != 0) return scope.exit(status);

    const ByteSpan span{response, sizeof response};
    const ListCount count = readListCount(span, kNodeEntrySize, "Number of nodes is %d\n", "GPLNL");
    for (std::uint32_t i = 0; i < count.usable; ++i) {
        const WwnText node = formatWwn(listEntry(span, kNodeEntrySize, i).data);
        if (!out.put(printNode(node.text, platformName, typeName, url, telnet, snmp, out.stream())))
            return scope.error(out.writeFailed());
    }
    return scope.exit(status);
}
