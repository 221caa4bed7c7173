#include "ZoneWriters.h"

#include "OutputFormat.h"
#include "OutputSchema.h"
#include "naTrace.h"

int printFabricZoneProbeHeader(FILE* stream) {
    return printSectionHeaders(kZoningSections, stream, "printFabricZoneProbeHeader()");
}

int printFabricToZoneSet(const char* uniqueId, const char* fabricWwn, FILE* stream) {
    return printRecord<kFabricToZoneSetSection>("printFabricToZoneSet()", stream, uniqueId, fabricWwn);
}

// Other invocation types are not used by the probe; they write the same blocks.
int printZoneSet(const char* uniqueId, const char* name, const char* active, FILE* stream, int) {
    return printRecord<kZoneSetSection>("printZoneSet()", stream, uniqueId, name, active);
}

int printZoneSetToZone(const char* zoneSetUniqueId, const char* zoneUniqueId, FILE* stream) {
    return printRecord<kZoneSetToZoneSection>("printZoneSetToZone()", stream, zoneSetUniqueId, zoneUniqueId);
}

int printZone(const char* uniqueId, const char* name, const char* type, FILE* stream, int) {
    return printRecord<kZoneSection>("printZone()", stream, uniqueId, name, type);
}

int printZoneToMember(const char* memberUniqueId, const char* zoneUniqueId, FILE* stream) {
    return printRecord<kZoneToMemberSection>("printZoneToMember()", stream, memberUniqueId, zoneUniqueId);
}

int printZoneMember(const char* uniqueId, const char* name, const char* type, FILE* stream, int) {
    return printRecord<kZoneMemberSection>("printZoneMember()", stream, uniqueId, name, type);
}
