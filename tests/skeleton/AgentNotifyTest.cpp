// The agent's notification: its argument vector, and the agent program run with it. The
// vector the installed probe hands over is data in tests/cases/skeleton (no_arguments).
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AgentNotify.h"
#include "Files.h"
#include "Run.h"
#include "TempDir.h"

namespace {

AgentNotice notice(int rc, const std::string& install, const std::string& serverName) {
    AgentNotice n;
    n.rc = rc;
    n.installLoc = install;
    n.serverName = serverName;
    n.serverIp = "10.0.0.1";
    n.serverPort = 9549;
    n.command = "Topology";
    n.fabrics = "allfabrics";
    n.jobTimestamp = "ts";
    n.discoverRequestId = "7";
    n.jobId = "8";
    return n;
}

// The debug options follow the values: -debug with the debug word, -maxLogSize only with it
// and when not the default, -debugfile beside the probe's trace (up to its last ".trace").
TEST(AgentNotifyArguments, ProgramValuesAndDebugOptions) {
    const std::vector<std::string> values = {"-notify", "fabricprobe", "-installLoc", "/opt/x", "-serverName", "srv",
                                             "-serverPort", "9549", "-serverIP", "10.0.0.1", "-command", "Topology",
                                             "-fabrics", "allfabrics", "-jobtimestamp", "ts", "-discoverrequestid", "7",
                                             "-devicejobid", "8", "-exitCode", "0"};
    const struct {
        const char* debugWord;
        int maxLogSize;
        const char* traceFile;
        std::vector<std::string> options;
    } cases[] = {
        {"", 1024, "", {}},
        {"", 2048, "", {}},
        {"MAX", 1024, "", {"-debug", "MAX"}},
        {"MAX", 2048, "", {"-debug", "MAX", "-maxLogSize", "2048"}},
        {"MIN", 1024, "/opt/x/log/srv/fabricprobe_000012.trace",
         {"-debug", "MIN", "-debugfile", "/opt/x/log/srv/fabricprobe_000012.notify.trace"}},
        {"", 1024, "/t/a.trace.b.trace", {"-debugfile", "/t/a.trace.b.notify.trace"}},
        {"", 1024, "/t/probe.log", {}},
    };
    for (const auto& c : cases) {
        AgentNotice n = notice(0, "/opt/x", "srv");
        n.debugWord = c.debugWord;
        n.maxLogSize = c.maxLogSize;
        n.traceFile = c.traceFile;
        std::vector<std::string> expected = {"/opt/x/bin/Agent"};
        expected.insert(expected.end(), values.begin(), values.end());
        expected.insert(expected.end(), c.options.begin(), c.options.end());
        EXPECT_EQ(agentNotifyArguments(n), expected) << c.debugWord << c.maxLogSize << c.traceFile;
    }
}

TEST(AgentNotifyArguments, AnAgentDirectoryHandsOverItsParent) {
    EXPECT_EQ(agentNotifyArguments(notice(0, "/opt/tpc/agent", "srv"))[4], "/opt/tpc");
    EXPECT_EQ(agentNotifyArguments(notice(0, "/opt/agent/x", "srv"))[4], "/opt");
    EXPECT_EQ(agentNotifyArguments(notice(0, "/opt/tpc/agent", "srv"))[0], "/opt/tpc/agent/bin/Agent");
}

TEST(AgentNotifyRun, TheAgentGetsTheVectorAsGivenAndItsExitStatusIsTheResult) {
    TempDir install;
    writeRecorder(install.mkdirs("bin") + "/Agent", install.file("bin/args"), install.file("bin/exit"));
    const std::string hostile = "'; touch " + install.file("injected") + "; '";
    EXPECT_EQ(runAgentNotifyFabric(notice(-2012, install.path(), hostile)), 0);
    std::vector<std::string> expected = agentNotifyArguments(notice(-2012, install.path(), hostile));
    expected.erase(expected.begin());
    EXPECT_EQ(recordedArgs(install.file("bin/args")), expected);
    EXPECT_FALSE(fileExists(install.file("injected")));

    writeFile(install.file("bin/exit"), "4\n");
    EXPECT_EQ(runAgentNotifyFabric(notice(0, install.path(), "srv")), 4);
    std::remove(install.file("bin/Agent").c_str());
    EXPECT_EQ(runAgentNotifyFabric(notice(0, install.path(), "srv")), 127);  // the shell finds no agent program
}

}  // namespace
