// The command-line parser: what each option sets, and what each rejected argument returns.
// What the installed probe prints for them is data in tests/cases/skeleton (rejected, checks).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <memory>
#include <string>
#include <tuple>
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
    // The record of the parse of these arguments after the program path, which returned `expected`.
    CmdArgs& parsed(std::vector<std::string> words, int expected = 0) {
        words.insert(words.begin(), install_.file("bin/fabricprobe"));
        argvs_.push_back(std::make_unique<Argv>(words));
        records_.push_back(std::make_unique<CmdArgs>(argvs_.back()->argc(), argvs_.back()->argv(), TOOL_FABRIC_PROBE));
        EXPECT_EQ(expected, records_.back()->parse()) << words.back();
        return *records_.back();
    }

    TempDir install_;

private:
    std::vector<std::unique_ptr<Argv>> argvs_;  // each record keeps its argv
    std::vector<std::unique_ptr<CmdArgs>> records_;
};

TEST_F(CmdArgsTest, NoArgumentsSelectsTheProbeWithDefaultsAndEmptyValues) {
    const CmdArgs& args = parsed({});
    EXPECT_EQ(args.commandId, 1);
    EXPECT_EQ(args.jobType + args.fabricProbeCmd + args.fabricProbeFabrics + args.traceFile, "");
    EXPECT_EQ((std::vector<int>{-1, 1024, 8, 5, 90, -1, 0}),
              (std::vector<int>{args.serverPort, args.maxLogSize, args.maxNumLogs, args.maxNumRuns, args.maxNumDays,
                                args.agentComFd, args.debugLevel}));
    EXPECT_EQ(args.installLoc, install_.path());
    EXPECT_EQ(args.installDir, install_.path());
    EXPECT_EQ(args.programName, "fabricprobe");
    // The job's log is named at the end of the parse; a trace only with -debug.
    EXPECT_EQ(args.logFile.rfind(install_.path() + "/log/fabricprobe_", 0), 0u) << args.logFile;
    EXPECT_EQ(args.logFile.rfind(".log"), args.logFile.size() - 4);
    EXPECT_EQ(args.dataFile, install_.path() + "/output/fabricprobe.dat");
}

TEST_F(CmdArgsTest, FullProbeCommandLineFillsEveryField) {
    const CmdArgs& args =
        parsed({"-debug", "MID", "-maxlogsize", "2048", "-maxnumlogs", "3", "-maxnumruns", "4", "-maxnumdays", "7",
                "-servername", "tpcserver", "-serverip", "10.0.0.1_10.0.0.2", "-serverport", "9549", "-command",
                "Topology", "-fabrics", "allfabrics", "-jobtimestamp", "20240101", "-discoverrequestid", "42",
                "-devicejobid", "77"});
    EXPECT_EQ(args.commandId, 1);
    EXPECT_EQ(args.jobType, "FABRICPROBE");
    EXPECT_EQ(args.debugWord, "MID");
    EXPECT_EQ((std::vector<int>{2, 2048, 3, 4, 7, 9549}), (std::vector<int>{args.debugLevel, args.maxLogSize, args.maxNumLogs,
                                                                            args.maxNumRuns, args.maxNumDays, args.serverPort}));
    EXPECT_EQ(args.serverName, "tpcserver");
    EXPECT_EQ(args.serverIp, "10.0.0.1_10.0.0.2");
    EXPECT_EQ(args.serverIpList, (std::vector<std::string>{"10.0.0.1", "10.0.0.2"}));
    EXPECT_EQ((std::vector<std::string>{"Topology", "allfabrics", "20240101", "42", "77"}),
              (std::vector<std::string>{args.fabricProbeCmd, args.fabricProbeFabrics, args.fabricProbeJobTimestamp,
                                        args.fabricProbeDiscoverRequestId, args.fabricProbeJobId}));
    EXPECT_EQ(args.argIndex, args.argc);
    // Per-server log directory, and a trace file because a debug level is set.
    EXPECT_EQ(args.logFile.rfind(install_.path() + "/log/tpcserver/fabricprobe_", 0), 0u) << args.logFile;
    EXPECT_EQ(args.traceFile.substr(0, args.traceFile.size() - 6) + ".log", args.logFile);
    EXPECT_EQ(args.dataFile, install_.path() + "/output/tpcserver/fabricprobe.dat");
}

TEST_F(CmdArgsTest, KeywordsAndDebugWordsMatchWithoutRegardToCase) {
    const CmdArgs& args = parsed({"-DEBUG", "max", "-MaxLogSize", "512", "-SERVERNAME", "s", "-ServerIP", "1.2.3.4",
                                  "-devicejobid", "j", "-DeviceJobId", "k"});
    EXPECT_EQ(args.debugWord, "MAX");
    EXPECT_EQ(args.debugLevel, 1);
    EXPECT_EQ(args.maxLogSize, 512);
    EXPECT_EQ(args.serverName, "s");
    EXPECT_EQ(args.serverIpList, std::vector<std::string>{"1.2.3.4"});
    EXPECT_EQ(args.fabricProbeJobId, "k");  // a repeated option: the last one counts
    const std::tuple<const char*, const char*, int> words[] = {{"MIN", "MIN", 3}, {"mid", "MID", 2}, {"Max", "MAX", 1}};
    for (const auto& [given, word, level] : words) {
        const CmdArgs& debug = parsed({"-debug", given});
        EXPECT_EQ(debug.debugWord, word);
        EXPECT_EQ(debug.debugLevel, level);
    }
}

TEST_F(CmdArgsTest, EveryOptionReportsItsMissingValue) {
    const std::pair<const char*, const char*> cases[] = {
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
    for (const auto& [option, text] : cases) {
        // After another option, so that the probe command is chosen first.
        const CmdArgs& args = parsed({"-servername", "s", option}, 6);
        EXPECT_EQ(args.errorText, text);
        EXPECT_EQ(args.currentArg, option);
    }
    // The integers it would have set are left at -1.
    EXPECT_EQ(parsed({"-maxlogsize"}, 6).maxLogSize, -1);
    EXPECT_EQ(parsed({"-maxnumlogs"}, 6).maxNumLogs, -1);
    EXPECT_EQ(parsed({"-maxnumruns"}, 6).maxNumRuns, -1);
    EXPECT_EQ(parsed({"-maxnumdays"}, 6).maxNumDays, -1);
    EXPECT_EQ(parsed({"-serverport"}, 6).serverPort, -1);
}

TEST_F(CmdArgsTest, IntegerValuesReadTheLeadingNumber) {
    const std::pair<const char*, int> cases[] = {
        {"0", 1024},  {"abc", 1024}, {"12abc", 12}, {" 64", 64}, {"-5", -5},
        {"99999999999999999999999", INT_MAX}, {"-99999999999999999999", INT_MIN},
    };
    for (const auto& [value, maxLogSize] : cases) EXPECT_EQ(parsed({"-maxlogsize", value}).maxLogSize, maxLogSize) << value;
    EXPECT_EQ(parsed({"-serverport", "0"}).serverPort, 0);  // 0 stays 0: the run's checks reject it
}

TEST_F(CmdArgsTest, ProbeValuesInDoubleQuotesAreUnquotedAndServerAddressesSplit) {
    const CmdArgs& args = parsed({"-command", "\"Topology\"", "-fabrics", "allfabrics", "-jobtimestamp", "\"",
                                  "-discoverrequestid", "\"12", "-devicejobid", "a\"b\"", "-servername", "\"srv\"",
                                  "-serverip", "a_b__c"});
    EXPECT_EQ(args.fabricProbeCmd, "Topology");
    EXPECT_EQ(args.fabricProbeFabrics, "allfabrics");
    EXPECT_EQ(args.fabricProbeJobTimestamp, "");
    EXPECT_EQ(args.fabricProbeDiscoverRequestId, "1");  // first and last character go, whatever the last is
    EXPECT_EQ(args.fabricProbeJobId, "a\"b\"");
    EXPECT_EQ(args.serverName, "\"srv\"");  // only the probe values are unquoted
    EXPECT_EQ(args.serverIp, "a_b__c");
    EXPECT_EQ(args.serverIpList, (std::vector<std::string>{"a", "b", "", "c"}));
}

TEST_F(CmdArgsTest, AgentComClosesTheReadEndAndKeepsTheWriteEnd) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    EXPECT_EQ(parsed({"-agentcom", std::to_string(fds[0]) + "," + std::to_string(fds[1])}).agentComFd, fds[1]);
    struct stat st {};
    EXPECT_TRUE(fstat(fds[0], &st) != 0 || !S_ISFIFO(st.st_mode));  // closed at once (the log may reuse its number)
    EXPECT_NE(fcntl(fds[1], F_GETFD), -1);
    close(fds[1]);
    for (const char* bad : {"7", "7,", ""}) {
        const CmdArgs& args = parsed({"-agentcom", bad}, 6);
        EXPECT_EQ(args.errorText, "agentCom not specified");
        EXPECT_EQ(args.agentComFd, -1);
    }
    EXPECT_EQ(parsed({"-agentcom", "0,0"}).agentComFd, -1);
}

TEST_F(CmdArgsTest, VersionCommandAllowsOnlyItsOptionsAndOnlyInFirstPlace) {
    const CmdArgs& version = parsed({"-VERSION"});
    EXPECT_EQ(version.commandId, 2);
    EXPECT_EQ(version.jobType, "VERSION");
    EXPECT_EQ(parsed({"-version", "-debug", "MAX", "-agentcom", "0,0"}).debugWord, "MAX");
    for (const char* serverOption : {"-servername", "-serverport", "-serverip"})
        EXPECT_EQ(parsed({"-version", serverOption, "x"}, 3).currentArg, serverOption);
    EXPECT_EQ(parsed({"-debug", "MIN", "-version"}, 3).currentArg, "-version");
}

TEST_F(CmdArgsTest, RejectedArgumentsAndTheirResults) {
    const struct {
        std::vector<std::string> args;
        int result;
        const char* currentArg;
    } cases[] = {
        {{"-bogus"}, 2, "-bogus"},               // no command and no probe option
        {{"servername", "x"}, 2, "servername"},  // no leading '-'
        {{"-servername", "x", "-bogus"}, 3, "-bogus"},
        {{"-servername", "x", "stray"}, 3, "stray"},
        {{"-servername", "x", "-"}, 3, "-"},
        {{"-servername", "x", "--servername", "y"}, 3, "--servername"},
        {{"-servername", "x", "-debug", "LOTS"}, 3, "-debug"},
        // A server name names a directory of its own under log, output and input.
        {{"-servername", "../x"}, 3, "-servername ../x"},
        {{"-servername", "a/b"}, 3, "-servername a/b"},
        {{"-servername", "x", "-servername", ".."}, 3, "-servername .."},
        {{"-servername", "."}, 3, "-servername ."},
        {{"-servername", "a\nb"}, 3, "-servername a\nb"},
        {{"-servername", "a\x7f"}, 3, "-servername a\x7f"},
    };
    for (const auto& c : cases) {
        const CmdArgs& args = parsed(c.args, c.result);
        EXPECT_EQ(args.currentArg, c.currentArg);
        EXPECT_TRUE(args.installLoc.empty());  // the parse stops before its end
        EXPECT_EQ(args.debugLevel, 0);
        if (c.args[0] == "-servername") {
            EXPECT_NE(args.serverName, c.args.back());
        }
    }
    EXPECT_EQ(parsed({"-debug", "LOTS"}, 3).errorText, "Invalid debug mode");
    EXPECT_EQ(parsed({"-debug", "LOTS"}, 3).argIndex, 2);  // left on the rejected value
    for (const char* name : {"..x", "x..", "...", "srv.example.com", "fe80::1", "tpc server"})
        EXPECT_EQ(parsed({"-servername", name}).serverName, name);
}

TEST_F(CmdArgsTest, ValuesMayBeginWithADashAndBeVeryLong) {
    const std::string huge(10000, 'v');
    const CmdArgs& args = parsed({"-servername", "-devicejobid", "-command", huge, "-devicejobid", "-x"});
    EXPECT_EQ(args.serverName, "-devicejobid");
    EXPECT_EQ(args.fabricProbeCmd, huge);
    EXPECT_EQ(args.fabricProbeJobId, "-x");
    const std::string hugeOption = "-" + std::string(9999, 'o');
    EXPECT_EQ(parsed({"-servername", "s", hugeOption}, 3).currentArg, hugeOption);
}

TEST_F(CmdArgsTest, NoInstallationDirectoryEndsWith59) {
    Argv argv{install_.file("tools/fabricprobe"), "-servername", "s"};
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
    Argv argv{install_.file("bin/fabricprobe"), "-bogus"};
    for (int kind : {int{TOOL_AGENT}, int{TOOL_PROBE}, 7, 15}) {
        CmdArgs args(argv.argc(), argv.argv(), kind);
        EXPECT_EQ(args.parse(), 0) << kind;
        EXPECT_EQ(args.argIndex, 1);
    }
    // The probe's own log name; component 9 is named by the job type it runs; no tool of kind 7.
    EXPECT_EQ(componentName(componentNumberOf(TOOL_FABRIC_PROBE)), "fabricprobe");
    EXPECT_NE(componentName(9, "naimportquota"), componentName(9, "naresolveids"));
    EXPECT_EQ(componentNumberOf(7), -1);
    EXPECT_EQ(toolTables(7).commands, nullptr);
    EXPECT_EQ(componentName(15), "");
}

}  // namespace
