// GPNL (256-byte platform name entries), GPLNL (8-byte node names) and GPLT,
// decoded as platform discovery decodes them.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "PlatformQueries.h"
#include "TopologyDecode.h"

namespace {
constexpr std::size_t kNodeEntrySize = 8;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteSpan response{data, size};

    const ListCount platforms = decodeListCount(response, kNameEntrySize);
    if (platforms.usable > platforms.declared) __builtin_trap();
    for (std::uint32_t i = 0; i < platforms.usable; ++i) {
        const ByteSpan entry = listEntry(response, kNameEntrySize, i);
        // The entry is sent back unchanged as the payload of the platform queries.
        if (entry.size != kNameEntrySize) __builtin_trap();
        char name[kPlatformTextField];
        const std::size_t kept = decodeCountedText(entry, name, sizeof name);
        if (kept >= sizeof name || std::strlen(name) != kept) __builtin_trap();
    }

    const ListCount nodes = decodeListCount(response, kNodeEntrySize);
    for (std::uint32_t i = 0; i < nodes.usable; ++i) {
        const ByteSpan entry = listEntry(response, kNodeEntrySize, i);
        if (entry.size != kNodeEntrySize) __builtin_trap();
        (void)formatWwn(entry.data);
    }

    std::uint32_t type = 0;
    (void)decodeWordAt16(response, type);
    return 0;
}
