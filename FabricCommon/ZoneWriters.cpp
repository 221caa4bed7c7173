#include "ZoneWriters.h"

#include "OutputFormat.h"
#include "naTrace.h"

namespace {
template <int N>
int block(const char* section, const char* const (&fields)[N], FILE* stream, const char* fn) {
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    int result = printRecordBlock(section, fields, N, stream, fn);
    if (result == 1) NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return result;
}
}  // namespace

int printFabricZoneProbeHeader(FILE* stream) {
    static const char* const lines[] = {
        "[Fabric]",         "wwn",
        "[FabricToZoneSet]", "uniqueId,fabricWWn",
        "[ZoneSet]",        "uniqueId,name,active",
        "[ZoneSetToZone]",  "zonesetUniqueId,zoneUniqueId",
        "[Zone]",           "uniqueId,name,type",
        "[ZoneToMember]",   "uniqueId,zoneUniqueId",
        "[ZoneMember]",     "uniqueId,name,type",
    };
    static const char fn[] = "printFabricZoneProbeHeader()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    const int result = printLines(lines, 14, stream, fn);
    if (result == 1) NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return result;
}

int printFabricToZoneSet(const char* uniqueId, const char* fabricWwn, FILE* stream) {
    const char* const fields[] = {uniqueId, fabricWwn};
    return block("FabricToZoneSet", fields, stream, "printFabricToZoneSet()");
}

// Other invocation types are not used by the probe; they write the same blocks.
int printZoneSet(const char* uniqueId, const char* name, const char* active, FILE* stream, int) {
    const char* const fields[] = {uniqueId, name, active};
    return block("ZoneSet", fields, stream, "printZoneSet()");
}

int printZoneSetToZone(const char* zoneSetUniqueId, const char* zoneUniqueId, FILE* stream) {
    const char* const fields[] = {zoneSetUniqueId, zoneUniqueId};
    return block("ZoneSetToZone", fields, stream, "printZoneSetToZone()");
}

int printZone(const char* uniqueId, const char* name, const char* type, FILE* stream, int) {
    const char* const fields[] = {uniqueId, name, type};
    return block("Zone", fields, stream, "printZone()");
}

int printZoneToMember(const char* memberUniqueId, const char* zoneUniqueId, FILE* stream) {
    const char* const fields[] = {memberUniqueId, zoneUniqueId};
    return block("ZoneToMember", fields, stream, "printZoneToMember()");
}

int printZoneMember(const char* uniqueId, const char* name, const char* type, FILE* stream, int) {
    const char* const fields[] = {uniqueId, name, type};
    return block("ZoneMember", fields, stream, "printZoneMember()");
}
