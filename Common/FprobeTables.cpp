// The fabric probe's command and option tables and their handlers.
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>

#include "CmdTables.h"
#include "KeywordMatch.h"

namespace {

int fail(CmdArgs& args, const char* text, int result) {
    args.errorText = text;
    return result;
}

// The leading decimal number of text, as atoi reads it, held to the int32 range
// so that a value of any length stays defined.
std::int32_t leadingInt32(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    const std::int64_t limit = negative ? -static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::min())
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*text)); ++text) {
        value = value * 10 + (*text - '0');
        if (value > limit) {
            value = limit;
            break;
        }
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

// A value in double quotes loses its first and last character.
std::string unquote(const char* value) {
    const std::size_t length = std::strlen(value);
    if (value[0] != '"') return std::string(value, length);
    return length < 2 ? std::string() : std::string(value + 1, length - 2);
}

int storeValue(const char* value, CmdArgs& args, std::int32_t& field, const char* missingText) {
    if (!value) {
        field = -1;
        return fail(args, missingText, CMDARGS_MISSING_VALUE);
    }
    field = leadingInt32(value);
    return CMDARGS_OK;
}

int storeValue(const char* value, CmdArgs& args, std::string& field, const char* missingText) {
    if (!value) return fail(args, missingText, CMDARGS_MISSING_VALUE);
    field = unquote(value);
    return CMDARGS_OK;
}

// An option that only stores its value in Field; Missing is the text when there is none.
template <auto Field, const char* Missing>
int storeOption(const char* value, CmdArgs& args) {
    return storeValue(value, args, args.*Field, Missing);
}

constexpr char kMaxNumLogsMissing[] = "maxNumLogs not specified";
constexpr char kMaxNumRunsMissing[] = "maxNumRuns not specified";
constexpr char kMaxNumDaysMissing[] = "maxNumDays not specified";
constexpr char kServerPortMissing[] = "ServerPort not specified";
constexpr char kCommandMissing[] = "Fabric probe command not specified";
constexpr char kFabricsMissing[] = "Fabric probe fabrics not specified";
constexpr char kJobTimestampMissing[] = "Fabric probe jobtimestamp not specified";
constexpr char kDiscoverRequestIdMissing[] = "Fabric probe discover request id not specified";
constexpr char kDeviceJobIdMissing[] = "Fabric probe jobid not specified";

int handleVersion(const char*, CmdArgs& args) {
    args.jobType = "VERSION";
    args.commandId = FPROBE_COMMAND_VERSION;
    return CMDARGS_OK;
}

int handleDebug(const char* value, CmdArgs& args) {
    if (!value) return fail(args, "Debug mode not specified", CMDARGS_MISSING_VALUE);
    static const struct {
        const char* word;
        std::int32_t level;
    } levels[] = {{"MIN", 3}, {"MID", 2}, {"MAX", 1}};
    for (const auto& level : levels) {
        if (keywordEquals(value, level.word)) {
            args.debugWord = level.word;
            args.debugLevel = level.level;
            return CMDARGS_OK;
        }
    }
    return fail(args, "Invalid debug mode", CMDARGS_INVALID_OPTION);
}

int handleMaxLogSize(const char* value, CmdArgs& args) {
    int result = storeValue(value, args, args.maxLogSize, "maxLogSize not specified");
    if (result == CMDARGS_OK && args.maxLogSize == 0) args.maxLogSize = 1024;
    return result;
}

// A server name is a host name or address, and names a directory under log,
// output and input: it may not lead to another directory or hold a line break.
bool isServerName(const char* value) {
    if (std::strcmp(value, ".") == 0 || std::strcmp(value, "..") == 0) return false;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(value); *c; ++c)
        if (*c == '/' || *c < 0x20 || *c == 0x7F) return false;
    return true;
}

int handleServerName(const char* value, CmdArgs& args) {
    if (!value) return fail(args, "ServerName not specified", CMDARGS_MISSING_VALUE);
    if (!isServerName(value)) {
        // The refusal names the value too: the keyword alone would not say what is wrong.
        args.currentArg = args.currentArg + " " + value;
        return fail(args, "Invalid server name", CMDARGS_INVALID_OPTION);
    }
    try {
        args.serverName = value;
    } catch (const std::bad_alloc&) {
        return CMDARGS_NO_MEMORY;
    }
    return CMDARGS_OK;
}

int handleServerIp(const char* value, CmdArgs& args) {
    if (!value) return fail(args, "ServerIp not specified", CMDARGS_MISSING_VALUE);
    args.serverIp = value;
    args.serverIpList.clear();
    const std::string all = value;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = all.find('_', start);
        args.serverIpList.push_back(all.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return CMDARGS_OK;
}

// R,W: the agent's pipe ends. The read end is of no use here; the write end
// carries the start status.
int handleAgentCom(const char* value, CmdArgs& args) {
    const char* comma = value ? std::strchr(value, ',') : nullptr;
    if (!comma || comma[1] == '\0') return fail(args, "agentCom not specified", CMDARGS_MISSING_VALUE);
    const std::int32_t readFd = leadingInt32(value);
    const std::int32_t writeFd = leadingInt32(comma + 1);
    if (readFd != 0) close(readFd);
    if (writeFd != 0) args.agentComFd = writeFd;
    return CMDARGS_OK;
}

}  // namespace

const KeywordRow fprobeCmdTable[] = {
    {"version", 2, handleVersion, 0},
    {nullptr, 0, nullptr, 0},
};

const KeywordRow fprobeOptionTable[] = {
    {"debug", 0, handleDebug, 1},
    {"maxlogsize", 1, handleMaxLogSize, 1},
    {"maxnumlogs", 2, storeOption<&CmdArgs::maxNumLogs, kMaxNumLogsMissing>, 1},
    {"maxnumruns", 3, storeOption<&CmdArgs::maxNumRuns, kMaxNumRunsMissing>, 1},
    {"maxnumdays", 4, storeOption<&CmdArgs::maxNumDays, kMaxNumDaysMissing>, 1},
    {"servername", 5, handleServerName, 1},
    {"serverip", 7, handleServerIp, 1},
    {"serverport", 6, storeOption<&CmdArgs::serverPort, kServerPortMissing>, 1},
    {"command", 8, storeOption<&CmdArgs::fabricProbeCmd, kCommandMissing>, 1},
    {"fabrics", 9, storeOption<&CmdArgs::fabricProbeFabrics, kFabricsMissing>, 1},
    {"jobtimestamp", 10, storeOption<&CmdArgs::fabricProbeJobTimestamp, kJobTimestampMissing>, 1},
    {"discoverrequestid", 11, storeOption<&CmdArgs::fabricProbeDiscoverRequestId, kDiscoverRequestIdMissing>, 1},
    {"devicejobid", 12, storeOption<&CmdArgs::fabricProbeJobId, kDeviceJobIdMissing>, 1},
    {"agentcom", 13, handleAgentCom, 1},
    {nullptr, 0, nullptr, 0},
};

// The version command has no server to talk to.
const unsigned char validFprobeOptions[FPROBE_COMMAND_COUNT][FPROBE_OPTION_COUNT] = {
    {1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1},
    {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1},
    {1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 1},
};
