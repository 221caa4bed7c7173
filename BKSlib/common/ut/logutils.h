// The runtime library's log file record: one appended, time-stamped line at a time.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "../nls/amsgtime.h"

struct LogFileRecord {
    std::string name;          // at most 1,023 characters
    int fd = -1;               // the open log, written unbuffered
    bool open = false;
    int lastError = 0;
    std::uint32_t maxSize = 0;        // 0: no wrapping, no header record
    std::uint32_t retentionDays = 0;  // 0: no pruning
    bool unicode = false;
    NlStampCache stamp;               // date and time of the lines written
    // The name last found to be a regular file, and the second it was checked in.
    std::string checkedName;
    std::int64_t checkedSecond = INT64_MIN;
};

// The size limit of a log in kilobytes unless -maxLogSize gives another.
inline constexpr std::int32_t kDefaultMaxLogKilobytes = 1024;

// Catalog numbers of the library's own file messages.
inline constexpr unsigned kMsgLinkDeleted = 238;      // %s link path
inline constexpr unsigned kMsgLinkNotDeleted = 239;   // %s link path, %s error text
inline constexpr unsigned kMsgLogIsLink = 240;        // %s log path
inline constexpr unsigned kMsgLogOpenFailed = 264;    // %s log path, %d error number, %s error text

// Opens record.name for appending, unbuffered, creating it (0640) and missing directories.
// A symbolic link in its place is deleted, never written through; anything else
// that is not a regular file is refused. 0 on success; otherwise the failure is
// reported through the catalog and record.lastError set.
int logOpen(LogFileRecord& record);
// Writes "<date> <time>.<ms> <text>" and a line feed when the text has none.
// A failed write only sets record.lastError.
void logWriteLine(LogFileRecord& record, const char* text);
// Creates a directory and its missing parents (0750); 0 or the system's error number.
int logMakeDirectories(const std::string& dir);

// Why a file of this kind is refused as a log or trace: the error number and a
// text that names the kind, e.g. "No such device or address (a FIFO, not a
// regular file)".
int logNotRegularError(mode_t mode);
std::string logNotRegularText(mode_t mode);

// Keeps an unnumbered log within maxKilobytes by the numbered logs' rule: when
// less than 1,024 bytes would be left, the file becomes "<path>.1" (replacing an
// older one) and the next line starts a new file.
void logBoundSize(const std::string& path, int fd, std::int32_t maxKilobytes);
