// The zone walk over a GAZS or GZS answer: zone set header, zones, members of
// every type, and their records written to a stream. An odd-sized input is
// walked as the active copy.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "ZoneDecode.h"
#include "ZoneWalk.h"

namespace {
FILE* sink() {
    static FILE* stream = std::fopen("/dev/null", "w");
    return stream;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteSpan buffer{data, size};
    ZoneSetHeader header;
    const bool headerRead = decodeZoneSetHeader(buffer, header);
    if (headerRead && header.firstZoneOffset > size) __builtin_trap();

    ZoneWalkSource source;
    source.handle = 1;
    source.fabricWwn = "100000051E0A0001";
    source.zoneSetName = headerRead ? header.name.c_str() : "";
    source.isActiveCopy = static_cast<int>(size % 2);
    source.command = source.isActiveCopy ? "GAZS" : "GZS";
    RecordSink out(sink(), "");
    const int result = walkZoneSet(source, buffer, out, 1);
    if (result != 0 && result != -1002) __builtin_trap();

    // Zones and members at every offset a walk could meet: each must end inside the buffer.
    for (std::size_t offset = 0; offset < size && offset < 64; ++offset) {
        ZoneMemberText member;
        if (decodeZoneMember(buffer, offset, member) == MemberDecode::ok && offset + member.size > size)
            __builtin_trap();
        ZoneHeader zone;
        if (decodeZoneHeader(buffer, offset, zone) &&
            (zone.memberCountOffset + 4 > size || zone.name.size() > size - offset))
            __builtin_trap();
    }
    return 0;
}
