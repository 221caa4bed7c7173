#include "PlatformDiscovery.h"

#include "DiscoveryTrace.h"
#include "GsRequest.h"
#include "PlatformQueries.h"
#include "ReturnCodes.h"
#include "TopologyDecode.h"
#include "TopologyWriters.h"
#include "naMessages.h"
#include "naTrace.h"

namespace {
constexpr std::size_t kListResponse = 8212;  // 32 platform names, 32 addresses or 1024 nodes
constexpr std::uint32_t kPlatformTypeCount = 16;
constexpr std::size_t kNodeEntrySize = 8;
}  // namespace

int getPlatformInformation(HbaHandle handle, const Wwn& hbaPortWwn, FILE* stream, const char* outputPath) {
    static const char fn[] = "getPlatformInformation()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    const int h = static_cast<int>(handle);
    GsRequest<0> request(GPNL_PREAMBLE, nullptr);
    std::uint8_t response[kListResponse];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GPNL through handle %d is %d\n", h, status);
    if (status != 0) {
        NATRACE(TR_EXIT, "Exit: %s through handle %d with status %d\n", fn, h, status);
        return status;
    }

    const ByteSpan span{response, sizeof response};
    const ListCount count = decodeListCount(span, kNameEntrySize);
    NATRACE(TR_MIN, "platform count is %d\n", static_cast<int>(count.declared));
    traceDroppedEntries("GPNL", count);

    for (std::uint32_t i = 0; i < count.usable; ++i) {
        const ByteSpan entry = listEntry(span, kNameEntrySize, i);
        char name[kPlatformTextField];
        decodeCountedText(entry, name, sizeof name);
        NATRACE(TR_MID, "platform name is %s\n", name);

        const char* typeName = "";
        std::uint32_t typeCode = 0;
        if (getPlatformType(handle, hbaPortWwn, name, entry.data, typeCode) == 0) {
            NATRACE(TR_MID, "platform type is %d\n", static_cast<int>(typeCode));
            if (typeCode >= kPlatformTypeCount) {
                NATRACE(TR_MIN, "GPLT for %s returned ie type %d which we are unable to interpret\n", name,
                        static_cast<int>(typeCode));
                naLogMessage(AGT0433E, "GPLT");
                NATRACE(TR_MIN, "function %s exiting error status %d\n", fn,
                        FABRIC_PROBE_INVALID_DATA_IN_RESPONSE);
                NATRACE(TR_EXIT, "Exit: %s through handle %d with status %d\n", fn, h,
                        FABRIC_PROBE_INVALID_DATA_IN_RESPONSE);
                return FABRIC_PROBE_INVALID_DATA_IN_RESPONSE;
            }
            typeName = platformTypeTable[typeCode];
            NATRACE(TR_MID, "platform string is %s\n", typeName);
        }

        PlatformAddresses addresses{};
        if (getPlatformManagementAddressList(handle, hbaPortWwn, name, entry.data, addresses) == 0) {
            NATRACE(TR_MAX, "mgmtSnmpAddress is %s\n", addresses.snmp);
            NATRACE(TR_MAX, "mgmtUrlAddress is %s\n", addresses.url);
            NATRACE(TR_MAX, "mgmtTelnetAddress is %s\n", addresses.telnet);
            NATRACE(TR_MAX, "mgmtXmlAddress is %s\n", addresses.xml);
            NATRACE(TR_MAX, "mgmtUnknownAddress is %s\n", addresses.unknown);
        } else {
            // A failed request leaves the addresses empty, whatever it left in them.
            addresses = PlatformAddresses{};
        }

        if (getPlatformNodes(handle, hbaPortWwn, name, entry.data, typeName, addresses.url,
                             addresses.telnet, addresses.snmp, stream,
                             outputPath) == FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE) {
            NATRACE(TR_EXIT, "Exit: %s through handle %d with status %d\n", fn, h,
                    FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE);
            return FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE;
        }
    }
    NATRACE(TR_EXIT, "Exit: %s through handle %d with status %d\n", fn, h, 0);
    return 0;
}

int getPlatformNodes(HbaHandle handle, const Wwn& hbaPortWwn, const char* platformName,
                     const std::uint8_t* nameEntry, const char* typeName, const char* url,
                     const char* telnet, const char* snmp, FILE* stream, const char* outputPath) {
    static const char fn[] = "getPlatformNodes()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    const int h = static_cast<int>(handle);
    GsRequest<kNameEntrySize> request(GPLNL_PREAMBLE, nameEntry);
    std::uint8_t response[kListResponse];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GPLNL for platform %s handle %d is %d\n", platformName,
            h, status);
    if (status == 0) {
        const ByteSpan span{response, sizeof response};
        const ListCount count = decodeListCount(span, kNodeEntrySize);
        NATRACE(TR_MIN, "Number of nodes is %d\n", static_cast<int>(count.declared));
        traceDroppedEntries("GPLNL", count);
        for (std::uint32_t i = 0; i < count.usable; ++i) {
            const WwnText node = formatWwn(listEntry(span, kNodeEntrySize, i).data);
            if (printNode(node.text, platformName, typeName, url, telnet, snmp, stream) != 1) {
                naLogMessage(AGT0422E, "probe", outputPath);
                NATRACE(TR_MIN, "function %s exiting error status %d\n", fn,
                        FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE);
                NATRACE(TR_EXIT, "Exit: %s for platform %s through handle %d with status %d\n", fn,
                        platformName, h, FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE);
                return FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE;
            }
        }
    }
    NATRACE(TR_EXIT, "Exit: %s for platform %s through handle %d with status %d\n", fn, platformName, h,
            status);
    return status;
}
