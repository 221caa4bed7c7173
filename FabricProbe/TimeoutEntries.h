// The timeout-entries file: one line "GPLT:<handle>:<platform name>" per
// platform whose GPLT timed out, so that no later run waits for it again.
// The probe only reads and appends, never through a symbolic link in the
// file's place; file errors never stop it.
#pragma once

#include <cstddef>

#include "GsTypes.h"

inline constexpr char kTimeoutEntriesFile[] = "FABRIC_PROBE_TIMEOUT_ENTRIES";
// Names longer than this are not entered.
constexpr std::size_t kMaxTimeoutEntryName = 485;
constexpr std::size_t kTimeoutKeySize = 512;

void formatTimeoutKey(char (&key)[kTimeoutKeySize], HbaHandle handle, const char* platformName);

// A line names the key when its text up to its first NUL byte, without its
// line feed, equals the key exactly.
bool timeoutLineMatches(const char* line, const char* key);

// True when a whole line of the file equals key; false also when it cannot be read.
bool findTimeoutEntry(const char* path, const char* key);

// Appends the entry as one line. Names that could not be read back as one
// line (too long, or holding a line feed) are not entered.
void appendTimeoutEntry(const char* path, HbaHandle handle, const char* platformName);
