// Walks a zone set object held in a response buffer and writes its zones and
// members as it reads them. Needs no adapter: a fuzzer can drive it on any
// bytes with a stream on /dev/null.
#pragma once

#include <cstddef>
#include "ByteSpan.h"
#include "GsTypes.h"
#include "RecordSink.h"

// Where a walk's zone set comes from and how its records are named.
struct ZoneWalkSource {
    HbaHandle handle = 0;              // trace lines only
    const char* fabricWwn = "";
    const char* zoneSetName = "";      // the name the records carry
    int isActiveCopy = 0;              // 1: the buffer holds the GAZS response
    const char* command = "GZS";       // the message insert when the buffer is bad
};

// Writes [ZoneSetToZone], [Zone] and the zone's members for every zone of the
// zone set object in `buffer`. 0; -1002 after logging AGT0432E when the buffer
// does not hold what its counts say (records written so far stay); or a
// writer's negative result, unchanged (kept in the sink, which logs nothing here).
int walkZoneSet(const ZoneWalkSource& source, ByteSpan buffer, RecordSink& out, int invocationType);

// One zone: its member count lies at memberCountOffset. Hands back in
// nextOffset the offset after its last member. 0; -1002 when a member would
// end past the buffer or has a type we cannot size; or a writer's negative result.
int getZoneInfo(HbaHandle handle, const char* fabricWwn, const char* zoneSetName,
                const char* zoneName, ByteSpan buffer, std::size_t memberCountOffset,
                RecordSink& out, int invocationType, int isActiveCopy, std::size_t& nextOffset);
