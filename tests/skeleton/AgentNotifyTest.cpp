#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AgentNotify.h"
#include "Files.h"
#include "Run.h"
#include "TempDir.h"

namespace {

std::vector<std::string> baseVector(const std::string& program, const std::string& install,
                                    const std::string& exitCode) {
    return {program,       "-notify",  "fabricprobe", "-installLoc",   install,   "-serverName",
            "srv",         "-serverPort", "9549",     "-serverIP",     "10.0.0.1", "-command",
            "Topology",    "-fabrics", "allfabrics",  "-jobtimestamp", "ts",      "-discoverrequestid",
            "7",           "-devicejobid", "8",       "-exitCode",     exitCode};
}

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

std::vector<std::string> argumentsFor(int rc, const std::string& install, const std::string& debugWord,
                                      int maxLogSize, const std::string& traceFile) {
    AgentNotice n = notice(rc, install, "srv");
    n.debugWord = debugWord;
    n.maxLogSize = maxLogSize;
    n.traceFile = traceFile;
    return agentNotifyArguments(n);
}

TEST(AgentNotifyArguments, ValuesInTheirOrder) {
    EXPECT_EQ(argumentsFor(-2012, "/opt/x", "", 1024, ""),
              baseVector("/opt/x/bin/Agent", "/opt/x", "-2012"));
}

TEST(AgentNotifyArguments, DebugOptionsFollowTheDebugWord) {
    std::vector<std::string> expected = baseVector("/opt/x/bin/Agent", "/opt/x", "0");
    expected.insert(expected.end(), {"-debug", "MAX"});
    EXPECT_EQ(argumentsFor(0, "/opt/x", "MAX", 1024, ""), expected);

    expected.insert(expected.end(), {"-maxLogSize", "2048"});
    EXPECT_EQ(argumentsFor(0, "/opt/x", "MAX", 2048, ""), expected);

    // Without -debug there is no -maxLogSize, whatever its value.
    EXPECT_EQ(argumentsFor(0, "/opt/x", "", 2048, ""), baseVector("/opt/x/bin/Agent", "/opt/x", "0"));
}

TEST(AgentNotifyArguments, NotifyTraceFileBesideTheProbesTrace) {
    std::vector<std::string> expected = baseVector("/opt/x/bin/Agent", "/opt/x", "0");
    expected.insert(expected.end(), {"-debug", "MIN", "-debugfile", "/opt/x/log/srv/fabricprobe_000012.notify.trace"});
    EXPECT_EQ(argumentsFor(0, "/opt/x", "MIN", 1024, "/opt/x/log/srv/fabricprobe_000012.trace"), expected);

    expected = baseVector("/opt/x/bin/Agent", "/opt/x", "0");
    expected.insert(expected.end(), {"-debugfile", "/t/a.trace.b.notify.trace"});
    EXPECT_EQ(argumentsFor(0, "/opt/x", "", 1024, "/t/a.trace.b.trace"), expected);  // up to the last ".trace"
    EXPECT_EQ(argumentsFor(0, "/opt/x", "", 1024, "/t/probe.log"), baseVector("/opt/x/bin/Agent", "/opt/x", "0"));
}

TEST(AgentNotifyArguments, AnAgentDirectoryHandsOverItsParent) {
    EXPECT_EQ(argumentsFor(0, "/opt/tpc/agent", "", 1024, "")[4], "/opt/tpc");
    EXPECT_EQ(argumentsFor(0, "/opt/agent/x", "", 1024, "")[4], "/opt");
    EXPECT_EQ(argumentsFor(0, "/opt/tpc/agent", "", 1024, "")[0], "/opt/tpc/agent/bin/Agent");
}

class AgentNotifyRun : public ::testing::Test {
protected:
    void SetUp() override {
        writeRecorder(install_.mkdirs("bin") + "/Agent", install_.file("bin/args"), install_.file("bin/exit"));
    }
    int notify(int rc, const std::string& serverName) {
        return runAgentNotifyFabric(notice(rc, install_.path(), serverName));
    }
    TempDir install_;
};

TEST_F(AgentNotifyRun, TheAgentProgramGetsTheVectorAsGiven) {
    const std::string hostile = "'; touch " + install_.file("injected") + "; '";
    EXPECT_EQ(notify(-2012, hostile), 0);
    std::vector<std::string> expected =
        agentNotifyArguments(notice(-2012, install_.path(), hostile));
    expected.erase(expected.begin());
    EXPECT_EQ(recordedArgs(install_.file("bin/args")), expected);
    EXPECT_FALSE(fileExists(install_.file("injected")));
}

TEST_F(AgentNotifyRun, ResultIsTheAgentsExitStatus) {
    writeFile(install_.file("bin/exit"), "4\n");
    EXPECT_EQ(notify(0, "srv"), 4);
    unlink(install_.file("bin/Agent").c_str());
    EXPECT_EQ(notify(0, "srv"), 127);  // the shell finds no agent program
}

}  // namespace
