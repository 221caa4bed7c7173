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

// One entry's outcome: the status it leaves, and whether it ends the list.
struct EntryResult {
    int status;
    bool ends;
};

// GPL or GAPNL of one WWN, each usable entry handed to visit with its text. The
// result: the query's failed status, the status of the entry that ended the list
// (after the error line), else the last entry's status (0 for an empty list).
template <std::size_t N, class Scope, class Visit>
int walkPortList(HbaHandle handle, const Wwn& hbaPortWwn, const PortList& list, const Wwn& key,
                 const char* keyText, Scope& scope, Visit visit) {
    std::uint8_t response[N];
    int status = sendQuery<8>(handle, hbaPortWwn, list.preamble, key.bytes, response, list.statusLine, keyText);
    if (status != 0) return scope.exit(status);
    const ByteSpan span{response, N};
    const ListCount count = readListCount(span, kWwnTypeEntrySize, list.countLine, list.command);
    for (std::uint32_t i = 0; i < count.usable; ++i) {
        WwnTypeEntry entry;
        decodeWwnTypeEntry(listEntry(span, kWwnTypeEntrySize, i), entry);
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
    const PortList list{GPL_PREAMBLE, "GPL", "status from IssueGS3Command for GPL for port %s through handle %d is %d\n",
                        "Number of switch ports is %d\n"};
    return walkPortList<kPortListResponse>(
        handle, hbaPortWwn, list, switchWwn, switchWwnText, scope, [&](const WwnTypeEntry& port, const WwnText& text) {
            NATRACE(TR_MID, "switch port is %s\n", text.text);
            SwitchPortFacts facts;
            int status = writeSwitchPort(handle, hbaPortWwn, switchWwnText, port, text.text, out, facts);
            if (endsList(status)) return EntryResult{status, true};
            if (facts.state == kOnline && facts.typeIndex != 0) {
                status = getAttachedPorts(handle, hbaPortWwn, port.wwn, text.text, out);
                if (out.failed()) return EntryResult{status, true};
            }
            return EntryResult{status, false};
        });
}

int getAttachedPorts(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& switchPortWwn,
                     const char* switchPortWwnText, RecordSink& out) {
    static const char fn[] = "getAttachedPorts()";
    TraceScope scope(fn, KeyedExit{"Exit: %s for port %s through handle %d with status %d\n", fn,
                                   switchPortWwnText, static_cast<int>(handle)});
    const PortList list{GAPNL_PREAMBLE, "GAPNL",
                        "status from IssueGS3Command for GAPNL for port %s through handle %d is %d\n",
                        "Number of attached ports is %d\n"};
    return walkPortList<kAttachedListResponse>(
        handle, hbaPortWwn, list, switchPortWwn, switchPortWwnText, scope,
        [&](const WwnTypeEntry& attached, const WwnText& text) {
            NATRACE(TR_MID, "attached port is %s raw port type is %d\n", text.text, static_cast<int>(attached.type));
            NATRACE(TR_MID, "port type after modifications if needed is %d\n", portTypeIndex(attached.type));
            const int typeIndex = interpretPortType("GAPNL", text.text, portTypeIndex(attached.type));
            if (typeIndex < 0) return EntryResult{typeIndex, true};
            int status = printPortToPort(switchPortWwnText, text.text, out.stream());
            if (!out.put(status)) return EntryResult{out.writeFailed(), true};
            if (typeIndex > kHighestEndPortType) return EntryResult{status, false};
            status = writeEndPort(handle, hbaPortWwn, attached.wwn, text.text, typeIndex, out);
            return EntryResult{status, out.failed()};
        });
}
