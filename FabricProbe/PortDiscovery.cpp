#include "PortDiscovery.h"

#include "DiscoveryTrace.h"
#include "GsRequest.h"
#include "PortQueries.h"
#include "ReturnCodes.h"
#include "TopologyDecode.h"
#include "TopologyWriters.h"
#include "naMessages.h"
#include "naTrace.h"

namespace {
constexpr std::size_t kPortListResponse = 8212;     // 682 entries
constexpr std::size_t kAttachedListResponse = 1044;  // 85 entries
constexpr std::uint8_t kOnline = 1;
constexpr int kHighestEndPortType = 2;  // Undefined, N_Port, NL_Port

int fail(const char* fn, const char* keyText, HbaHandle handle, int status) {
    NATRACE(TR_MIN, "function %s exiting error status %d\n", fn, status);
    NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, keyText,
            static_cast<int>(handle), status);
    return status;
}

int writeFailed(const char* fn, const char* keyText, HbaHandle handle, const char* outputPath) {
    naLogMessage(AGT0422E, "probe", outputPath);
    return fail(fn, keyText, handle, FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE);
}

}  // namespace

int getInterconnectElementPorts(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& switchWwn,
                                const char* switchWwnText, FILE* stream, const char* outputPath) {
    static const char fn[] = "getInterconnectElementPorts()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    const int h = static_cast<int>(handle);
    GsRequest<8> request(GPL_PREAMBLE, switchWwn.bytes);
    std::uint8_t response[kPortListResponse];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GPL for port %s through handle %d is %d\n",
            switchWwnText, h, status);
    if (status != 0) {
        NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, switchWwnText,
                h, status);
        return status;
    }

    const ByteSpan span{response, sizeof response};
    const ListCount count = decodeListCount(span, kWwnTypeEntrySize);
    NATRACE(TR_MIN, "Number of switch ports is %d\n", static_cast<int>(count.declared));
    traceDroppedEntries("GPL", count);

    for (std::uint32_t i = 0; i < count.usable; ++i) {
        WwnTypeEntry port;
        decodeWwnTypeEntry(listEntry(span, kWwnTypeEntrySize, i), port);
        const WwnText portText = formatWwn(port.wwn.bytes);
        NATRACE(TR_MID, "switch port is %s\n", portText.text);

        if (printSwitchToPort(portText.text, switchWwnText, stream) != 1)
            return writeFailed(fn, switchWwnText, handle, outputPath);

        const char* stateName = "";
        std::uint8_t state = 0;
        status = getPortState(handle, hbaPortWwn, port.wwn, portText.text, state);
        if (status == 0) {
            NATRACE(TR_MID, "port state is %d\n", static_cast<int>(state));
            stateName = portStateTable[state];
        }

        char number[11] = "";
        std::uint32_t physical = 0;
        status = getPhysicalPortNumber(handle, hbaPortWwn, port.wwn, portText.text, physical);
        if (status == 0) {
            NATRACE(TR_MID, "physical port number is %d\n", static_cast<int>(physical));
            // Unsigned: the number is a 32-bit value and never negative.
            std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(physical));
        }

        const int typeIndex = portTypeIndex(port.type);
        NATRACE(TR_MID, "port type for ie port before modification is %d\n", static_cast<int>(port.type));
        NATRACE(TR_MID, "port type after modification is %d\n", typeIndex);
        if (typeIndex >= kPortTypeCount) {
            NATRACE(TR_MIN, "GIEL for %s returned port type %d which we are unable to interpret\n",
                    portText.text, typeIndex);
            naLogMessage(AGT0433E, "GIEL");
            return fail(fn, switchWwnText, handle, FABRIC_PROBE_INVALID_DATA_IN_RESPONSE);
        }

        status = printSwitchPort(portText.text, portTypeTable[typeIndex], stateName, number, stream);
        if (status != 1) return writeFailed(fn, switchWwnText, handle, outputPath);

        if (state == kOnline && typeIndex != 0) {
            status = getAttachedPorts(handle, hbaPortWwn, port.wwn, portText.text, stream, outputPath);
            if (status == FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE)
                return fail(fn, switchWwnText, handle, status);
        }
    }
    NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, switchWwnText, h,
            status);
    return status;
}

int getAttachedPorts(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& switchPortWwn,
                     const char* switchPortWwnText, FILE* stream, const char* outputPath) {
    static const char fn[] = "getAttachedPorts()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    const int h = static_cast<int>(handle);
    GsRequest<8> request(GAPNL_PREAMBLE, switchPortWwn.bytes);
    std::uint8_t response[kAttachedListResponse];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GAPNL for port %s through handle %d is %d\n",
            switchPortWwnText, h, status);

    auto done = [&](int result) {
        if (result == FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE || result == FABRIC_PROBE_INVALID_DATA_IN_RESPONSE)
            NATRACE(TR_MIN, "function %s exiting error status %d\n", fn, result);
        NATRACE(TR_EXIT, "Exit: %s for port %s through handle %d with status %d\n", fn, switchPortWwnText,
                h, result);
        return result;
    };
    if (status != 0) return done(status);

    const ByteSpan span{response, sizeof response};
    const ListCount count = decodeListCount(span, kWwnTypeEntrySize);
    NATRACE(TR_MIN, "Number of attached ports is %d\n", static_cast<int>(count.declared));
    traceDroppedEntries("GAPNL", count);

    for (std::uint32_t i = 0; i < count.usable; ++i) {
        WwnTypeEntry attached;
        decodeWwnTypeEntry(listEntry(span, kWwnTypeEntrySize, i), attached);
        const WwnText attachedText = formatWwn(attached.wwn.bytes);
        NATRACE(TR_MID, "attached port is %s raw port type is %d\n", attachedText.text,
                static_cast<int>(attached.type));
        const int typeIndex = portTypeIndex(attached.type);
        NATRACE(TR_MID, "port type after modifications if needed is %d\n", typeIndex);
        if (typeIndex >= kPortTypeCount) {
            NATRACE(TR_MIN, "GAPNL for %s returned port type %d which we are unable to interpret\n",
                    attachedText.text, typeIndex);
            naLogMessage(AGT0433E, "GAPNL");
            return done(FABRIC_PROBE_INVALID_DATA_IN_RESPONSE);
        }

        status = printPortToPort(switchPortWwnText, attachedText.text, stream);
        if (status != 1) {
            naLogMessage(AGT0422E, "probe", outputPath);
            return done(FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE);
        }
        if (typeIndex > kHighestEndPortType) continue;

        FcIdText portIdText{""};
        std::uint8_t portId[3] = {};
        status = getFcPortId(handle, hbaPortWwn, attached.wwn, attachedText.text, portId);
        NATRACE(TR_MAX, "status from invoking getFcPortId is %d\n", status);
        if (status == 0) {
            portIdText = formatFcId(portId);
            NATRACE(TR_MID, "port id is %s\n", portIdText.text);
            Wwn node{};
            status = getNode(handle, hbaPortWwn, portId, portIdText.text, node);
            NATRACE(TR_MAX, "status from invoking getNode is %d\n", status);
            if (status == 0) {
                const WwnText nodeText = formatWwn(node.bytes);
                NATRACE(TR_MID, "node name is %s\n", nodeText.text);
                if (printNode(nodeText.text, "", "", "", "", "", stream) != 1 ||
                    printNodeToPort(nodeText.text, attachedText.text, stream) != 1) {
                    naLogMessage(AGT0422E, "probe", outputPath);
                    return done(FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE);
                }
            }
        }
        status = printEndPort(attachedText.text, portTypeTable[typeIndex], portIdText.text, stream);
        if (status != 1) {
            naLogMessage(AGT0422E, "probe", outputPath);
            return done(FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE);
        }
    }
    return done(status);
}
