// GZSN: the zone set names of the zone database.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ZoneDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> names;
    (void)decodeZoneSetNameList(ByteSpan{data, size}, names);
    // Every entry takes at least 8 bytes after the 20-byte head.
    if (!names.empty() && names.size() > (size - 20) / 8) __builtin_trap();
    for (const std::string& name : names)
        if (name.size() > 255) __builtin_trap();
    return 0;
}
