#include "AgentNotify.h"

#include "CmdArgs.h"
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

AgentNotice agentNoticeOf(int rc, const CmdArgs& args) {
    return AgentNotice{rc, args.installLoc, args.serverName, args.serverIp, args.serverPort, args.fabricProbeCmd,
                       args.fabricProbeFabrics, args.fabricProbeJobTimestamp, args.fabricProbeDiscoverRequestId,
                       args.fabricProbeJobId, args.debugWord, args.maxLogSize, args.traceFile};
}

std::vector<std::string> agentNotifyArguments(const AgentNotice& n) {
    const std::string& installLoc = n.installLoc;
    std::vector<std::string> args = {
        installLoc + "/bin/Agent",
        "-notify", "fabricprobe",
        "-installLoc", agentInstallValue(installLoc),
        "-serverName", n.serverName,
        "-serverPort", std::to_string(n.serverPort),
        "-serverIP", n.serverIp,
        "-command", n.command,
        "-fabrics", n.fabrics,
        "-jobtimestamp", n.jobTimestamp,
        "-discoverrequestid", n.discoverRequestId,
        "-devicejobid", n.jobId,
        "-exitCode", std::to_string(n.rc),
    };
    if (!n.debugWord.empty()) {
        args.insert(args.end(), {"-debug", n.debugWord});
        if (n.maxLogSize != 1024) args.insert(args.end(), {"-maxLogSize", std::to_string(n.maxLogSize)});
    }
    const std::size_t trace = n.traceFile.rfind(".trace");
    if (trace != std::string::npos)
        args.insert(args.end(), {"-debugfile", n.traceFile.substr(0, trace) + ".notify.trace"});
    return args;
}

int runAgentNotifyFabric(const AgentNotice& notice) {
    static const char fn[] = "runAgentNotifyFabric()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);

    const std::vector<std::string> args = agentNotifyArguments(notice);
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
