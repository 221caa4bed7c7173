// Formatting of trace lines: the file/line prefix, the text, one line per call.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "trace.h"

namespace {

constexpr std::size_t kWorkBuffer = 4862;
constexpr std::size_t kLibArea = 4860;
// A format that keeps failing is given up rather than doubled for ever.
constexpr std::size_t kRoomCeiling = std::size_t{1} << 26;

const char* baseNameOf(const char* path) {
    if (!path) return "";
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// "%-20s(%4u): " when the prefix class is on; its length.
int writeFilePrefix(char* buf, std::size_t size, const char* baseName, unsigned line) {
    if (!TR_PREFIX) return 0;
    int n = std::snprintf(buf, size, "%-20s(%4u): ", baseName, line);
    if (n < 0) return 0;
    return static_cast<std::size_t>(n) < size ? n : static_cast<int>(size - 1);
}

bool endsWithLineFeed(const char* format) {
    std::size_t len = std::strlen(format);
    return len > 0 && format[len - 1] == '\n';
}

}  // namespace

int trPrintf(const char* baseName, unsigned line, const char* format, va_list args) {
    if (!trIsActive() || !format) return 0;
    const int savedErrno = errno;
    int result = 0;
    try {
        const bool addLineFeed = !endsWithLineFeed(format);
        char first[kWorkBuffer];
        std::string grown;
        char* buf = first;
        std::size_t bufSize = sizeof first;
        int prefixLen = writeFilePrefix(buf, bufSize, baseName, line);
        std::size_t room = bufSize - static_cast<std::size_t>(prefixLen);
        int textLen = 0;
        for (;;) {
            va_list copy;
            va_copy(copy, args);
            textLen = std::vsnprintf(buf + prefixLen, room, format, copy);
            va_end(copy);
            if (textLen >= 0 && static_cast<std::size_t>(textLen) < room) break;
            room = textLen < 0 ? room * 2 : static_cast<std::size_t>(textLen) + 1;
            if (room > kRoomCeiling) {
                errno = savedErrno;
                return 0;
            }
            grown.assign(room + static_cast<std::size_t>(prefixLen), '\0');
            buf = grown.data();
            bufSize = grown.size();
            prefixLen = writeFilePrefix(buf, bufSize, baseName, line);
        }
        std::string lineText(buf, static_cast<std::size_t>(prefixLen + textLen));
        if (addLineFeed) lineText += '\n';
        trOutput(lineText.c_str());
        result = textLen;
    } catch (const std::bad_alloc&) {
        result = 102;
    }
    errno = savedErrno;
    return result;
}

int trLibPrintf(const char* file, unsigned line, const char* format, ...) {
    if (!trIsActive() || !format) return 0;
    const int savedErrno = errno;
    char area[kLibArea];
    int prefixLen = writeFilePrefix(area, sizeof area, baseNameOf(file), line);
    va_list args;
    va_start(args, format);
    int textLen = std::vsnprintf(area + prefixLen, sizeof area - static_cast<std::size_t>(prefixLen), format, args);
    va_end(args);
    if (textLen < 0) {
        errno = savedErrno;
        return 0;
    }
    // Cut to the area; the line still ends with its line feed.
    std::size_t used = std::strlen(area);
    if (used == 0 || area[used - 1] != '\n') {
        if (used + 1 >= sizeof area) used = sizeof area - 2;
        area[used] = '\n';
        area[used + 1] = '\0';
    }
    trOutput(area);
    errno = savedErrno;
    return textLen;
}
