#include <string>

#include <gtest/gtest.h>

#include "Argv.h"
#include "CmdArgs.h"
#include "CmdTables.h"
#include "ProbeChecks.h"
#include "ReturnCodes.h"

namespace {

CmdArgs validArgs() {
    CmdArgs args(0, nullptr, TOOL_FABRIC_PROBE);
    args.serverName = "srv";
    args.serverIp = "10.0.0.1";
    args.serverPort = 9549;
    args.fabricProbeCmd = "Topology";
    args.fabricProbeFabrics = "allfabrics";
    args.fabricProbeJobTimestamp = "ts";
    args.fabricProbeDiscoverRequestId = "1";
    args.fabricProbeJobId = "2";
    return args;
}

TEST(ProbeChecks, ValidOptionsPass) {
    CmdArgs args = validArgs();
    EXPECT_EQ(checkProbeOptions(args), 0);
    args.fabricProbeCmd = "ZoningOnly";
    args.fabricProbeFabrics = "specificfabrics";
    EXPECT_EQ(checkProbeOptions(args), 0);
    args.serverPort = -1;  // a port that was not given passes
    EXPECT_EQ(checkProbeOptions(args), 0);
}

TEST(ProbeChecks, EachMissingValueHasItsCode) {
    const struct {
        void (*clear)(CmdArgs&);
        int rc;
    } cases[] = {
        {[](CmdArgs& a) { a.serverName.clear(); }, FABRIC_PROBE_SERVERNAME_NOT_SPECIFIED},
        {[](CmdArgs& a) { a.serverIp.clear(); }, FABRIC_PROBE_SERVERIP_NOT_SPECIFIED},
        {[](CmdArgs& a) { a.serverPort = 0; }, FABRIC_PROBE_SERVERPORT_NOT_SPECIFIED},
        {[](CmdArgs& a) { a.fabricProbeJobTimestamp.clear(); }, FABRIC_PROBE_PROBETIMESTAMP_NOT_SPECIFIED},
        {[](CmdArgs& a) { a.fabricProbeDiscoverRequestId.clear(); }, FABRIC_PROBE_DISCOVERREQUESTID_NOT_SPECIFIED},
        {[](CmdArgs& a) { a.fabricProbeJobId.clear(); }, FABRIC_PROBE_JOBID_NOT_SPECIFIED},
        // An empty command or fabric choice is also not a valid word, and that check comes later.
        {[](CmdArgs& a) { a.fabricProbeCmd.clear(); }, FABRIC_PROBE_COMMAND_INVALID},
        {[](CmdArgs& a) { a.fabricProbeFabrics.clear(); }, FABRIC_PROBE_FABRICS_INVALID},
        {[](CmdArgs& a) { a.fabricProbeCmd = "topology"; }, FABRIC_PROBE_COMMAND_INVALID},
        {[](CmdArgs& a) { a.fabricProbeFabrics = "AllFabrics"; }, FABRIC_PROBE_FABRICS_INVALID},
    };
    for (const auto& c : cases) {
        CmdArgs args = validArgs();
        c.clear(args);
        EXPECT_EQ(checkProbeOptions(args), c.rc);
    }
}

TEST(ProbeChecks, TheLastFailingCheckWins) {
    CmdArgs args = validArgs();
    args.serverName.clear();
    args.fabricProbeJobId.clear();
    EXPECT_EQ(checkProbeOptions(args), FABRIC_PROBE_JOBID_NOT_SPECIFIED);

    args = validArgs();
    args.serverPort = 0;
    args.fabricProbeCmd = "Zoning";
    EXPECT_EQ(checkProbeOptions(args), FABRIC_PROBE_COMMAND_INVALID);

    // Nothing given at all, as a run without arguments: the fabrics check is last.
    CmdArgs empty(0, nullptr, TOOL_FABRIC_PROBE);
    EXPECT_EQ(checkProbeOptions(empty), FABRIC_PROBE_FABRICS_INVALID);
}

TEST(CommandLineText, ArgumentsAreJoinedWithATrailingBlank) {
    Argv argv{"/opt/x/bin/fabricprobe", "-servername", "s"};
    EXPECT_EQ(commandLineText(argv.argc(), argv.argv()), "/opt/x/bin/fabricprobe -servername s ");
    EXPECT_EQ(commandLineText(0, nullptr), "");
}

TEST(CommandLineText, TooLongATextBecomesTheOverflowSentence) {
    const std::string sentence = "Command line args length greater than commandLineAargString can handle\n";
    // 990 + blank = 991; 6 more characters reach exactly 997 and still fit.
    Argv fits{std::string(990, 'a'), "bbbbbb"};
    EXPECT_EQ(commandLineText(fits.argc(), fits.argv()), std::string(990, 'a') + " bbbbbb ");
    Argv over{std::string(990, 'a'), "bbbbbbb", "-x"};
    EXPECT_EQ(commandLineText(over.argc(), over.argv()), sentence + "-x ");
    Argv huge{"prog", std::string(10000, 'h')};
    EXPECT_EQ(commandLineText(huge.argc(), huge.argv()), sentence);
}

}  // namespace
