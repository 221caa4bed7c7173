// Tells the agent that a probe job has ended, by running its program with "-notify".
#pragma once

#include <string>
#include <vector>

// The agent program's argument vector, program path first.
std::vector<std::string> agentNotifyArguments(int rc, const std::string& installLoc,
                                              const std::string& serverName, const std::string& serverIp,
                                              int serverPort, const std::string& fabricProbeCmd,
                                              const std::string& fabricProbeFabrics,
                                              const std::string& fabricProbeJobTimestamp,
                                              const std::string& fabricProbeDiscoverRequestId,
                                              const std::string& fabricProbeJobId,
                                              const std::string& debugWord, int maxLogSize,
                                              const std::string& traceFile);

// Runs <installLoc>/bin/Agent -notify fabricprobe ... and waits at most an hour.
// 0 when it exited with 0; otherwise the spawn's or the wait's nonzero result
// (71, 68, 74, -1) or the program's exit status.
int runAgentNotifyFabric(int rc, const std::string& installLoc, const std::string& serverName,
                         const std::string& serverIp, int serverPort, const std::string& fabricProbeCmd,
                         const std::string& fabricProbeFabrics, const std::string& fabricProbeJobTimestamp,
                         const std::string& fabricProbeDiscoverRequestId,
                         const std::string& fabricProbeJobId, const std::string& debugWord,
                         int maxLogSize, const std::string& traceFile);
