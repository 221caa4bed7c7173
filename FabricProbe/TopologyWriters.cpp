#include "TopologyWriters.h"

#include "OutputFormat.h"
#include "naTrace.h"

const char* const ieTypeTable[5] = {"Undefined", "Switch", "Hub", "Bridge", "End_IE_Type"};

const char* const portTypeTable[15] = {
    "Undefined", "N_Port",        "NL_Port", "FNL_Port", "Nx_Port",
    "F_Port",    "FL_Port",       "LT_Port", "E_Port",   "B_Port",
    "End_Port_Type", "NV_PORT",   "FV_Port", "SD_PORT",  "TE_Port"};

const char* const portStateTable[7] = {"Unknown", "Online",   "Offline",      "Testing",
                                       "Faulty",  "Reserved", "End_Port_Sate"};

const char* const platformTypeTable[16] = {
    "Undefined",    "Unknown",         "Other",          "Undefined",
    "Undefined",    "Gateway",         "Converter",      "HBA",
    "Software Proxy Agent", "Storage Device", "Host",    "Storage Subsystem",
    "Module",       "Software Driver", "Storage Access Device", "Reserved"};

namespace {
template <int N>
int block(const char* section, const char* const (&fields)[N], FILE* stream, const char* fn) {
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    int result = printRecordBlock(section, fields, N, stream, fn);
    if (result == 1) NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return result;
}

int lineBlock(const char* const* lines, int count, FILE* stream, const char* fn) {
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    int result = printLines(lines, count, stream, fn);
    if (result == 1) NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return result;
}
}  // namespace

int printFabricTopologyProbeHeader(FILE* stream) {
    static const char fn[] = "printFabricTopologyProbeHeader()";
    static const char* const lines[] = {
        "[Fabric]",
        "wwn",
        "[FabricToInterconnectElement]",
        "switchWwn,fabricWwn",
        "[InterconnectElement]",
        "uniqueId,wwn,type,domain,logicalName,managementId,vendorID,model,releaseCode,"
        "managementSnmpAddress,managementUrlAddress,managementTelnetAddress",
        "[SwitchToPort]",
        "uniqueId,switchWwn",
        "[SwitchPort]",
        "wwn,type,portState,physicalPortNumber",
        "[EndPort]",
        "wwn,type,fcPortId",
        "[NodeToPort]",
        "nodeWwn,portWwn",
        "[Node]",
        "wwn,name,type,mgtUrlAddress,mgmtTelnetAddress,mgmtSnmpAddress",
        "[PortToPort]",
        "wwnPort1,wwnPort2",
    };
    static_assert(sizeof lines / sizeof lines[0] == 18, "the topology column-header block has 18 lines");
    return lineBlock(lines, 18, stream, fn);
}

int printFabricStart(const char* fabricWwn, FILE* stream) {
    static const char fn[] = "printFabricStart()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    int result = 1;
    if (fputs("[Fabric]\n", stream) == EOF) result = EOF;
    if (result == 1) result = printfQuotesEscape(fabricWwn, stream);
    if (result == 1 && fputc('\n', stream) == EOF) result = EOF;
    if (result != 1) {
        NATRACE(TR_MIN, "function %s exiting error status %d\n", fn, result);
        return result;
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return 1;
}

int printFabricEnd(FILE* stream) {
    static const char* const lines[] = {"[/Fabric]"};
    return lineBlock(lines, 1, stream, "printFabricEnd()");
}

int printFabricToInterconnectElement(const char* switchWwn, const char* fabricWwn, FILE* stream) {
    const char* const fields[] = {switchWwn, fabricWwn};
    return block("FabricToInterconnectElement", fields, stream, "printFabricToInterconnectElement()");
}

int printInterConnectElement(const char* uniqueId, const char* wwn, const char* type,
                             const char* domain, const char* logicalName, const char* managementId,
                             const char* vendorId, const char* model, const char* releaseCode,
                             const char* managementSnmpAddress, const char* managementUrlAddress,
                             const char* managementTelnetAddress, FILE* stream) {
    const char* const fields[] = {uniqueId,    wwn,   type,        domain,
                                  logicalName, managementId, vendorId, model,
                                  releaseCode, managementSnmpAddress, managementUrlAddress,
                                  managementTelnetAddress};
    return block("InterconnectElement", fields, stream, "printInterConnectElement()");
}

int printSwitchToPort(const char* portWwn, const char* switchWwn, FILE* stream) {
    const char* const fields[] = {portWwn, switchWwn};
    return block("SwitchToPort", fields, stream, "printSwitchToPort()");
}

int printSwitchPort(const char* wwn, const char* type, const char* portState,
                    const char* physicalPortNumber, FILE* stream) {
    const char* const fields[] = {wwn, type, portState, physicalPortNumber};
    return block("SwitchPort", fields, stream, "printSwitchPort()");
}

int printEndPort(const char* wwn, const char* type, const char* fcPortId, FILE* stream) {
    const char* const fields[] = {wwn, type, fcPortId};
    return block("EndPort", fields, stream, "printEndPort()");
}

int printNodeToPort(const char* nodeWwn, const char* portWwn, FILE* stream) {
    const char* const fields[] = {nodeWwn, portWwn};
    return block("NodeToPort", fields, stream, "printNodeToPort()");
}

int printNode(const char* wwn, const char* name, const char* type, const char* mgtUrlAddress,
              const char* mgmtTelnetAddress, const char* mgmtSnmpAddress, FILE* stream) {
    const char* const fields[] = {wwn, name, type, mgtUrlAddress, mgmtTelnetAddress, mgmtSnmpAddress};
    return block("Node", fields, stream, "printNode()");
}

int printPortToPort(const char* wwnPort1, const char* wwnPort2, FILE* stream) {
    const char* const fields[] = {wwnPort1, wwnPort2};
    return block("PortToPort", fields, stream, "printPortToPort()");
}
