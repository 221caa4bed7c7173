// The probe options' checks, the command line as the activity log records it, a rejected
// argument as AGT0412E names it, and the names of the run's return codes.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "Argv.h"
#include "CmdArgs.h"
#include "CmdTables.h"
#include "ProbeChecks.h"
#include "RcDescription.h"
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

// Every check runs: the code is the last failing check's.
TEST(ProbeChecks, EachFailingValueHasItsCodeAndTheLastOneWins) {
    const struct {
        void (*change)(CmdArgs&);
        int rc;
    } cases[] = {
        {[](CmdArgs&) {}, 0},
        {[](CmdArgs& a) { a.fabricProbeCmd = "ZoningOnly", a.fabricProbeFabrics = "specificfabrics"; }, 0},
        {[](CmdArgs& a) { a.serverPort = -1; }, 0},  // a port that was not given passes
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
        {[](CmdArgs& a) { a.serverName.clear(), a.fabricProbeJobId.clear(); }, FABRIC_PROBE_JOBID_NOT_SPECIFIED},
        {[](CmdArgs& a) { a.serverPort = 0, a.fabricProbeCmd = "Zoning"; }, FABRIC_PROBE_COMMAND_INVALID},
        // Nothing given at all, as a run without arguments: the fabrics check is last.
        {[](CmdArgs& a) { a = CmdArgs(0, nullptr, TOOL_FABRIC_PROBE); }, FABRIC_PROBE_FABRICS_INVALID},
    };
    for (const auto& c : cases) {
        CmdArgs args = validArgs();
        c.change(args);
        EXPECT_EQ(checkProbeOptions(args), c.rc);
    }
}

TEST(CommandLineText, ArgumentsAreJoinedWithATrailingBlankOrBecomeTheOverflowSentence) {
    Argv argv{"/opt/x/bin/fabricprobe", "-servername", "s"};
    EXPECT_EQ(commandLineText(argv.argc(), argv.argv()), "/opt/x/bin/fabricprobe -servername s ");
    EXPECT_EQ(commandLineText(0, nullptr), "");
    const std::string sentence = "Command line args length greater than commandLineAargString can handle\n";
    // 990 + blank = 991; 6 more characters reach exactly 997 and still fit.
    Argv fits{std::string(990, 'a'), "bbbbbb"};
    EXPECT_EQ(commandLineText(fits.argc(), fits.argv()), std::string(990, 'a') + " bbbbbb ");
    Argv over{std::string(990, 'a'), "bbbbbbb", "-x"};
    EXPECT_EQ(commandLineText(over.argc(), over.argv()), sentence + "-x ");
    Argv huge{"prog", std::string(10000, 'h')};
    EXPECT_EQ(commandLineText(huge.argc(), huge.argv()), sentence);
}

// AGT0412E's insert stays one line of at most 4,604 characters of the argument.
TEST(RejectedArgumentText, CutAndControlCharactersEscaped) {
    EXPECT_EQ(rejectedArgumentText("-servername srv\nAGT0430I\x7f\t"), "-servername srv%0AAGT0430I%7F%09");
    EXPECT_EQ(rejectedArgumentText("-" + std::string(10000, 'a')), "-" + std::string(4603, 'a'));
    EXPECT_EQ(rejectedArgumentText(""), "<NULL>");
}

TEST(RcDescription, NamesFitTheirBufferAndUnnamedCodesAreUnknown) {
    const auto describe = [](int rc, std::size_t size) {
        char buffer[64];
        std::memset(buffer, 'X', sizeof buffer);
        getFpRcDescription(rc, buffer, size);
        return std::string(buffer);
    };
    EXPECT_EQ(describe(0, 46), "FABRIC_PROBE_SUCCESS");
    EXPECT_EQ(describe(-2006, 46), "FABRIC_PROBE_FABRICPROBECOMMAND_NOT_SPECIFIED");  // the longest, 45 characters
    EXPECT_EQ(describe(-1002, 46), "FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT");
    EXPECT_EQ(describe(-2012, 46), "FABRIC_PROBE_FABRICS_INVALID");
    EXPECT_EQ(describe(-2015, 46), "FABRIC_PROBE_MEMORY_ALLOCATION_FAILURE");
    // A stopped probe and a failed HBA API load have no name of their own.
    EXPECT_EQ(describe(-2016, 46), "UNKNOWN");
    EXPECT_EQ(describe(1, 46), "UNKNOWN");
    EXPECT_EQ(describe(-2000, 8), "FABRIC_");
}

}  // namespace
