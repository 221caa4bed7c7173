// The zoning probe of one fabric: active zone set, zone database, and the
// records of both, written as they are read.
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "ReturnCodes.h"
#include "ZoneDecode.h"
#include "ZoneQueries.h"
#include "ZoneIds.h"
#include "ZoneWalk.h"
#include "ZoneWriters.h"
#include "naMessages.h"
#include "TraceScope.h"
#include "naTrace.h"

namespace {

const char fn[] = "getCurrentZoningInfo()";

// The call's three large responses; too big for the stack.
struct ZoningBuffers {
    std::unique_ptr<std::uint8_t[]> active{new std::uint8_t[kZoneSetResponseSize]};
    std::unique_ptr<std::uint8_t[]> list{new std::uint8_t[kZoneSetNameListResponseSize]};
    std::unique_ptr<std::uint8_t[]> zoneSet{new std::uint8_t[kZoneSetResponseSize]};
};

int finish(HbaHandle handle, int status) {
    if (status != 0) traceErrorReturn(fn, status);
    NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, static_cast<int>(handle),
            status);
    return status;
}

// One zone set: its fabric-to-zone-set and zone-set records, then its zones as
// the buffer holds them. 0, -1002 or a failed write's result.
int writeZoneSet(const ZoneWalkSource& source, const std::string& name, bool active, ByteSpan buffer,
                 RecordSink& out, int invocationType) {
    const std::string id = zoneSetUniqueId(source.fabricWwn, name, active);
    if (!out.put(printFabricToZoneSet(id.c_str(), source.fabricWwn, out.stream())) ||
        !out.put(printZoneSet(id.c_str(), name.c_str(), active ? "TRUE" : "FALSE", out.stream(), invocationType)))
        return out.failure();
    return walkZoneSet(source, buffer, out, invocationType);
}

// Where the zone set named `name` comes from: the GZS answer (a database copy) or the GAZS one.
ZoneWalkSource sourceOf(HbaHandle handle, const char* fabricWwn, const std::string& name, bool activeCopy) {
    ZoneWalkSource source;
    source.handle = handle;
    source.fabricWwn = fabricWwn;
    source.zoneSetName = name.c_str();
    source.isActiveCopy = activeCopy ? 1 : 0;
    source.command = activeCopy ? "GAZS" : "GZS";
    return source;
}

// The active zone set; a failed query means the fabric has none. -1002 for an
// answer too short for its header, else 0.
int readActiveZoneSet(HbaHandle handle, const Wwn& hbaPortWwn, std::uint8_t* response, bool& exists,
                      std::string& name) {
    exists = false;
    if (getActiveZoneSet(handle, hbaPortWwn, response, kZoneSetResponseSize) != 0) return 0;
    const ByteSpan active{response, kZoneSetResponseSize};
    ZoneSetHeader header;
    if (!decodeZoneSetHeader(active, header)) {
        naLogMessage(AGT0432E, "GAZS");
        return FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT;
    }
    name = header.name;
    exists = true;
    return 0;
}

}  // namespace

int getCurrentZoningInfo(HbaHandle handle, const Wwn& hbaPortWwn, const char* fabricName,
                         RecordSink& out, int invocationType) {
    const char* fabricWwn = fabricName ? fabricName : "";
    NATRACE(TR_ENTER, "Enter: %s handle %d fabric %s invocationType %d\n", fn,
            static_cast<int>(handle), fabricWwn, invocationType);

    std::unique_ptr<ZoningBuffers> buffers;
    try {
        buffers = std::make_unique<ZoningBuffers>();
    } catch (const std::bad_alloc&) {
        return finish(handle, FABRIC_PROBE_MEMORY_ALLOCATION_FAILURE);
    }
    const ByteSpan active{buffers->active.get(), kZoneSetResponseSize};
    const ByteSpan list{buffers->list.get(), kZoneSetNameListResponseSize};
    const ByteSpan zoneSet{buffers->zoneSet.get(), kZoneSetResponseSize};

    // 1. The active zone set.
    bool activeExists = false;
    std::string activeName;
    int status = readActiveZoneSet(handle, hbaPortWwn, buffers->active.get(), activeExists, activeName);
    if (status != 0) return finish(handle, status);
    // Without an active zone set no name can match it, not even an empty one.
    auto isActiveName = [&](const std::string& name) { return activeExists && name == activeName; };

    // 2. The zone database's names.
    std::uint32_t databaseCount = 0;
    if (getZoneSetList(handle, hbaPortWwn, buffers->list.get(), kZoneSetNameListResponseSize) == 0)
        list.be32(16, databaseCount);

    // 3. What to walk.
    std::uint8_t reason = 0;
    std::uint8_t explanation = 0;
    const bool fullDatabase = isFullZoneDBSupported(handle, hbaPortWwn, reason, explanation) == 1;
    const std::uint32_t toWalk = fullDatabase ? databaseCount : (activeExists ? 1 : 0);

    // The whole list is checked before any GZS: walking a count the buffer
    // cannot hold would send a GZS, with its retries, for every zero entry.
    std::vector<std::string> names;
    if (fullDatabase && toWalk > 0 && !decodeZoneSetNameList(list, names)) {
        naLogMessage(AGT0432E, "GZSN");
        return finish(handle, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
    }

    // 4. Each zone set: the database's in list order, or the active one.
    for (std::uint32_t i = 0; i < toWalk; ++i) {
        const std::string& name = fullDatabase ? names[i] : activeName;
        if (fullDatabase && getZoneSet(handle, hbaPortWwn, name, buffers->zoneSet.get(), kZoneSetResponseSize) != 0)
            continue;
        status = writeZoneSet(sourceOf(handle, fabricWwn, name, !fullDatabase), name, isActiveName(name),
                              fullDatabase ? zoneSet : active, out, invocationType);
        if (status != 0) return finish(handle, status);
    }

    // 5. The active copy.
    if (!activeExists) {
        NATRACE(TR_MIN, "function %s for handle %d no active zoneset copy exists\n", fn,
                static_cast<int>(handle));
        return finish(handle, 0);
    }
    NATRACE(TR_MIN, "printing active copy of zoneset\n");
    status = writeZoneSet(sourceOf(handle, fabricWwn, activeName, true), activeName, true, active, out,
                          invocationType);
    return finish(handle, status);
}
