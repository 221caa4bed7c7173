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

int finish(const GsPort& port, int status) {
    if (status != 0) traceErrorReturn(fn, status);
    NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, port.h(), status);
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
ZoneWalkSource sourceOf(const GsPort& port, const char* fabricWwn, const std::string& name, bool activeCopy) {
    ZoneWalkSource source;
    source.handle = port.handle;
    source.fabricWwn = fabricWwn;
    source.zoneSetName = name.c_str();
    source.isActiveCopy = activeCopy ? 1 : 0;
    source.command = activeCopy ? "GAZS" : "GZS";
    return source;
}

// The active zone set; a failed query means the fabric has none. -1002 for an
// answer too short for its header, else 0.
int readActiveZoneSet(const GsPort& port, std::uint8_t* response, ByteSpan& active, bool& exists,
                      std::string& name) {
    exists = false;
    if (getActiveZoneSet(port, response, active) != 0) return 0;
    ZoneSetHeader header;
    if (!decodeZoneSetHeader(active, header)) {
        naLogMessage(AGT0432E, "GAZS");
        return FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT;
    }
    name = header.name;
    exists = true;
    return 0;
}

// Step 4: each zone set, the database's in list order (those GZS answers), or the active one.
int writeZoneSets(const GsPort& port, const char* fabricWwn, ZoningBuffers& buffers, const ZoneSetNames& list,
                  bool fullDatabase, const std::string& activeName, ByteSpan active, bool activeExists,
                  RecordSink& out, int invocationType) {
    const std::uint32_t toWalk = fullDatabase ? list.count : (activeExists ? 1 : 0);
    for (std::uint32_t i = 0; i < toWalk; ++i) {
        const std::string& name = fullDatabase ? list.names[i] : activeName;
        ByteSpan zoneSet = active;
        if (fullDatabase && getZoneSet(port, name, buffers.zoneSet.get(), zoneSet) != 0) continue;
        // Without an active zone set no name can match it, not even an empty one.
        const bool isActive = activeExists && name == activeName;
        const int status = writeZoneSet(sourceOf(port, fabricWwn, name, !fullDatabase), name, isActive, zoneSet,
                                        out, invocationType);
        if (status != 0) return status;
    }
    return 0;
}

}  // namespace

int getCurrentZoningInfo(const GsPort& port, const char* fabricName, RecordSink& out, int invocationType) {
    const char* fabricWwn = fabricName ? fabricName : "";
    NATRACE(TR_ENTER, "Enter: %s handle %d fabric %s invocationType %d\n", fn, port.h(), fabricWwn,
            invocationType);

    std::unique_ptr<ZoningBuffers> buffers;
    try {
        buffers = std::make_unique<ZoningBuffers>();
    } catch (const std::bad_alloc&) {
        return finish(port, FABRIC_PROBE_MEMORY_ALLOCATION_FAILURE);
    }

    // 1. The active zone set.
    bool activeExists = false;
    std::string activeName;
    ByteSpan active;
    int status = readActiveZoneSet(port, buffers->active.get(), active, activeExists, activeName);
    if (status != 0) return finish(port, status);

    // 2. The zone database's names; a failed query counts none.
    ZoneSetNames list;
    if (getZoneSetList(port, buffers->list.get(), list) != 0) list = ZoneSetNames{};

    // 3. What to walk. The whole list is checked before any GZS: walking a count
    // the answer cannot hold would send a GZS, with its retries, for every missing entry.
    const bool fullDatabase = isFullZoneDBSupported(port) == 1;
    if (fullDatabase && list.count > 0 && !list.whole) {
        naLogMessage(AGT0432E, "GZSN");
        return finish(port, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
    }

    // 4. Each zone set.
    status = writeZoneSets(port, fabricWwn, *buffers, list, fullDatabase, activeName, active, activeExists, out,
                           invocationType);
    if (status != 0) return finish(port, status);

    // 5. The active copy.
    if (!activeExists) {
        NATRACE(TR_MIN, "function %s for handle %d no active zoneset copy exists\n", fn, port.h());
        return finish(port, 0);
    }
    NATRACE(TR_MIN, "printing active copy of zoneset\n");
    status = writeZoneSet(sourceOf(port, fabricWwn, activeName, true), activeName, true, active, out, invocationType);
    return finish(port, status);
}
