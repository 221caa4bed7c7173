#include "TimeoutEntries.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "naTrace.h"
#include "psnautil.h"

namespace {
constexpr int kReadBufferSize = 499;

// fgets, but the length comes from what was consumed: a NUL byte inside a line
// must not make it look like the first piece of a longer one.
bool readPiece(FILE* file, char (&piece)[kReadBufferSize], std::size_t& length) {
    length = 0;
    int c = 0;
    while (length + 1 < sizeof piece && (c = std::getc(file)) != EOF) {
        piece[length++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    piece[length] = '\0';
    return length > 0;
}

void closeTraced(FILE* file) {
    if (std::fclose(file) != 0) {
        int err = errno;
        NATRACE(TR_MIN, "error closing file errno %d error description %s\n", err, std::strerror(err));
    }
}
}  // namespace

void formatTimeoutKey(char (&key)[kTimeoutKeySize], HbaHandle handle, const char* platformName) {
    std::snprintf(key, sizeof key, "%s:%d:%s", "GPLT", static_cast<int>(handle), platformName);
}

bool timeoutLineMatches(const char* line, const char* key) {
    std::size_t length = std::strlen(line);
    if (length > 0 && line[length - 1] == '\n') --length;
    return length == std::strlen(key) && std::memcmp(line, key, length) == 0;
}

bool findTimeoutEntry(const char* path, const char* key) {
    FILE* file = psOpenFileNoLink(path, "r");
    if (!file) {
        int err = errno;
        NATRACE(TR_MAX,
                "Unable to open timeout entries file for read. assuming no entries for which hba api "
                "call should not be issued....errno %d error description %s\n",
                err, std::strerror(err));
        return false;
    }
    char line[kReadBufferSize];
    // A line longer than the buffer arrives in pieces; only a piece that
    // starts a line can be a whole line. Its text ends at its first NUL.
    bool atLineStart = true;
    std::size_t length = 0;
    while (readPiece(file, line, length)) {
        const bool endsLine = line[length - 1] == '\n';
        const bool whole = atLineStart && (endsLine || std::feof(file));
        atLineStart = endsLine;
        NATRACE(TR_MAX, "Comparing buff [%s] with entry [%s] length of entry is %d\n", key, line,
                static_cast<int>(length));
        if (whole && timeoutLineMatches(line, key)) {
            NATRACE(TR_MIN, "skipping GPLT hba api call for entry --%s--", line);
            closeTraced(file);
            return true;
        }
        NATRACE(TR_MAX, "no match will check next timeout entry\n");
    }
    closeTraced(file);
    return false;
}

void appendTimeoutEntry(const char* path, HbaHandle handle, const char* platformName) {
    if (std::strlen(platformName) > kMaxTimeoutEntryName) {
        NATRACE(TR_MIN, "exceeded max length of entry will not write entry to file\n");
        return;
    }
    // A line feed would split the entry and let a fabric's name plant entries for other platforms.
    if (std::strchr(platformName, '\n')) {
        NATRACE(TR_MIN, "platform name holds a line feed will not write entry to file\n");
        return;
    }
    char entry[kTimeoutKeySize];
    formatTimeoutKey(entry, handle, platformName);
    FILE* file = psOpenFileNoLink(path, "a");
    if (!file) {
        int err = errno;
        NATRACE(TR_MAX, "can not open the file to write timeout entry.... errorno %d error description %s\n",
                err, std::strerror(err));
        return;
    }
    // One formatted write of the whole line, flushed at once, so concurrent appenders do not interleave.
    int rc = std::fprintf(file, "%s\n", entry);
    if (rc >= 0 && std::fflush(file) != 0) rc = EOF;
    if (rc < 0) {
        int err = errno;
        NATRACE(TR_MIN, "could not write entry to timeout file return code %d %s....\n", rc, std::strerror(err));
    } else {
        NATRACE(TR_MAX, "successfully wrote entry %s to file\n", entry);
    }
    closeTraced(file);
}
