#include "CmdArgs.h"

#include <new>

#include "CmdTables.h"
#include "InstallDir.h"
#include "KeywordMatch.h"
#include "LogUtil.h"

CmdArgs::CmdArgs(int argCount, char** argVector, int toolKind)
    : argc(argCount), argv(argVector), toolKind_(toolKind) {}

const char* CmdArgs::argAt(int index) const {
    return argv && index >= 0 && index < argc ? argv[index] : nullptr;
}

const std::string& CmdArgs::getInstallDir() {
    if (installDir.empty()) installDir = deriveInstallDir(argAt(0), programName);
    return installDir;
}

int CmdArgs::callHandler(const KeywordRow& row) {
    if (!row.handler) return CMDARGS_OK;
    if (row.takesValue) ++argIndex;
    try {
        return row.handler(argAt(argIndex), *this);
    } catch (const std::bad_alloc&) {
        return CMDARGS_NO_MEMORY;
    }
}

int CmdArgs::matchCommand(const KeywordRow* table) {
    const char* arg = argAt(argIndex);
    currentArg = arg ? arg : "";
    if (!arg || arg[0] != '-' || !table || !table[0].name) return CMDARGS_NO_COMMAND;
    for (const KeywordRow* row = table; row->name; ++row) {
        if (keywordEquals(arg + 1, row->name)) {
            int result = callHandler(*row);
            ++argIndex;
            return result;
        }
    }
    return CMDARGS_NO_COMMAND;
}

bool CmdArgs::isOption(const KeywordRow* table, const unsigned char* valid, int optionCount,
                       int command) const {
    const char* arg = argAt(argIndex);
    if (!arg || !arg[0] || !table) return false;
    for (const KeywordRow* row = table; row->name; ++row) {
        if (keywordEquals(arg + 1, row->name))
            return row->number >= 0 && row->number < optionCount && valid[command * optionCount + row->number];
    }
    return false;
}

int CmdArgs::parseOptions(const KeywordRow* table, const unsigned char* valid, int optionCount) {
    if (argIndex >= argc) return CMDARGS_INVALID_OPTION;
    while (argIndex < argc) {
        const char* arg = argAt(argIndex);
        currentArg = arg ? arg : "";
        int result = CMDARGS_INVALID_OPTION;
        if (arg && arg[0] == '-') {
            for (const KeywordRow* row = table; row->name; ++row) {
                if (!keywordEquals(arg + 1, row->name)) continue;
                const bool allowed = row->number >= 0 && row->number < optionCount &&
                                     valid[commandId * optionCount + row->number];
                result = allowed ? callHandler(*row) : CMDARGS_INVALID_OPTION;
                break;
            }
        }
        if (result != CMDARGS_OK) return result;
        ++argIndex;
    }
    return CMDARGS_OK;
}

int CmdArgs::parse() {
    if (toolKind_ != TOOL_FABRIC_PROBE) return CMDARGS_OK;  // the other tools parse with their own handlers
    return parseFabricProbe();
}

int CmdArgs::parseFabricProbe() {
    const unsigned char* valid = &validFprobeOptions[0][0];
    commandId = FPROBE_COMMAND_PROBE;
    if (argc > 1) {
        int result = matchCommand(fprobeCmdTable);
        // Without a command word the run is a probe, when its first option fits one.
        if (result == CMDARGS_NO_COMMAND && isOption(fprobeOptionTable, valid, FPROBE_OPTION_COUNT, FPROBE_COMMAND_PROBE)) {
            commandId = FPROBE_COMMAND_PROBE;
            jobType = "FABRICPROBE";
            result = CMDARGS_OK;
        }
        if (result != CMDARGS_OK) return result;
    }
    if (commandId < 0 || commandId >= FPROBE_COMMAND_COUNT) return CMDARGS_INVALID_OPTION;
    if (argIndex < argc) {
        int result = parseOptions(fprobeOptionTable, valid, FPROBE_OPTION_COUNT);
        if (result != CMDARGS_OK) return result;
    }
    return completeParse();
}

int CmdArgs::completeParse() {
    if (installLoc.empty()) installLoc = getInstallDir();
    if (installLoc.empty()) {
        errorText = "Unable to determine install location\n";
        return CMDARGS_NO_INSTALL_LOCATION;
    }
    const int component = componentNumberOf(toolKind_);
    const std::string name = componentName(component);
    LogConfig config;
    config.maxNumLogs = maxNumLogs;
    config.maxNumRuns = maxNumRuns;
    config.maxNumDays = maxNumDays;
    config.maxLogSize = maxLogSize;
    PsFileHold logHold, traceHold;
    logFile = nameActivityLog(installLoc, serverName, name, config, &logHold);
    dataFile = nameDataFile(installLoc, serverName, name);
    if (debugLevel != 0 && traceFile.empty())
        traceFile = nameTraceFile(logFile, installLoc, name, component, config, &traceHold);
    heldFiles_ = {logHold, traceHold};
    return CMDARGS_OK;
}
