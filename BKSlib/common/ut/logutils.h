// The runtime library's log file record: one appended, time-stamped line at a time.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "../nls/amsgtime.h"

struct LogFileRecord {
    std::string name;          // at most 1,023 characters
    FILE* stream = nullptr;
    bool open = false;
    int lastError = 0;
    std::uint32_t maxSize = 0;        // 0: no wrapping, no header record
    std::uint32_t retentionDays = 0;  // 0: no pruning
    bool unicode = false;
    NlStampCache stamp;               // date and time of the lines written
};

// Catalog numbers of the library's own file messages.
inline constexpr unsigned kMsgLinkDeleted = 238;      // %s link path
inline constexpr unsigned kMsgLinkNotDeleted = 239;   // %s link path, %s error text
inline constexpr unsigned kMsgLogIsLink = 240;        // %s log path
inline constexpr unsigned kMsgLogOpenFailed = 264;    // %s log path, %d error number, %s error text

// Opens record.name for appending, unbuffered, creating missing directories.
// A symbolic link in its place is deleted, never written through. 0 on success;
// otherwise the failure is reported through the catalog and record.lastError set.
int logOpen(LogFileRecord& record);
// Writes "<date> <time>.<ms> <text>" and a line feed when the text has none.
// A failed write only sets record.lastError.
void logWriteLine(LogFileRecord& record, const char* text);
// Creates a directory and its missing parents; 0 or the system's error number.
int logMakeDirectories(const std::string& dir);
