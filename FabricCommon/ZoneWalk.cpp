#include "ZoneWalk.h"

#include <string>

#include "ReturnCodes.h"
#include "ZoneDecode.h"
#include "ZoneIds.h"
#include "ZoneWriters.h"
#include "naMessages.h"
#include "TraceScope.h"
#include "naTrace.h"

namespace {

constexpr std::size_t kCountSize = 4;

}  // namespace

int getZoneInfo(HbaHandle handle, const char* fabricWwn, const char* zoneSetName,
                const char* zoneName, ByteSpan buffer, std::size_t memberCountOffset,
                RecordSink& out, int invocationType, int isActiveCopy, std::size_t& nextOffset) {
    static const char fn[] = "getZoneInfo()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    NATRACE(TR_MAX, "zone %s of zoneset %s for handle %d\n", zoneName, zoneSetName,
            static_cast<int>(handle));

    std::uint32_t memberCount = 0;
    if (!buffer.be32(memberCountOffset, memberCount))
        return traceErrorReturn(fn, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);

    const bool activeCopy = isActiveCopy == 1;
    const std::string zoneSetId = zoneSetUniqueId(fabricWwn, zoneSetName, activeCopy);
    const std::string zoneId = zoneUniqueId(fabricWwn, zoneSetName, zoneName, activeCopy);
    NATRACE(TR_MIN, "zonesetUniqueId is %s zoneUniqueId is %s\n", zoneSetId.c_str(), zoneId.c_str());

    if (!out.put(printZoneSetToZone(zoneSetId.c_str(), zoneId.c_str(), out.stream())) ||
        !out.put(printZone(zoneId.c_str(), zoneName, "None", out.stream(), invocationType)))
        return traceErrorReturn(fn, out.failure());

    std::size_t offset = memberCountOffset + kCountSize;
    // One name and one identifier buffer serve all the zone's members.
    ZoneMemberText member;
    std::string memberId;
    for (std::uint32_t i = 0; i < memberCount; ++i) {
        if (decodeZoneMember(buffer, offset, member) != MemberDecode::ok)
            return traceErrorReturn(fn, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
        assignZoneMemberUniqueId(memberId, fabricWwn, member.name, member.typeName);
        if (!out.put(printZoneMember(memberId.c_str(), member.name.c_str(), member.typeName, out.stream(),
                                     invocationType)) ||
            !out.put(printZoneToMember(memberId.c_str(), zoneId.c_str(), out.stream())))
            return traceErrorReturn(fn, out.failure());
        offset += member.size;
    }
    nextOffset = offset;
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return 0;
}

int walkZoneSet(const ZoneWalkSource& source, ByteSpan buffer, RecordSink& out, int invocationType) {
    static const char fn[] = "walkZoneSet()";
    // Its lines belong to the zoning probe's own story in the trace.
    static const char probeFn[] = "getCurrentZoningInfo()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    const int handle = static_cast<int>(source.handle);

    bool bad = false;
    ZoneSetHeader zoneSet;
    if (!decodeZoneSetHeader(buffer, zoneSet)) bad = true;

    std::size_t offset = zoneSet.firstZoneOffset;
    for (std::uint32_t i = 0; !bad && i < zoneSet.zoneCount; ++i) {
        ZoneHeader zone;
        if (!decodeZoneHeader(buffer, offset, zone) || zone.name.empty()) {
            bad = true;
            break;
        }
        NATRACE(TR_MIN,
                "function %s for handle %d zoneset name is %s zone name %d is %s num zone members "
                "is %d\n",
                probeFn, handle, source.zoneSetName, static_cast<int>(i), zone.name.c_str(),
                static_cast<int>(zone.memberCount));
        std::size_t next = 0;
        int result = getZoneInfo(source.handle, source.fabricWwn, source.zoneSetName,
                                 zone.name.c_str(), buffer, zone.memberCountOffset, out,
                                 invocationType, source.isActiveCopy, next);
        if (result == FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT) {
            bad = true;
            break;
        }
        if (result < 0) return traceErrorReturn(fn, result);
        offset = next;
    }

    if (bad) {
        naLogMessage(AGT0432E, source.command);
        return traceErrorReturn(fn, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return 0;
}
