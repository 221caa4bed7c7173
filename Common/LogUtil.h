// Numbered log and trace file names per component, and pruning of old ones.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "psfilehold.h"
#include "ut/logutils.h"

struct LogConfig {
    std::int32_t maxNumLogs = 8;
    std::int32_t maxNumRuns = 5;
    std::int32_t maxNumDays = 90;
    std::int32_t maxLogSize = kDefaultMaxLogKilobytes;
    bool newFile = false;
};

using LogFileMap = std::map<std::int32_t, std::string>;  // file number -> full path

LogFileMap getMatchingFilesMap(const std::string& dir, const std::string& component,
                               const std::string& ext);
std::string getNextLogName(LogConfig& config, const std::string& dir, const std::string& component,
                           const std::string& ext, bool reuse);
void purgeLogFiles(const LogConfig& config, const LogFileMap& files, bool ageFlag);

// The naming steps at the end of the command-line parse. With hold, the file
// named is held for the run (the log created, the trace reserved) before the
// older ones are pruned; pruning passes over files other runs hold.
std::string nameActivityLog(const std::string& installLoc, const std::string& serverName,
                            const std::string& component, const LogConfig& config,
                            PsFileHold* hold = nullptr);
std::string nameTraceFile(const std::string& logFile, const std::string& installLoc,
                          const std::string& component, int componentNumber,
                          const LogConfig& config, PsFileHold* hold = nullptr);
std::string nameDataFile(const std::string& installLoc, const std::string& serverName,
                         const std::string& component);
