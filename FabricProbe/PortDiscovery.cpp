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

// One entry's outcome: the status it leaves, and whether it ends the list.
struct EntryResult {
    int status;
    bool ends;
};

// GPL or GAPNL of one WWN, each usable entry handed to visit with its text;
// statusLine and countLine trace the status and the declared count. The
// result: the query's failed status, the status of the entry that ended the
// list (after the error line), else the last entry's status (0 for an empty list).
template <class Scope, class StatusLine, class CountLine, class Visit>
int walkPortList(const GsPort& port, const GsCommand<CountedList>& command, const Wwn& key, Scope& scope,
                 StatusLine statusLine, CountLine countLine, Visit visit) {
    std::uint8_t response[gs::GPL.responseSize];
    static_assert(gs::GPL.responseSize >= gs::GAPNL.responseSize, "one buffer serves both lists");
    CountedList list;
    int status = askGs(port, command, payloadOf(key), response, list, statusLine);
    if (status != 0) return scope.exit(status);
    countLine(static_cast<int>(list.count.declared));
    traceDroppedEntries(command.name, list.count);
    for (std::uint32_t i = 0; i < list.count.usable; ++i) {
        WwnTypeEntry entry;
        decodeWwnTypeEntry(list.entry(i), entry);
        const EntryResult result = visit(entry, formatWwn(entry.wwn));
        status = result.status;
        if (result.ends) return scope.error(status);
    }
    return scope.exit(status);
}

struct SwitchPortFacts {
    std::uint8_t state = 0;
    int typeIndex = 0;
};

// The switch-to-port and switch-port records of one GPL entry: printSwitchPort's
// result, -2013 or -2014.
int writeSwitchPort(const GsPort& gsPort, const char* switchWwnText,
                    const WwnTypeEntry& port, const char* portText, RecordSink& out, SwitchPortFacts& facts) {
    if (!out.put(printSwitchToPort(portText, switchWwnText, out.stream()))) return out.writeFailed();

    const char* stateName = "";
    if (getPortState(gsPort, port.wwn, portText, facts.state) == 0) {
        NATRACE(TR_MID, "port state is %d\n", static_cast<int>(facts.state));
        stateName = portStateTable[facts.state];
    }
    char number[11] = "";
    std::uint32_t physical = 0;
    if (getPhysicalPortNumber(gsPort, port.wwn, portText, physical) == 0) {
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
int writeEndPort(const GsPort& port, const Wwn& attached, const char* attachedText, int typeIndex,
                 RecordSink& out) {
    FcIdText portIdText{""};
    FcId portId = {};
    int status = getFcPortId(port, attached, attachedText, portId);
    NATRACE(TR_MAX, "status from invoking getFcPortId is %d\n", status);
    if (status == 0) {
        portIdText = formatFcId(portId);
        NATRACE(TR_MID, "port id is %s\n", portIdText.text);
        Wwn node{};
        status = getNode(port, portId, portIdText.text, node);
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

int getInterconnectElementPorts(const GsPort& port, const Wwn& switchWwn, const char* switchWwnText, RecordSink& out) {
    static const char fn[] = "getInterconnectElementPorts()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for switch %s through handle %d with status %d\n", fn, switchWwnText, port.h(),
                status);
    });
    return walkPortList(
        port, gs::GPL, switchWwn, scope,
        [&](int s) {
            NATRACE(TR_MAX, "status from IssueGS3Command for GPL for port %s through handle %d is %d\n",
                    switchWwnText, port.h(), s);
        },
        [](int count) { NATRACE(TR_MIN, "Number of switch ports is %d\n", count); },
        [&](const WwnTypeEntry& switchPort, const WwnText& text) {
            NATRACE(TR_MID, "switch port is %s\n", text.text);
            SwitchPortFacts facts;
            int status = writeSwitchPort(port, switchWwnText, switchPort, text.text, out, facts);
            if (endsList(status)) return EntryResult{status, true};
            if (facts.state == kOnline && facts.typeIndex != 0) {
                status = getAttachedPorts(port, switchPort.wwn, text.text, out);
                if (out.failed()) return EntryResult{status, true};
            }
            return EntryResult{status, false};
        });
}

int getAttachedPorts(const GsPort& port, const Wwn& switchPortWwn, const char* switchPortWwnText, RecordSink& out) {
    static const char fn[] = "getAttachedPorts()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for port %s through handle %d with status %d\n", fn, switchPortWwnText, port.h(),
                status);
    });
    return walkPortList(
        port, gs::GAPNL, switchPortWwn, scope,
        [&](int s) {
            NATRACE(TR_MAX, "status from IssueGS3Command for GAPNL for port %s through handle %d is %d\n",
                    switchPortWwnText, port.h(), s);
        },
        [](int count) { NATRACE(TR_MIN, "Number of attached ports is %d\n", count); },
        [&](const WwnTypeEntry& attached, const WwnText& text) {
            NATRACE(TR_MID, "attached port is %s raw port type is %d\n", text.text, static_cast<int>(attached.type));
            NATRACE(TR_MID, "port type after modifications if needed is %d\n", portTypeIndex(attached.type));
            const int typeIndex = interpretPortType("GAPNL", text.text, portTypeIndex(attached.type));
            if (typeIndex < 0) return EntryResult{typeIndex, true};
            int status = printPortToPort(switchPortWwnText, text.text, out.stream());
            if (!out.put(status)) return EntryResult{out.writeFailed(), true};
            if (typeIndex > kHighestEndPortType) return EntryResult{status, false};
            status = writeEndPort(port, attached.wwn, text.text, typeIndex, out);
            return EntryResult{status, out.failed()};
        });
}
