// The ring trace file's header, read back from whatever the file holds, and the
// header the facility writes read back to the same numbers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "ut/traceheader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    // The file may be longer than what was read of it.
    std::uint64_t extra = 0;
    if (size >= 8) std::memcpy(&extra, data + size - 8, 8);
    for (const std::uint64_t fileSize : {static_cast<std::uint64_t>(size), static_cast<std::uint64_t>(size) + (extra & 0xFFFFF)}) {
        const auto header = parseTraceHeader(text, size, fileSize);
        if (!header) continue;
        if (header->firstLineLength > size || header->firstLineLength > kTraceHeaderLineMax) __builtin_trap();
        if (header->nextWrite < header->firstLineLength || header->nextWrite > fileSize) __builtin_trap();
    }

    // Round trip of the numbers the facility writes.
    std::uint64_t next = 0, megabytes = 0;
    if (size >= 16) {
        std::memcpy(&next, data, 8);
        std::memcpy(&megabytes, data + 8, 8);
        // Fields of 12 and 10 characters; a 12-digit offset (a trace of 100 GB)
        // would leave no blank before the size field.
        next %= 100000000000ULL;
        megabytes %= 10000000000ULL;
        const std::string written = formatTraceHeader(next, megabytes, "2024-01-01 00:00:00");
        const auto header = parseTraceHeader(written.data(), written.size(), UINT64_MAX);
        const std::size_t firstLine = written.find('\n') + 1;
        if (next >= firstLine) {
            if (!header || header->nextWrite != next || header->maxMegabytes != megabytes ||
                header->firstLineLength != firstLine)
                __builtin_trap();
        } else if (header) {
            __builtin_trap();  // an offset inside the header is never trusted
        }
    }
    return 0;
}
