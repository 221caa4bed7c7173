// Writers of the zoning sections; each returns 1, or the result (0 or negative)
// of the output call that failed. invocationType 1 selects these blocks.
#pragma once

#include <cstdio>

int printFabricZoneProbeHeader(FILE* stream);
int printFabricToZoneSet(const char* uniqueId, const char* fabricWwn, FILE* stream);
int printZoneSet(const char* uniqueId, const char* name, const char* active, FILE* stream,
                 int invocationType);
int printZoneSetToZone(const char* zoneSetUniqueId, const char* zoneUniqueId, FILE* stream);
int printZone(const char* uniqueId, const char* name, const char* type, FILE* stream,
              int invocationType);
int printZoneToMember(const char* memberUniqueId, const char* zoneUniqueId, FILE* stream);
int printZoneMember(const char* uniqueId, const char* name, const char* type, FILE* stream,
                    int invocationType);
