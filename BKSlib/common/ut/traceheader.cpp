#include "traceheader.h"

#include <cstdio>
#include <cstring>

namespace {

const char kMagic[] = "ORX Trace   ";

// Reads an unsigned decimal after optional blanks, as sscanf's %u would.
bool readNumber(const char* p, const char* end, const char** after, std::uint64_t* value) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p == end || *p < '0' || *p > '9') return false;
    std::uint64_t v = 0;
    for (; p < end && *p >= '0' && *p <= '9'; ++p) {
        if (v > (UINT64_MAX - 9) / 10) return false;
        v = v * 10 + static_cast<unsigned>(*p - '0');
    }
    *value = v;
    *after = p;
    return true;
}

}  // namespace

std::optional<TraceHeader> parseTraceHeader(const char* data, std::size_t size,
                                            std::uint64_t fileSize) {
    if (!data) return std::nullopt;
    const std::size_t window = size < kTraceHeaderLineMax ? size : kTraceHeaderLineMax;
    const char* nl = static_cast<const char*>(std::memchr(data, '\n', window));
    if (!nl) return std::nullopt;
    const char* end = nl;
    const std::size_t magicLen = sizeof kMagic - 1;
    if (static_cast<std::size_t>(end - data) < magicLen || std::memcmp(data, kMagic, magicLen - 3) != 0)
        return std::nullopt;
    const char* p = data + magicLen - 3;  // "ORX Trace" then blanks before the numbers
    TraceHeader h{};
    if (!readNumber(p, end, &p, &h.nextWrite)) return std::nullopt;
    if (!readNumber(p, end, &p, &h.maxMegabytes)) return std::nullopt;
    h.firstLineLength = static_cast<std::size_t>(nl - data) + 1;
    // The fields are fixed-width; anything else was not written by us.
    if (h.firstLineLength <= kTraceSizeFieldOffset + 10) return std::nullopt;
    // A next-write offset inside the header or past the end would overwrite
    // the header or leave a hole.
    if (h.nextWrite < h.firstLineLength || h.nextWrite > fileSize) return std::nullopt;
    return h;
}

std::string formatTraceNextField(std::uint64_t nextWrite) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%-12llu", static_cast<unsigned long long>(nextWrite));
    return buf;
}

std::string formatTraceSizeLine(std::uint64_t maxMegabytes, const char* buildDate) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%-10llu Vexlo Orxan 5.1.1.14   Build date: %.64s\n",
                  static_cast<unsigned long long>(maxMegabytes), buildDate ? buildDate : "");
    return buf;
}

std::string formatTraceHeader(std::optional<std::uint64_t> nextWrite, std::uint64_t maxMegabytes,
                              const char* buildDate) {
    std::string h = kMagic;
    h += nextWrite ? formatTraceNextField(*nextWrite) : std::string("123456789012");
    h += formatTraceSizeLine(maxMegabytes, buildDate);
    h += "\n";
    return h;
}
