// The command-line record shared by the agent's tools, and its parser.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "psfilehold.h"

class CmdArgs;

// Receives the keyword's value (null when the keyword was the last argument),
// or the keyword itself for a keyword without value; 0 accepts it.
using CmdHandler = int (*)(const char* value, CmdArgs& args);

// One keyword of a command or option table; a table ends with a null name.
struct KeywordRow {
    const char* name;         // without the leading '-'
    int number;               // command number, or the option's validity column
    CmdHandler handler;       // may be null
    unsigned char takesValue; // 1: the next argument is the value
};

// Parse results besides the handlers' own (6 missing value, 3 invalid value, 102 no memory).
enum : int {
    CMDARGS_OK = 0,
    CMDARGS_NO_COMMAND = 2,
    CMDARGS_INVALID_OPTION = 3,
    CMDARGS_MISSING_VALUE = 6,
    CMDARGS_NO_INSTALL_LOCATION = 59,
    CMDARGS_NO_MEMORY = 102,
};

class CmdArgs {
public:
    // argv is kept, not copied: it must outlive the record.
    CmdArgs(int argc, char** argv, int toolKind);

    // 0, or the result of the failing step (errorText and currentArg tell which).
    int parse();
    // The installation directory derived from the program path; empty when unknown.
    const std::string& getInstallDir();
    int toolKind() const { return toolKind_; }

    std::int32_t serverPort = -1;
    std::int32_t maxLogSize = 1024;  // kilobytes
    std::int32_t maxNumLogs = 8;
    std::int32_t maxNumRuns = 5;
    std::int32_t maxNumDays = 90;
    std::int32_t agentComFd = -1;
    std::string serverName;
    std::string debugWord;  // "MIN", "MID", "MAX" or empty
    std::string logFile;
    std::string jobType;
    std::string installLoc;
    std::string dataFile;
    std::string traceFile;
    std::string installDir;
    std::vector<std::string> serverIpList;
    std::string serverIp;
    std::string programName;
    std::string currentArg;
    std::int32_t debugLevel = 0;  // 0 none, 1 MAX, 2 MID, 3 MIN
    std::int32_t commandId = 0;
    std::string fabricProbeCmd;
    std::string fabricProbeFabrics;
    std::string fabricProbeJobTimestamp;
    std::string fabricProbeDiscoverRequestId;
    std::string fabricProbeJobId;
    std::int32_t jobStartTime = -1;  // seconds since the epoch
    std::int32_t jobEndTime = -1;
    std::string errorText;
    std::int32_t argc = 0;
    char** argv = nullptr;
    std::int32_t argIndex = 1;

private:
    int matchCommand(const KeywordRow* table);
    bool isOption(const KeywordRow* table, const unsigned char* valid, int optionCount, int command) const;
    int parseOptions(const KeywordRow* table, const unsigned char* valid, int optionCount);
    int callHandler(const KeywordRow& row);
    int parseFabricProbe();
    int completeParse();
    const char* argAt(int index) const;

    std::int32_t toolKind_;
    // The job's log and trace, held while the record lives, so that runs
    // started beside this one never prune them.
    std::vector<PsFileHold> heldFiles_;
};
