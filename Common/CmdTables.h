// Keyword tables of the agent's tools, and the component names their files carry.
#pragma once

#include <string>

#include "CmdArgs.h"

// Tool kinds given to CmdArgs.
enum : int {
    TOOL_AGENT = 0,
    TOOL_DBMONITOR = 1,
    TOOL_DISCOVERY = 2,
    TOOL_FABRIC_DISCOVERY = 3,
    TOOL_FABRIC_PROBE = 4,
    TOOL_FABRIC_ZONE_CONTROL = 5,
    TOOL_HBAINFO = 6,
    TOOL_PROBE = 8,
    TOOL_SCAN = 9,
    TOOL_NQAUTIL = 10,
    TOOL_MIGRATION = 11,
    TOOL_NASFILER_PROBE = 12,
    TOOL_BKS = 13,
    TOOL_PATH_PLANNER = 14,
};

// The fabric probe: one command ("version", 2), fourteen options.
// Rows of validFprobeOptions: what CmdArgs::commandId holds after parsing.
constexpr int FPROBE_COMMAND_NONE = 0;
constexpr int FPROBE_COMMAND_PROBE = 1;
constexpr int FPROBE_COMMAND_VERSION = 2;
constexpr int FPROBE_COMMAND_COUNT = 3;
constexpr int FPROBE_OPTION_COUNT = 14;
extern const KeywordRow fprobeCmdTable[];
extern const KeywordRow fprobeOptionTable[];
// [command][option]: 1 when the option may be given with the command.
extern const unsigned char validFprobeOptions[FPROBE_COMMAND_COUNT][FPROBE_OPTION_COUNT];

// The other tools' keywords; their handlers live with those tools.
extern const KeywordRow agentCmdTable[], agentOptionTable[];
extern const KeywordRow dbmonitorCmdTable[], dbmonitorOptionTable[];
extern const KeywordRow discoverCmdTable[], discoverOptionTable[];
extern const KeywordRow fdiscoveryCmdTable[], fdiscoveryOptionTable[];
extern const KeywordRow fzonecontrolCmdTable[], fzonecontrolOptionTable[];
extern const KeywordRow hbainfoCmdTable[], hbainfoOptionTable[];
extern const KeywordRow probeCmdTable[], probeOptionTable[];
extern const KeywordRow scanCmdTable[], scanOptionTable[];
extern const KeywordRow nqautilCmdTable[], nqautilOptionTable[];
extern const KeywordRow migrationCmdTable[], migrationOptionTable[];
extern const KeywordRow nasfilerprobeCmdTable[], nasfilerprobeOptionTable[];
extern const KeywordRow bksCmdTable[], bksOptionTable[];
extern const KeywordRow pplannerCmdTable[], pplannerOptionTable[];

struct ToolTables {
    const KeywordRow* commands;  // null for a tool kind without tables
    const KeywordRow* options;
};
ToolTables toolTables(int toolKind);

// -1 for a tool kind without a component.
int componentNumberOf(int toolKind);
// The name in the component's file names; component 9 is named by its NAS command.
std::string componentName(int componentNumber, const std::string& nasCommand = std::string());
