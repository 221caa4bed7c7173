#include "PortDiscovery.h"

#include "DiscoveryTrace.h"
#include "GsQuery.h"
#include "PortQueries.h"
#include "ReturnCodes.h"
#include "TopologyDecode.h"
#include "TopologyWriters.h"
#include "TraceScope.h"
#include "naMessages.h"
#include "naTrace.h"

namespace {
constexpr std::size_t kPortListResponse = 8212;     // 682 entries
constexpr std::size_t kAttachedListResponse = 1044;  // 85 entries
constexpr std::uint8_t kOnline = 1;
constexpr int kHighestEndPortType = 2;  // Undefined, N_Port, NL_Port

bool endsList(int status) {
    return status == FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE || status == FABRIC_PROBE_INVALID_DATA_IN_RESPONSE;
}

// The port's type index, or -2014 (AGT0433E) when the type cannot be interpreted.
int interpretPortType(const char* command, const char* portText, int typeIndex) {
    if (typeIndex < kPortTypeCount) return typeIndex;
    NATRACE(TR_MIN, "%s for %s returned port type %d which we are unable to interpret\n", command, portText,
            typeIndex);
    naLogMessage(AGT0433E, command);
    return FABRIC_PROBE_INVALID_DATA_IN_RESPONSE;
}

struct PortList {
    const GsPreamble& preamble;
    const char* command;     // "GPL" or "GAPNL"
    const char* statusLine;  // as for sendQuery
    const char* countLine;   // its count's trace line
};

// GPL or GAPNL of one WWN: the status, and when it is 0 the list's count.
template <std::size_t N>
int readPortList(HbaHandle handle, const Wwn& hbaPortWwn, const PortList& list, const Wwn& key, const char* keyText,
                 std::uint8_t (&response)[N], ListCount& count) {
    const int status = sendQuery<8>(handle, hbaPortWwn, list.preamble, key.bytes, response, list.statusLine, keyText);
    if (status == 0) count = readListCount(ByteSpan{response, N}, kWwnTypeEntrySize, list.countLine, list.command);
    return status;
}

struct SwitchPortFacts {
    std::uint8_t state = 0;
    int typeIndex = 0;
};

// The switch-to-port and switch-port records of one GPL entry: printSwitchPort's
// result, -2013 or -2014.
int writeSwitchPort(HbaHandle handle, const Wwn& hbaPortWwn, const char* switchWwnText,
                    const WwnTypeEntry& port, const char* portText, RecordSink& out, SwitchPortFacts& facts) {
    if (!out.put(printSwitchToPort(portText, switchWwnText, out.stream()))) return out.writeFailed();

    const char* stateName = "";
    if (getPortState(handle, hbaPortWwn, port.wwn, portText, facts.state) == 0) {
        NATRACE(TR_MID, "port state is %d\n", static_cast<int>(facts.state));
        stateName = portStateTable[facts.state];
    }
    char number[11] = "";
    std::uint32_t physical = 0;
    if (getPhysicalPortNumber(handle, hbaPortWwn, port.wwn, portText, physical) == 0) {
        NATRACE(TR_MID, "physical port number is %d\n", static_cast<int>(physical));
        // Unsigned: the number is a 32-bit value and never negative.
        std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(physical));
    }

    NATRACE(TR_MID, "port type for ie port before modification is %d\n", static_cast<int>(port.type));
    NATRACE(TR_MID, "port type after modification is %d\n", portTypeIndex(port.type));
    facts.typeIndex = interpretPortType("GIEL", portText, portTypeIndex(port.type));
    if (facts.typeIndex < 0) return facts.typeIndex;

    const int result = printSwitchPort(portText, portTypeTable[facts.typeIndex], stateName, number, out.stream());
    return out.put(result) ? result : out.writeFailed();
}

// The node, node-to-port and end-port records of an attached N_Port or NL_Port:
// printEndPort's result, a query status, or -2013.
int writeEndPort(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& attached, const char* attachedText,
                 int typeIndex, RecordSink& out) {
    FcIdText portIdText{""};
    std::uint8_t portId[3] = {};
    int status = getFcPortId(handle, hbaPortWwn, attached, attachedText, portId);
    NATRACE(TR_MAX, "status from invoking getFcPortId is %d\n", status);
    if (status == 0) {
        portIdText = formatFcId(portId);
        NATRACE(TR_MID, "port id is %s\n", portIdText.text);
        Wwn node{};
        status = getNode(handle, hbaPortWwn, portId, portIdText.text, node);
        NATRACE(TR_MAX, "status from invoking getNode is %d\n", status);
        if (status == 0) {
            const WwnText nodeText = formatWwn(node);
            NATRACE(TR_MID, "node name is %s\n", nodeText.text);
            if (!out.put(printNode(nodeText.text, "", "", "", "", "", out.stream())) ||
                !out.put(printNodeToPort(nodeText.text, attachedText, out.stream())))
                return out.writeFailed();
        }
    }
    status = printEndPort(attachedText, portTypeTable[typeIndex], portIdText.text, out.stream());
    return out.put(status) ? status : out.writeFailed();
}
}  // namespace

int getInterconnectElementPorts(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& switchWwn,
                                const char* switchWwnText, RecordSink& out) {
    static const char fn[] = "getInterconnectElementPorts()";
    TraceScope scope(fn, KeyedExit{"Exit: %s for switch %s through handle %d with status %d\n", fn, switchWwnText,
                                   static_cast<int>(handle)});
    std::uint8_t response[kPortListResponse];
    const ByteSpan span{response, sizeof response};
    ListCount count;
    int status = readPortList(handle, hbaPortWwn, {GPL_PREAMBLE, "GPL", "status from IssueGS3Command for GPL for port %s through handle %d is %d\n",
                               "Number of switch ports is %d\n"},
                              switchWwn, switchWwnText, response, count);
    if (status != 0) return scope.exit(status);

    for (std::uint32_t i = 0; i < count.usable; ++i) {
        WwnTypeEntry port;
        decodeWwnTypeEntry(listEntry(span, kWwnTypeEntrySize, i), port);
        const WwnText portText = formatWwn(port.wwn);
        NATRACE(TR_MID, "switch port is %s\n", portText.text);

        SwitchPortFacts facts;
        status = writeSwitchPort(handle, hbaPortWwn, switchWwnText, port, portText.text, out, facts);
        if (endsList(status)) return scope.error(status);
        if (facts.state == kOnline && facts.typeIndex != 0) {
            status = getAttachedPorts(handle, hbaPortWwn, port.wwn, portText.text, out);
            if (out.failed()) return scope.error(status);
        }
    }
    return scope.exit(status);
}

int getAttachedPorts(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& switchPortWwn,
                     const char* switchPortWwnText, RecordSink& out) {
    static const char fn[] = "getAttachedPorts()";
    TraceScope scope(fn, KeyedExit{"Exit: %s for port %s through handle %d with status %d\n", fn,
                                   switchPortWwnText, static_cast<int>(handle)});
    std::uint8_t response[kAttachedListResponse];
    const ByteSpan span{response, sizeof response};
    ListCount count;
    int status = readPortList(handle, hbaPortWwn, {GAPNL_PREAMBLE, "GAPNL", "status from IssueGS3Command for GAPNL for port %s through handle %d is %d\n",
                               "Number of attached ports is %d\n"},
                              switchPortWwn, switchPortWwnText, response, count);
    if (status != 0) return scope.exit(status);

    for (std::uint32_t i = 0; i < count.usable; ++i) {
        WwnTypeEntry attached;
        decodeWwnTypeEntry(listEntry(span, kWwnTypeEntrySize, i), attached);
        const WwnText attachedText = formatWwn(attached.wwn);
        NATRACE(TR_MID, "attached port is %s raw port type is %d\n", attachedText.text,
                static_cast<int>(attached.type));
        NATRACE(TR_MID, "port type after modifications if needed is %d\n", portTypeIndex(attached.type));
        const int typeIndex = interpretPortType("GAPNL", attachedText.text, portTypeIndex(attached.type));
        if (typeIndex < 0) return scope.error(typeIndex);

        status = printPortToPort(switchPortWwnText, attachedText.text, out.stream());
        if (!out.put(status)) return scope.error(out.writeFailed());
        if (typeIndex > kHighestEndPortType) continue;
        status = writeEndPort(handle, hbaPortWwn, attached.wwn, attachedText.text, typeIndex, out);
        if (out.failed()) return scope.error(status);
    }
    return scope.exit(status);
}
