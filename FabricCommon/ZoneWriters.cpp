#include "ZoneWriters.h"

#include "OutputFormat.h"
#include "OutputSchema.h"
#include "naTrace.h"

int printFabricZoneProbeHeader(FILE* stream) {
    return printSectionHeaders(kZoningSections, stream, "printFabricZoneProbeHeader()");
}

int printFabricToZoneSet(const char* uniqueId, const char* fabricWwn, FILE* stream) {
    const char* const fields[] = {uniqueId, fabricWwn};
    return printRecord<kFabricToZoneSetSection>(fields, stream, "printFabricToZoneSet()");
}

// Other invocation types are not used by the probe; they write the same blocks.
int printZoneSet(const char* uniqueId, const char* name, const char* active, FILE* stream, int) {
    const char* const fields[] = {uniqueId, name, active};
    return printRecord<kZoneSetSection>(fields, stream, "printZoneSet()");
}

int printZoneSetToZone(const char* zoneSetUniqueId, const char* zoneUniqueId, FILE* stream) {
    const char* const fields[] = {zoneSetUniqueId, zoneUniqueId};
    return printRecord<kZoneSetToZoneSection>(fields, stream, "printZoneSetToZone()");
}

int printZone(const char* uniqueId, const char* name, const char* type, FILE* stream, int) {
    const char* const fields[] = {uniqueId, name, type};
    return printRecord<kZoneSection>(fields, stream, "printZone()");
}

int printZoneToMember(const char* memberUniqueId, const char* zoneUniqueId, FILE* stream) {
    const char* const fields[] = {memberUniqueId, zoneUniqueId};
    return printRecord<kZoneToMemberSection>(fields, stream, "printZoneToMember()");
}

int printZoneMember(const char* uniqueId, const char* name, const char* type, FILE* stream, int) {
    const char* const fields[] = {uniqueId, name, type};
    return printRecord<kZoneMemberSection>(fields, stream, "printZoneMember()");
}
