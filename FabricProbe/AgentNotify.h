// Tells the agent that a probe job has ended, by running its program with "-notify".
#pragma once

#include <string>
#include <vector>

class CmdArgs;

// What the agent is told of one job: the run's parsed options and its rc.
struct AgentNotice {
    int rc = 0;
    std::string installLoc;
    std::string serverName;
    std::string serverIp;
    int serverPort = -1;
    std::string command;
    std::string fabrics;
    std::string jobTimestamp;
    std::string discoverRequestId;
    std::string jobId;
    std::string debugWord;
    int maxLogSize = 1024;
    std::string traceFile;
};
AgentNotice agentNoticeOf(int rc, const CmdArgs& args);

// The agent program's argument vector, program path first.
std::vector<std::string> agentNotifyArguments(const AgentNotice& notice);

// Runs <installLoc>/bin/Agent -notify fabricprobe ... and waits at most an hour.
// 0 when it exited with 0; otherwise the spawn's or the wait's nonzero result
// (71, 68, 74, -1) or the program's exit status.
int runAgentNotifyFabric(const AgentNotice& notice);
