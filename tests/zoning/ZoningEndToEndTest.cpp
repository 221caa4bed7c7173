// "ZoningOnly" runs of the installed probe against simulated fabrics: whole
// output files, return codes, activity-log messages and the calls the zone
// server saw.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ProbeRun.h"
#include "TempDir.h"

namespace {

const char kServer[] = "tpcserver";
const char kFabric[] = "100000000000A001";
constexpr int kBadResponse = -1002;

struct ZoningRun {
    ProbeRunResult result;
    std::string output;                // the output file
    std::string outputPath;
    std::string activityLog;
    std::vector<std::string> simCalls;  // the simulator's call log
};

std::string modelPath(const std::string& name) { return sourcePath("tests/zoning/models/" + name); }
std::string expectedFile(const std::string& name) {
    return readFile(sourcePath("tests/zoning/expected/" + name));
}

// Every activity log the run wrote, one after the other.
std::string readActivityLogs(const std::string& dir) {
    std::string all;
    for (const std::string& name : filesIn(dir, ".log")) all += readFile(dir + "/" + name);
    return all;
}

ZoningRun runZoning(const std::string& testName, const std::string& model, bool kernel = false) {
    ProbeInstall install("zoning_" + testName);
    ::mkdir(install.path(std::string("output/") + kServer).c_str(), 0755);
    const std::string simLog = install.path("fabricsim.log");
    ProbeRunOptions options;
    options.model = model;
    options.kernel = kernel;
    options.fastClock = true;  // GAZS/GZSN/GZS retries pause 10 s each
    options.env = {"FABRICSIM_LOG=" + simLog};
    options.args = {"-command",           "ZoningOnly", "-fabrics",     "allfabrics",
                    "-servername",        kServer,      "-serverip",    "192.0.2.1",
                    "-serverport",        "9549",       "-jobtimestamp", "20240601120000",
                    "-discoverrequestid", "17",         "-devicejobid", "42"};
    ZoningRun run;
    run.result = runProbe(install, options);
    run.outputPath = install.path(std::string("output/") + kServer +
                                  "/fabricprobe_ZoningOnly_20240601120000_17_42.dat");
    run.output = readFile(run.outputPath);
    run.activityLog = readActivityLogs(install.path(std::string("log/") + kServer));
    run.simCalls = readLines(simLog);
    return run;
}

std::vector<std::string> callsOf(const std::vector<std::string>& calls, const std::string& cmd) {
    std::vector<std::string> out;
    for (const std::string& line : calls)
        if (line.find(" cmd=" + cmd + " ") != std::string::npos) out.push_back(line);
    return out;
}

// Seconds (with milliseconds) at the head of a simulator log line.
double callTime(const std::string& line) { return std::strtod(line.c_str(), nullptr); }

// The activity-log line of AGT0432E carries the command it names.
bool loggedBadResponse(const std::string& log, const std::string& command) {
    std::size_t at = 0;
    while ((at = log.find("AGT0432E", at)) != std::string::npos) {
        const std::size_t end = log.find('\n', at);
        if (log.substr(at, end - at).find(command) != std::string::npos) return true;
        ++at;
    }
    return false;
}

TEST(ZoningEndToEnd, FullDatabaseThenActiveCopy) {
    const ZoningRun run = runZoning("full_db", modelPath("full_db.json"));
    EXPECT_EQ(run.result.exitCode, 0) << run.result.err;
    EXPECT_EQ(run.output, expectedFile("full_db.dat"));
    EXPECT_TRUE(outputFileIsValid(run.outputPath));
    // The rejected zone set was asked three times and then left out.
    EXPECT_EQ(linesWith(run.simCalls, " cmd=GZS ", "key=cfg_gone"), 3u);
    EXPECT_EQ(run.activityLog.find("AGT0432E"), std::string::npos);
}

TEST(ZoningEndToEnd, WithoutDatabaseTheActiveSetIsWrittenTwice) {
    const ZoningRun run = runZoning("active_only", modelPath("active_only.json"));
    EXPECT_EQ(run.result.exitCode, 0) << run.result.err;
    EXPECT_EQ(run.output, expectedFile("active_only.dat"));
    EXPECT_TRUE(outputFileIsValid(run.outputPath));
    // The database the switch does not offer is never asked for by name.
    EXPECT_TRUE(callsOf(run.simCalls, "GZS").empty());
}

TEST(ZoningEndToEnd, NoActiveSetAndNoDatabaseWritesNothing) {
    const ZoningRun run = runZoning("no_zoning", modelPath("no_zoning.json"));
    EXPECT_EQ(run.result.exitCode, 0) << run.result.err;
    EXPECT_EQ(run.output, expectedFile("no_zoning.dat"));
    EXPECT_TRUE(outputFileIsValid(run.outputPath));
}

TEST(ZoningEndToEnd, ThreeFailedActiveSetQueriesPauseTwice) {
    const ZoningRun run = runZoning("gazs_pauses", modelPath("no_zoning.json"));
    const auto gazs = callsOf(run.simCalls, "GAZS");
    ASSERT_EQ(gazs.size(), 3u);
    for (const std::string& line : gazs) EXPECT_NE(line.find("result=RJT"), std::string::npos) << line;
    EXPECT_GE(callTime(gazs[1]) - callTime(gazs[0]), 10.0);
    EXPECT_GE(callTime(gazs[2]) - callTime(gazs[1]), 10.0);
    // No pause after the last attempt: the zone set list follows at once.
    EXPECT_TRUE(outputFileIsValid(run.outputPath));
    const auto gzsn = callsOf(run.simCalls, "GZSN");
    ASSERT_FALSE(gzsn.empty());
    EXPECT_LT(callTime(gzsn[0]) - callTime(gazs[2]), 10.0);
}

TEST(ZoningEndToEnd, EveryMemberTypeAndAwkwardZones) {
    const ZoningRun run = runZoning("member_types", modelPath("member_types.json"));
    EXPECT_EQ(run.result.exitCode, 0) << run.result.err;
    EXPECT_EQ(run.output, expectedFile("member_types.dat"));
    EXPECT_TRUE(outputFileIsValid(run.outputPath));
}

TEST(ZoningEndToEnd, TruncatedZoneObjectEndsTheProbe) {
    // The zone set counts three zones and the answer ends after two: the third
    // is read from the cleared buffer's zero bytes, a zone without a name.
    const ZoningRun run = runZoning("truncated_zone", modelPath("truncated_zone.json"));
    EXPECT_EQ(run.result.exitCode, exitStatusOf(kBadResponse));
    EXPECT_EQ(run.output, expectedFile("truncated_zone.dat"));
    EXPECT_TRUE(outputFileEndsInsideAFabric(run.outputPath));
    EXPECT_TRUE(loggedBadResponse(run.activityLog, "GAZS")) << run.activityLog;
}

TEST(ZoningEndToEnd, AZoneSetAnswerEndingBeforeItsMembersEndsTheProbe) {
    // GZS counts three members of z1 and only the first arrives: the other two
    // are not read from the cleared buffer as members of zeros, through the V2
    // call or the kernel's FC transport.
    for (bool kernel : {false, true}) {
        SCOPED_TRACE(kernel ? "kernel" : "V2");
        const ZoningRun run = runZoning(kernel ? "short_members_kernel" : "short_members",
                                        modelPath("short_members.json"), kernel);
        EXPECT_EQ(run.result.exitCode, exitStatusOf(kBadResponse));
        EXPECT_EQ(run.output, expectedFile("short_members.dat"));
        EXPECT_TRUE(outputFileEndsInsideAFabric(run.outputPath));
        EXPECT_TRUE(loggedBadResponse(run.activityLog, "GZS")) << run.activityLog;
        EXPECT_EQ(callsOf(run.simCalls, "GZS").size(), 1u);
    }
}

TEST(ZoningEndToEnd, MemberTypeOutsideTheTableIsWrittenAsUnknown) {
    // A made-up code in one zone, a vendor-specific one in another: both are
    // "Unknown" members and every zone set after them is still read.
    const ZoningRun run = runZoning("unknown_member", modelPath("unknown_member.json"));
    EXPECT_EQ(run.result.exitCode, 0) << run.result.err;
    EXPECT_EQ(run.output, expectedFile("unknown_member.dat"));
    EXPECT_TRUE(outputFileIsValid(run.outputPath));
    EXPECT_EQ(countOf(run.output, "\"100000000000A001:0000000000000000:Unknown\",\"0000000000000000\","
                                  "\"Unknown\"\n"),
              2u);
    EXPECT_EQ(run.activityLog.find("AGT0432E"), std::string::npos);
    EXPECT_EQ(callsOf(run.simCalls, "GZS").size(), 3u);
}

// Models too large to keep in the tree are written by the test.
std::string writeModel(const TempDir& dir, const std::string& zoning) {
    return dir.write("model.json",
                     "{\"adapters\":[{\"name\":\"fabricsim-hba0\",\"node_wwn\":\"20000000C9A00001\","
                     "\"ct_v2\":true,\"fail\":null,\"ports\":[{\"wwn\":\"10000000C9A00001\",\"fcid\":\"010100\","
                     "\"fabric\":\"A\",\"fail_attributes\":false}]}],"
                     "\"fabrics\":{\"A\":{\"name\":\"" +
                         std::string(kFabric) +
                         "\","
                         "\"switches\":[{\"wwn\":\"" +
                         kFabric +
                         "\",\"type\":1,\"domain\":1,\"ports\":[]}],"
                         "\"platforms\":[],\"zoning\":" +
                         zoning + "}},\"faults\":[]}\n");
}

std::string fabricBlockOpening() {
    std::string head = expectedFile("no_zoning.dat");
    return head.substr(0, head.rfind("[/Fabric]\n"));
}

TEST(ZoningEndToEnd, ZoneSetListCutToItsBufferEndsBeforeAnyZoneSet) {
    // 130 entries of 260 bytes need 33,820 bytes; the list buffer holds 32,000.
    std::string database;
    for (int i = 0; i < 130; ++i) {
        char prefix[8];
        std::snprintf(prefix, sizeof prefix, "%03d", i);
        database += std::string(i ? "," : "") + "{\"name\":\"" + prefix + std::string(248, 'n') +
                    "\",\"zones\":[]}";
    }
    const TempDir dir;
    const std::string model = writeModel(dir, "{\"full_db\":true,\"active\":{\"name\":\"000" + std::string(248, 'n') +
                                                  "\",\"zones\":[]},\"database\":[" + database + "]}");
    const ZoningRun run = runZoning("long_list", model);
    EXPECT_EQ(run.result.exitCode, exitStatusOf(kBadResponse));
    EXPECT_TRUE(loggedBadResponse(run.activityLog, "GZSN")) << run.activityLog;
    EXPECT_EQ(run.output, fabricBlockOpening());
    EXPECT_TRUE(outputFileEndsInsideAFabric(run.outputPath));
    EXPECT_TRUE(callsOf(run.simCalls, "GZS").empty());
}

TEST(ZoningEndToEnd, ActiveSetCutToItsBufferIsReadUpToItsEnd) {
    // One zone of 25,000 members: 300,000 bytes of members for a 256,000-byte buffer.
    std::string members;
    for (int i = 0; i < 25000; ++i) {
        char id[24];
        std::snprintf(id, sizeof id, "\"10000000%08X\"", unsigned(i));
        members += std::string(i ? "," : "") + "{\"type\":1,\"id\":" + id + "}";
    }
    const TempDir dir;
    const std::string model = writeModel(dir,
                                         "{\"full_db\":false,\"active\":{\"name\":\"cfg_big\",\"zones\":[{\"name\":"
                                         "\"z_big\",\"members\":[" +
                                             members + "]}]},\"database\":[]}");
    const ZoningRun run = runZoning("big_active", model);
    EXPECT_EQ(run.result.exitCode, exitStatusOf(kBadResponse));
    EXPECT_TRUE(loggedBadResponse(run.activityLog, "GAZS")) << run.activityLog;
    // Members start at 16 + 12 ("cfg_big") + 4 + 12 ("z_big") + 4 = 48.
    const std::size_t fitting = (256000 - 48) / 12;
    EXPECT_EQ(countOf(run.output, "[/ZoneMember]\n"), fitting);
    EXPECT_EQ(countOf(run.output, "[/ZoneToMember]\n"), fitting);
    char last[64];
    std::snprintf(last, sizeof last, "\"10000000%08X\",\"PortWWN\"\n[/ZoneMember]\n",
                  unsigned(fitting - 1));
    EXPECT_NE(run.output.find(last), std::string::npos);
    EXPECT_EQ(run.output.compare(run.output.size() - 16, 16, "[/ZoneToMember]\n"), 0);
    EXPECT_EQ(run.output.find("[/Fabric]"), std::string::npos);
    EXPECT_TRUE(outputFileEndsInsideAFabric(run.outputPath));
}

}  // namespace
