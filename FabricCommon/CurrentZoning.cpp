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
    if (status != 0) NATRACE(TR_MIN, "function %s exiting error status %d\n", fn, status);
    NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, static_cast<int>(handle),
            status);
    return status;
}

int writeZoneSet(const std::string& uniqueId, const std::string& name, bool active,
                 const char* fabricWwn, FILE* stream, int invocationType) {
    int result = printFabricToZoneSet(uniqueId.c_str(), fabricWwn, stream);
    if (result == 1)
        result = printZoneSet(uniqueId.c_str(), name.c_str(), active ? "TRUE" : "FALSE", stream,
                              invocationType);
    if (result == 1) return 0;
    // A 0 from a writer is still a failed write, never a success.
    return result < 0 ? result : FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE;
}

}  // namespace

int getCurrentZoningInfo(HbaHandle handle, const Wwn& hbaPortWwn, const char* fabricName,
                         FILE* stream, int invocationType) {
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

    // 1. The active zone set; a failed query means the fabric has none.
    bool activeExists = false;
    std::string activeName;
    if (getActiveZoneSet(handle, hbaPortWwn, buffers->active.get(), kZoneSetResponseSize) == 0) {
        ZoneSetHeader header;
        if (!decodeZoneSetHeader(active, header)) {
            naLogMessage(AGT0432E, "GAZS");
            return finish(handle, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
        }
        activeName = header.name;
        activeExists = true;
    }
    // Without an active zone set no name can match it, not even an empty one.
    auto isActiveName = [&](const std::string& name) { return activeExists && name == activeName; };

    // 2. The zone database's names.
    std::uint32_t databaseCount = 0;
    const bool listAccepted = getZoneSetList(handle, hbaPortWwn, buffers->list.get(),
                                             kZoneSetNameListResponseSize) == 0;
    if (listAccepted) list.be32(16, databaseCount);

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
        ZoneWalkSource source;
        source.handle = handle;
        source.fabricWwn = fabricWwn;
        std::string name;
        ByteSpan buffer;
        if (fullDatabase) {
            name = names[i];
            if (getZoneSet(handle, hbaPortWwn, name, buffers->zoneSet.get(),
                           kZoneSetResponseSize) != 0)
                continue;
            buffer = zoneSet;
            source.isActiveCopy = 0;
            source.command = "GZS";
        } else {
            name = activeName;
            buffer = active;
            source.isActiveCopy = 1;
            source.command = "GAZS";
        }
        source.zoneSetName = name.c_str();
        const std::string id = zoneSetUniqueId(fabricWwn, name, isActiveName(name));
        int status = writeZoneSet(id, name, isActiveName(name), fabricWwn, stream, invocationType);
        if (status == 0) status = walkZoneSet(source, buffer, stream, invocationType);
        if (status != 0) return finish(handle, status);
    }

    // 5. The active copy.
    if (activeExists) {
        NATRACE(TR_MIN, "printing active copy of zoneset\n");
        ZoneWalkSource source;
        source.handle = handle;
        source.fabricWwn = fabricWwn;
        source.zoneSetName = activeName.c_str();
        source.isActiveCopy = 1;
        source.command = "GAZS";
        int status = writeZoneSet(zoneSetUniqueId(fabricWwn, activeName, true), activeName, true,
                                  fabricWwn, stream, invocationType);
        if (status == 0) status = walkZoneSet(source, active, stream, invocationType);
        if (status != 0) return finish(handle, status);
    } else {
        NATRACE(TR_MIN, "function %s for handle %d no active zoneset copy exists\n", fn,
                static_cast<int>(handle));
    }
    return finish(handle, 0);
}
