#include "TopologyWriters.h"

#include "OutputFormat.h"
#include "OutputSchema.h"
#include "TraceScope.h"
#include "naTrace.h"

const char* const ieTypeTable[5] = {"Undefined", "Switch", "Hub", "Bridge", "End_IE_Type"};

const char* const portTypeTable[15] = {"Undefined",     "N_Port",  "NL_Port", "FNL_Port", "Nx_Port",
                                       "F_Port",        "FL_Port", "LT_Port", "E_Port",   "B_Port",
                                       "End_Port_Type", "NV_PORT", "FV_Port", "SD_PORT",  "TE_Port"};

const char* const portStateTable[7] = {"Unknown", "Online",   "Offline",      "Testing",
                                       "Faulty",  "Reserved", "End_Port_Sate"};

const char* const platformTypeTable[16] = {"Undefined",
                                           "Unknown",
                                           "Other",
                                           "Undefined",
                                           "Undefined",
                                           "Gateway",
                                           "Converter",
                                           "HBA",
                                           "Software Proxy Agent",
                                           "Storage Device",
                                           "Host",
                                           "Storage Subsystem",
                                           "Module",
                                           "Software Driver",
                                           "Storage Access Device",
                                           "Reserved"};

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
        return traceErrorReturn(fn, result);
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return 1;
}

int printFabricEnd(FILE* stream) {
    static const char* const lines[] = {"[/Fabric]"};
    return printTracedLines(lines, 1, stream, "printFabricEnd()");
}

int printFabricToInterconnectElement(const char* switchWwn, const char* fabricWwn, FILE* stream) {
    return printRecord<kFabricToInterconnectElementSection>("printFabricToInterconnectElement()", stream,
                                                            switchWwn, fabricWwn);
}

int printInterConnectElement(const char* uniqueId, const char* wwn, const char* type, const char* domain,
                             const char* logicalName, const char* managementId, const char* vendorId,
                             const char* model, const char* releaseCode, const char* managementSnmpAddress,
                             const char* managementUrlAddress, const char* managementTelnetAddress,
                             FILE* stream) {
    return printRecord<kInterconnectElementSection>(
        "printInterConnectElement()", stream, uniqueId, wwn, type, domain, logicalName, managementId,
        vendorId, model, releaseCode, managementSnmpAddress, managementUrlAddress, managementTelnetAddress);
}

int printSwitchToPort(const char* portWwn, const char* switchWwn, FILE* stream) {
    return printRecord<kSwitchToPortSection>("printSwitchToPort()", stream, portWwn, switchWwn);
}

int printSwitchPort(const char* wwn, const char* type, const char* portState, const char* physicalPortNumber,
                    FILE* stream) {
    return printRecord<kSwitchPortSection>("printSwitchPort()", stream, wwn, type, portState,
                                           physicalPortNumber);
}

int printEndPort(const char* wwn, const char* type, const char* fcPortId, FILE* stream) {
    return printRecord<kEndPortSection>("printEndPort()", stream, wwn, type, fcPortId);
}

int printNodeToPort(const char* nodeWwn, const char* portWwn, FILE* stream) {
    return printRecord<kNodeToPortSection>("printNodeToPort()", stream, nodeWwn, portWwn);
}

int printNode(const char* wwn, const char* name, const char* type, const char* mgtUrlAddress,
              const char* mgmtTelnetAddress, const char* mgmtSnmpAddress, FILE* stream) {
    return printRecord<kNodeSection>("printNode()", stream, wwn, name, type, mgtUrlAddress, mgmtTelnetAddress,
                                     mgmtSnmpAddress);
}

int printPortToPort(const char* wwnPort1, const char* wwnPort2, FILE* stream) {
    return printRecord<kPortToPortSection>("printPortToPort()", stream, wwnPort1, wwnPort2);
}
