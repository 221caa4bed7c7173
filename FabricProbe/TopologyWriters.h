// Writers of the topology sections: one record block per call, straight to the stream.
// Each returns 1, or the result (0 or negative) of the output call that failed.
#pragma once

#include <cstdio>

int printFabricTopologyProbeHeader(FILE* stream);
int printFabricStart(const char* fabricWwn, FILE* stream);
int printFabricEnd(FILE* stream);
int printFabricToInterconnectElement(const char* switchWwn, const char* fabricWwn, FILE* stream);
int printInterConnectElement(const char* uniqueId, const char* wwn, const char* type,
                             const char* domain, const char* logicalName, const char* managementId,
                             const char* vendorId, const char* model, const char* releaseCode,
                             const char* managementSnmpAddress, const char* managementUrlAddress,
                             const char* managementTelnetAddress, FILE* stream);
int printSwitchToPort(const char* portWwn, const char* switchWwn, FILE* stream);
int printSwitchPort(const char* wwn, const char* type, const char* portState,
                    const char* physicalPortNumber, FILE* stream);
int printEndPort(const char* wwn, const char* type, const char* fcPortId, FILE* stream);
int printNodeToPort(const char* nodeWwn, const char* portWwn, FILE* stream);
int printNode(const char* wwn, const char* name, const char* type, const char* mgtUrlAddress,
              const char* mgmtTelnetAddress, const char* mgmtSnmpAddress, FILE* stream);
int printPortToPort(const char* wwnPort1, const char* wwnPort2, FILE* stream);

// Type name tables, indexed by the codes discovery obtains.
extern const char* const ieTypeTable[5];
extern const char* const portTypeTable[15];
extern const char* const portStateTable[7];
extern const char* const platformTypeTable[16];
