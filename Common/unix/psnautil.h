// Starting external programs, waiting for them, and small file services.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct SpawnInfo {
    std::int32_t pid = 0;     // the child, set by SpawnExternalProgram
    std::string stdoutFile;   // used only when output is redirected;
    std::string stderrFile;   // an empty name gets a new temporary file
};

// Runs command (null-terminated; element 0 the program or a shell command list)
// through /bin/sh. quote: enclose every argument in single quotes, so each
// reaches the program exactly as given. envp null: the current environment.
// 0 when the child was started, 71 when it could not be created.
int SpawnExternalProgram(const char* const* command, SpawnInfo& info, bool redirect, bool quote,
                         bool append, char* const* envp);

// Waits for the child of info; timeoutSeconds <= 0 waits without limit.
// 0 the child ended (*exitCode: its exit status, or the signal that ended it),
// 68 the time-out expired and the child was killed, 74 waiting or the alarm
// set-up failed, -1 the child could not be killed.
int WaitForExternalProgram(SpawnInfo info, int* exitCode, int timeoutSeconds);

// The shell command text SpawnExternalProgram runs.
std::string buildShellCommand(const char* const* command, bool quote);

// Both take the path without one pair of enclosing double quotes and leave
// that form in path. psRemoveFile: 0 deleted, -1 not. psFileExist: 1 or 0.
int psRemoveFile(std::string& path);
int psFileExist(std::string& path);

// path without one pair of enclosing double quotes (when longer than 2 characters).
std::string stripQuotes(const std::string& path);

// fopen for the modes "r", "w" and "a" that never goes through a symbolic
// link in the path's last component: a link there fails with ELOOP. A file it
// creates is 0640 whatever the umask. The descriptor is not inherited by
// programs the probe starts.
FILE* psOpenFileNoLink(const std::string& path, const char* mode);
