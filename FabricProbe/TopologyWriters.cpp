#include "TopologyWriters.h"

#include "OutputFormat.h"
#include "OutputSchema.h"
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

int printFabricTopologyProbeHeader(FILE* stream) {
    return printSectionHeaders(kTopologySections, stream, "printFabricTopologyProbeHeader()");
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
    return printTracedLines(lines, 1, stream, "printFabricEnd()");
}

int printFabricToInterconnectElement(const char* switchWwn, const char* fabricWwn, FILE* stream) {
    const char* const fields[] = {switchWwn, fabricWwn};
    return printRecord<kFabricToInterconnectElementSection>(fields, stream, "printFabricToInterconnectElement()");
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
    return printRecord<kInterconnectElementSection>(fields, stream, "printInterConnectElement()");
}

int printSwitchToPort(const char* portWwn, const char* switchWwn, FILE* stream) {
    const char* const fields[] = {portWwn, switchWwn};
    return printRecord<kSwitchToPortSection>(fields, stream, "printSwitchToPort()");
}

int printSwitchPort(const char* wwn, const char* type, const char* portState,
                    const char* physicalPortNumber, FILE* stream) {
    const char* const fields[] = {wwn, type, portState, physicalPortNumber};
    return printRecord<kSwitchPortSection>(fields, stream, "printSwitchPort()");
}

int printEndPort(const char* wwn, const char* type, const char* fcPortId, FILE* stream) {
    const char* const fields[] = {wwn, type, fcPortId};
    return printRecord<kEndPortSection>(fields, stream, "printEndPort()");
}

int printNodeToPort(const char* nodeWwn, const char* portWwn, FILE* stream) {
    const char* const fields[] = {nodeWwn, portWwn};
    return printRecord<kNodeToPortSection>(fields, stream, "printNodeToPort()");
}

int printNode(const char* wwn, const char* name, const char* type, const char* mgtUrlAddress,
              const char* mgmtTelnetAddress, const char* mgmtSnmpAddress, FILE* stream) {
    const char* const fields[] = {wwn, name, type, mgtUrlAddress, mgmtTelnetAddress, mgmtSnmpAddress};
    return printRecord<kNodeSection>(fields, stream, "printNode()");
}

int printPortToPort(const char* wwnPort1, const char* wwnPort2, FILE* stream) {
    const char* const fields[] = {wwnPort1, wwnPort2};
    return printRecord<kPortToPortSection>(fields, stream, "printPortToPort()");
}
