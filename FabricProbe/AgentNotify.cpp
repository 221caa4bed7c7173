#include "AgentNotify.h"

#include "naTrace.h"
#include "psnautil.h"

namespace {

constexpr int kNotifyTimeoutSeconds = 3600;

// The agent wants its own installation: an install directory that ends in
// .../agent is handed over as its parent.
std::string agentInstallValue(const std::string& installLoc) {
    const std::size_t at = installLoc.rfind("agent");
    if (at == std::string::npos) return installLoc;
    return at == 0 ? std::string() : installLoc.substr(0, at - 1);
}

}  // namespace

std::vector<std::string> agentNotifyArguments(int rc, const std::string& installLoc,
                                              const std::string& serverName, const std::string& serverIp,
                                              int serverPort, const std::string& fabricProbeCmd,
                                              const std::string& fabricProbeFabrics,
                                              const std::string& fabricProbeJobTimestamp,
                                              const std::string& fabricProbeDiscoverRequestId,
                                              const std::string& fabricProbeJobId,
                                              const std::string& debugWord, int maxLogSize,
                                              const std::string& traceFile) {
    std::vector<std::string> args = {
        installLoc + "/bin/Agent",
        "-notify", "fabricprobe",
        "-installLoc", agentInstallValue(installLoc),
        "-serverName", serverName,
        "-serverPort", std::to_string(serverPort),
        "-serverIP", serverIp,
        "-command", fabricProbeCmd,
        "-fabrics", fabricProbeFabrics,
        "-jobtimestamp", fabricProbeJobTimestamp,
        "-discoverrequestid", fabricProbeDiscoverRequestId,
        "-devicejobid", fabricProbeJobId,
        "-exitCode", std::to_string(rc),
    };
    if (!debugWord.empty()) {
        args.insert(args.end(), {"-debug", debugWord});
        if (maxLogSize != 1024) args.insert(args.end(), {"-maxLogSize", std::to_string(maxLogSize)});
    }
    const std::size_t trace = traceFile.rfind(".trace");
    if (trace != std::string::npos)
        args.insert(args.end(), {"-debugfile", traceFile.substr(0, trace) + ".notify.trace"});
    return args;
}

int runAgentNotifyFabric(int rc, const std::string& installLoc, const std::string& serverName,
                         const std::string& serverIp, int serverPort, const std::string& fabricProbeCmd,
                         const std::string& fabricProbeFabrics, const std::string& fabricProbeJobTimestamp,
                         const std::string& fabricProbeDiscoverRequestId,
                         const std::string& fabricProbeJobId, const std::string& debugWord,
                         int maxLogSize, const std::string& traceFile) {
    static const char fn[] = "runAgentNotifyFabric()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);

    const std::vector<std::string> args = agentNotifyArguments(
        rc, installLoc, serverName, serverIp, serverPort, fabricProbeCmd, fabricProbeFabrics,
        fabricProbeJobTimestamp, fabricProbeDiscoverRequestId, fabricProbeJobId, debugWord, maxLogSize,
        traceFile);
    std::vector<const char*> argv;
    for (const std::string& arg : args) argv.push_back(arg.c_str());
    argv.push_back(nullptr);

    SpawnInfo info;
    int result = SpawnExternalProgram(argv.data(), info, false, true, false, nullptr);
    if (result != 0) {
        NATRACE(TR_MAX, "notifyAgent failed\n");
    } else {
        int agentExit = -1;
        result = WaitForExternalProgram(info, &agentExit, kNotifyTimeoutSeconds);
        if (result != 0) NATRACE(TR_MAX, "notiyAgent wait for completion failed\n");
        else result = agentExit;
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return result;
}
