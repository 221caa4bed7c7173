#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Argv.h"
#include "CmdArgs.h"
#include "CmdTables.h"
#include "TempDir.h"

namespace {

// Every parse runs as if installed under a scratch directory.
class CmdArgsTest : public ::testing::Test {
protected:
    std::string program() const { return install_.file("bin/fabricprobe"); }

    std::vector<std::string> withProgram(std::vector<std::string> args) const {
        args.insert(args.begin(), program());
        return args;
    }

    TempDir install_;
};

TEST_F(CmdArgsTest, NewRecordHoldsTheDefaults) {
    Argv argv{program()};
    CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
    EXPECT_EQ(args.serverPort, -1);
    EXPECT_EQ(args.maxLogSize, 1024);
    EXPECT_EQ(args.maxNumLogs, 8);
    EXPECT_EQ(args.maxNumRuns, 5);
    EXPECT_EQ(args.maxNumDays, 90);
    EXPECT_EQ(args.agentComFd, -1);
    EXPECT_EQ(args.debugLevel, 0);
    EXPECT_EQ(args.commandId, 0);
    EXPECT_EQ(args.jobStartTime, -1);
    EXPECT_EQ(args.jobEndTime, -1);
    EXPECT_EQ(args.argIndex, 1);
    EXPECT_TRUE(args.serverName.empty() && args.serverIp.empty() && args.serverIpList.empty());
    EXPECT_TRUE(args.installLoc.empty() && args.logFile.empty() && args.traceFile.empty());
}

TEST_F(CmdArgsTest, NoArgumentsSelectsTheProbeWithEmptyValues) {
    Argv argv{program()};
    CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
    ASSERT_EQ(args.parse(), 0);
    EXPECT_EQ(args.commandId, 1);
    EXPECT_EQ(args.jobType, "");
    EXPECT_EQ(args.fabricProbeCmd, "");
    EXPECT_EQ(args.fabricProbeFabrics, "");
    EXPECT_EQ(args.installLoc, install_.path());
    EXPECT_EQ(args.installDir, install_.path());
    EXPECT_EQ(args.programName, "fabricprobe");
    // The job's log is named at the end of the parse; a trace only with -debug.
    EXPECT_NE(args.logFile.find("fabricprobe_"), std::string::npos);
    EXPECT_EQ(args.logFile.rfind(".log"), args.logFile.size() - 4);
    EXPECT_EQ(args.dataFile, install_.path() + "/output/fabricprobe.dat");
    EXPECT_EQ(args.traceFile, "");
}

TEST_F(CmdArgsTest, FullProbeCommandLineFillsEveryField) {
    Argv argv(withProgram({"-debug", "MID", "-maxlogsize", "2048", "-maxnumlogs", "3", "-maxnumruns", "4",
                           "-maxnumdays", "7", "-servername", "tpcserver", "-serverip", "10.0.0.1_10.0.0.2",
                           "-serverport", "9549", "-command", "Topology", "-fabrics", "allfabrics",
                           "-jobtimestamp", "20240101", "-discoverrequestid", "42", "-devicejobid", "77"}));
    CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
    ASSERT_EQ(args.parse(), 0) << args.errorText;
    EXPECT_EQ(args.commandId, 1);
    EXPECT_EQ(args.jobType, "FABRICPROBE");
    EXPECT_EQ(args.debugWord, "MID");
    EXPECT_EQ(args.debugLevel, 2);
    EXPECT_EQ(args.maxLogSize, 2048);
    EXPECT_EQ(args.maxNumLogs, 3);
    EXPECT_EQ(args.maxNumRuns, 4);
    EXPECT_EQ(args.maxNumDays, 7);
    EXPECT_EQ(args.serverName, "tpcserver");
    EXPECT_EQ(args.serverIp, "10.0.0.1_10.0.0.2");
    EXPECT_EQ(args.serverIpList, (std::vector<std::string>{"10.0.0.1", "10.0.0.2"}));
    EXPECT_EQ(args.serverPort, 9549);
    EXPECT_EQ(args.fabricProbeCmd, "Topology");
    EXPECT_EQ(args.fabricProbeFabrics, "allfabrics");
    EXPECT_EQ(args.fabricProbeJobTimestamp, "20240101");
    EXPECT_EQ(args.fabricProbeDiscoverRequestId, "42");
    EXPECT_EQ(args.fabricProbeJobId, "77");
    EXPECT_EQ(args.argIndex, argv.argc());
    // Per-server log directory, and a trace file because a debug level is set.
    EXPECT_NE(args.logFile.find("/log/tpcserver/"), std::string::npos) << args.logFile;
    EXPECT_NE(args.traceFile.find(".trace"), std::string::npos) << args.traceFile;
    EXPECT_EQ(args.dataFile, install_.path() + "/output/tpcserver/fabricprobe.dat");
}

TEST_F(CmdArgsTest, KeywordsMatchWithoutRegardToCase) {
    Argv argv(withProgram({"-DEBUG", "max", "-MaxLogSize", "512", "-SERVERNAME", "s", "-ServerIP", "1.2.3.4",
                           "-devicejobid", "j", "-DeviceJobId", "k"}));
    CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
    ASSERT_EQ(args.parse(), 0) << args.errorText;
    EXPECT_EQ(args.debugWord, "MAX");
    EXPECT_EQ(args.debugLevel, 1);
    EXPECT_EQ(args.maxLogSize, 512);
    EXPECT_EQ(args.serverName, "s");
    EXPECT_EQ(args.serverIpList, std::vector<std::string>{"1.2.3.4"});
    EXPECT_EQ(args.fabricProbeJobId, "k");  // a repeated option: the last one counts
}

TEST_F(CmdArgsTest, DebugWordsAndLevels) {
    const struct {
        const char* given;
        const char* word;
        int level;
    } cases[] = {{"MIN", "MIN", 3}, {"mid", "MID", 2}, {"Max", "MAX", 1}};
    for (const auto& c : cases) {
        Argv argv(withProgram({"-debug", c.given}));
        CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
        ASSERT_EQ(args.parse(), 0) << c.given;
        EXPECT_EQ(args.debugWord, c.word);
        EXPECT_EQ(args.debugLevel, c.level);
    }
    Argv bad(withProgram({"-debug", "LOTS"}));
    CmdArgs args(bad.argc(), bad.argv(), TOOL_FABRIC_PROBE);
    EXPECT_EQ(args.parse(), 3);
    EXPECT_EQ(args.errorText, "Invalid debug mode");
    EXPECT_EQ(args.currentArg, "-debug");
    EXPECT_EQ(args.argIndex, 2);  // left on the rejected value
    EXPECT_EQ(args.debugLevel, 0);
}

TEST_F(CmdArgsTest, EveryOptionReportsItsMissingValue) {
    const struct {
        const char* option;
        const char* text;
    } cases[] = {
        {"-debug", "Debug mode not specified"},
        {"-maxlogsize", "maxLogSize not specified"},
        {"-maxnumlogs", "maxNumLogs not specified"},
        {"-maxnumruns", "maxNumRuns not specified"},
        {"-maxnumdays", "maxNumDays not specified"},
        {"-servername", "ServerName not specified"},
        {"-serverip", "ServerIp not specified"},
        {"-serverport", "ServerPort not specified"},
        {"-command", "Fabric probe command not specified"},
        {"-fabrics", "Fabric probe fabrics not specified"},
        {"-jobtimestamp", "Fabric probe jobtimestamp not specified"},
        {"-discoverrequestid", "Fabric probe discover request id not specified"},
        {"-devicejobid", "Fabric probe jobid not specified"},
        {"-agentcom", "agentCom not specified"},
    };
    for (const auto& c : cases) {
        // After another option, so that the probe command is chosen first.
        Argv argv(withProgram({"-servername", "s", c.option}));
        CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
        EXPECT_EQ(args.parse(), 6) << c.option;
        EXPECT_EQ(args.errorText, c.text) << c.option;
        EXPECT_EQ(args.currentArg, c.option);
    }
}

TEST_F(CmdArgsTest, MissingIntegerValuesLeaveMinusOne) {
    for (const char* option : {"-maxlogsize", "-maxnumlogs", "-maxnumruns", "-maxnumdays", "-serverport"}) {
        Argv argv(withProgram({option}));
        CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
        EXPECT_EQ(args.parse(), 6) << option;
        const std::string name = option;
        const int value = name == "-maxlogsize"   ? args.maxLogSize
                          : name == "-maxnumlogs" ? args.maxNumLogs
                          : name == "-maxnumruns" ? args.maxNumRuns
                          : name == "-maxnumdays" ? args.maxNumDays
                                                  : args.serverPort;
        EXPECT_EQ(value, -1) << option;
    }
}

TEST_F(CmdArgsTest, IntegerValuesReadTheLeadingNumber) {
    const struct {
        const char* value;
        int maxLogSize;
    } cases[] = {
        {"0", 1024},     {"abc", 1024},       {"12abc", 12},   {" 64", 64},
        {"-5", -5},      {"99999999999999999999999", INT_MAX}, {"-99999999999999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        Argv argv(withProgram({"-maxlogsize", c.value}));
        CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
        ASSERT_EQ(args.parse(), 0) << c.value;
        EXPECT_EQ(args.maxLogSize, c.maxLogSize) << c.value;
    }
    Argv port(withProgram({"-serverport", "0"}));
    CmdArgs args(port.argc(), port.argv(), TOOL_FABRIC_PROBE);
    ASSERT_EQ(args.parse(), 0);
    EXPECT_EQ(args.serverPort, 0);  // 0 stays 0: the run's checks reject it
}

TEST_F(CmdArgsTest, ProbeValuesInDoubleQuotesAreUnquoted) {
    Argv argv(withProgram({"-command", "\"Topology\"", "-fabrics", "allfabrics", "-jobtimestamp", "\"",
                           "-discoverrequestid", "\"12", "-devicejobid", "a\"b\"", "-servername", "\"srv\""}));
    CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
    ASSERT_EQ(args.parse(), 0);
    EXPECT_EQ(args.fabricProbeCmd, "Topology");
    EXPECT_EQ(args.fabricProbeFabrics, "allfabrics");
    EXPECT_EQ(args.fabricProbeJobTimestamp, "");
    EXPECT_EQ(args.fabricProbeDiscoverRequestId, "1");  // first and last character go, whatever the last is
    EXPECT_EQ(args.fabricProbeJobId, "a\"b\"");
    EXPECT_EQ(args.serverName, "\"srv\"");  // only the probe values are unquoted
}

TEST_F(CmdArgsTest, ServerIpListSplitsAtUnderscores) {
    Argv argv(withProgram({"-serverip", "a_b__c"}));
    CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
    ASSERT_EQ(args.parse(), 0);
    EXPECT_EQ(args.serverIp, "a_b__c");
    EXPECT_EQ(args.serverIpList, (std::vector<std::string>{"a", "b", "", "c"}));
}

TEST_F(CmdArgsTest, AgentComClosesTheReadEndAndKeepsTheWriteEnd) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string value = std::to_string(fds[0]) + "," + std::to_string(fds[1]);
    Argv argv(withProgram({"-agentcom", value}));
    CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
    ASSERT_EQ(args.parse(), 0);
    EXPECT_EQ(args.agentComFd, fds[1]);
    struct stat st {};
    EXPECT_TRUE(fstat(fds[0], &st) != 0 || !S_ISFIFO(st.st_mode));  // closed at once (the log may reuse its number)
    EXPECT_NE(fcntl(fds[1], F_GETFD), -1);
    close(fds[1]);

    for (const char* bad : {"7", "7,", ""}) {
        Argv argvBad(withProgram({"-agentcom", bad}));
        CmdArgs badArgs(argvBad.argc(), argvBad.argv(), TOOL_FABRIC_PROBE);
        EXPECT_EQ(badArgs.parse(), 6) << bad;
        EXPECT_EQ(badArgs.errorText, "agentCom not specified");
        EXPECT_EQ(badArgs.agentComFd, -1);
    }
    Argv zeros(withProgram({"-agentcom", "0,0"}));
    CmdArgs zeroArgs(zeros.argc(), zeros.argv(), TOOL_FABRIC_PROBE);
    EXPECT_EQ(zeroArgs.parse(), 0);
    EXPECT_EQ(zeroArgs.agentComFd, -1);
}

TEST_F(CmdArgsTest, VersionCommandAllowsOnlyItsOptions) {
    Argv plain(withProgram({"-VERSION"}));
    CmdArgs version(plain.argc(), plain.argv(), TOOL_FABRIC_PROBE);
    ASSERT_EQ(version.parse(), 0);
    EXPECT_EQ(version.commandId, 2);
    EXPECT_EQ(version.jobType, "VERSION");

    Argv debug(withProgram({"-version", "-debug", "MAX", "-agentcom", "0,0"}));
    CmdArgs withDebug(debug.argc(), debug.argv(), TOOL_FABRIC_PROBE);
    ASSERT_EQ(withDebug.parse(), 0);
    EXPECT_EQ(withDebug.debugWord, "MAX");

    for (const char* serverOption : {"-servername", "-serverport", "-serverip"}) {
        Argv server(withProgram({"-version", serverOption, "x"}));
        CmdArgs withServer(server.argc(), server.argv(), TOOL_FABRIC_PROBE);
        EXPECT_EQ(withServer.parse(), 3) << serverOption;
        EXPECT_EQ(withServer.currentArg, serverOption);
    }

    // "version" is a command only in first place.
    Argv late(withProgram({"-debug", "MIN", "-version"}));
    CmdArgs lateVersion(late.argc(), late.argv(), TOOL_FABRIC_PROBE);
    EXPECT_EQ(lateVersion.parse(), 3);
    EXPECT_EQ(lateVersion.currentArg, "-version");
}

TEST_F(CmdArgsTest, RejectedArgumentsAndTheirResults) {
    const struct {
        std::vector<std::string> args;
        int result;
        const char* currentArg;
    } cases[] = {
        {{"-bogus"}, 2, "-bogus"},                          // no command and no probe option
        {{"servername", "x"}, 2, "servername"},             // no leading '-'
        {{"-servername", "x", "-bogus"}, 3, "-bogus"},
        {{"-servername", "x", "stray"}, 3, "stray"},
        {{"-servername", "x", "-"}, 3, "-"},
        {{"-servername", "x", "--servername", "y"}, 3, "--servername"},
        // A server name names a directory of its own under log, output and input.
        {{"-servername", "../x"}, 3, "-servername ../x"},
        {{"-servername", "a/b"}, 3, "-servername a/b"},
        {{"-servername", "x", "-servername", ".."}, 3, "-servername .."},
        {{"-servername", "."}, 3, "-servername ."},
        {{"-servername", "a\nb"}, 3, "-servername a\nb"},
        {{"-servername", "a\x7f"}, 3, "-servername a\x7f"},
    };
    for (const auto& c : cases) {
        Argv argv(withProgram(c.args));
        CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
        EXPECT_EQ(args.parse(), c.result) << c.currentArg;
        EXPECT_EQ(args.currentArg, c.currentArg);
        EXPECT_TRUE(args.installLoc.empty());  // the parse stops before its end
        if (c.result == 3 && c.args[0] == "-servername") {
            EXPECT_NE(args.serverName, c.args.back());
        }
    }
    for (const char* name : {"..x", "x..", "...", "srv.example.com", "fe80::1", "tpc server"}) {
        Argv argv(withProgram({"-servername", name}));
        CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
        EXPECT_EQ(args.parse(), 0) << name;
        EXPECT_EQ(args.serverName, name);
    }
}

TEST_F(CmdArgsTest, ValuesMayBeginWithADashAndBeVeryLong) {
    const std::string huge(10000, 'v');
    Argv argv(withProgram({"-servername", "-devicejobid", "-command", huge, "-devicejobid", "-x"}));
    CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
    ASSERT_EQ(args.parse(), 0);
    EXPECT_EQ(args.serverName, "-devicejobid");
    EXPECT_EQ(args.fabricProbeCmd, huge);
    EXPECT_EQ(args.fabricProbeJobId, "-x");

    const std::string hugeOption = "-" + std::string(9999, 'o');
    Argv unknown(withProgram({"-servername", "s", hugeOption}));
    CmdArgs unknownArgs(unknown.argc(), unknown.argv(), TOOL_FABRIC_PROBE);
    EXPECT_EQ(unknownArgs.parse(), 3);
    EXPECT_EQ(unknownArgs.currentArg, hugeOption);
}

TEST_F(CmdArgsTest, NoInstallationDirectoryEndsWith59) {
    const std::string outside = install_.file("tools/fabricprobe");
    Argv argv{outside, "-servername", "s"};
    CmdArgs args(argv.argc(), argv.argv(), TOOL_FABRIC_PROBE);
    EXPECT_EQ(args.parse(), 59);
    EXPECT_EQ(args.errorText, "Unable to determine install location\n");
    EXPECT_TRUE(args.logFile.empty());

    // No program path at all, as an exec with an empty vector leaves it.
    CmdArgs empty(0, nullptr, TOOL_FABRIC_PROBE);
    EXPECT_EQ(empty.parse(), 59);
    EXPECT_EQ(empty.getInstallDir(), "");
}

TEST_F(CmdArgsTest, OtherToolKindsParseNothing) {
    Argv argv(withProgram({"-bogus"}));
    for (int kind : {int{TOOL_AGENT}, int{TOOL_PROBE}, 7, 15}) {
        CmdArgs args(argv.argc(), argv.argv(), kind);
        EXPECT_EQ(args.parse(), 0) << kind;
        EXPECT_EQ(args.argIndex, 1);
    }
}

// The probe's own log name; the other tools' rows are data, not behaviour.
TEST(CmdTables, ComponentNamesForFileNames) {
    EXPECT_EQ(componentName(componentNumberOf(TOOL_FABRIC_PROBE)), "fabricprobe");
    // Component 9 is named by the job type it runs.
    EXPECT_NE(componentName(9, "naimportquota"), componentName(9, "naresolveids"));
    EXPECT_EQ(componentNumberOf(7), -1);  // no tool of kind 7
    EXPECT_EQ(toolTables(7).commands, nullptr);
    EXPECT_EQ(componentName(15), "");
}

}  // namespace
