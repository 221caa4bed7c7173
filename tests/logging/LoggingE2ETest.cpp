// The installed program's activity log, debug trace, catalog and file naming.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <list>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ProbeRun.h"

namespace {

const char* kStamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )";
const char* kSan = "examples/san.json";
const char* kEmpty = "tests/logging/models/no-adapters.json";

std::vector<std::string> probeArgs(std::vector<std::string> extra = {}, const std::string& jobId = "22") {
    std::vector<std::string> args = {"-servername", "srv", "-serverip", "10.0.0.1", "-serverport", "9549",
                                     "-command", "Topology", "-fabrics", "allfabrics", "-jobtimestamp",
                                     "20240102030405", "-discoverrequestid", "11", "-devicejobid", jobId};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

ProbeRunOptions options(const std::string& model, std::vector<std::string> extra = {}) {
    ProbeRunOptions o;
    o.model = sourcePath(model);
    o.args = probeArgs(std::move(extra));
    return o;
}

std::string numbered(int number, const char* ext) {
    char name[48];
    std::snprintf(name, sizeof name, "fabricprobe_%06d%s", number, ext);
    return name;
}

// An installation whose output directory for server "srv" exists, as the agent leaves it.
ProbeInstall prepared(const std::string& name) {
    ProbeInstall install(name);
    makeDirs(install.path("output/srv"));
    return install;
}

TEST(LoggingE2E, EveryRunAppendsTimeStampedMessagesToTheNumberedLog) {
    ProbeInstall install = prepared("logging_activity_log");
    // The second run asks for German: there is no German catalog, and the log stays English.
    for (const std::string lang : {"C", "de_DE.UTF-8"}) {
        ProbeRunOptions o = options(kSan);
        o.env = {"LANG=" + lang};
        ProbeRunResult result = runProbe(install, o);
        ASSERT_EQ(0, result.exitCode) << result.out << result.err;
        EXPECT_EQ("", result.out) << lang;
    }
    const std::string log = readFile(install.path("log/srv/fabricprobe_000001.log"));
    EXPECT_EQ(2u, countOf(log, " AGT0429I FabricProbe started with the command line: "));
    EXPECT_EQ(2u, countOf(log, " AGT0430I FabricProbe ended with return code 0.\n"));
    EXPECT_TRUE(std::regex_search(log, std::regex(std::string("(^|\n)") + kStamp +
                                                  "AGT0429I FabricProbe started with the command line: \\S*fabricprobe "
                                                  "-servername srv ")));
    EXPECT_TRUE(contains(log, " AGT0426I ") && contains(log, " STA0250I ")) << log;
    EXPECT_TRUE(filesIn(install.path("log/srv"), ".trace").empty()) << "no -debug, no trace";
    EXPECT_FALSE(fileExists(install.path("log/fabricprobe.log")));
}

TEST(LoggingE2E, DebugMaxWritesTheRingTraceBesideTheLog) {
    ProbeInstall install = prepared("logging_debug_max");
    ProbeRunResult result = runProbe(install, options(kSan, {"-debug", "MAX"}));
    ASSERT_EQ(0, result.exitCode) << result.out << result.err;
    const std::string path = install.path("log/srv/fabricprobe_000001.trace");
    const std::string trace = readFile(path);
    EXPECT_EQ(0u, trace.find("ORX Trace   "));
    EXPECT_TRUE(contains(trace, "Tracing to file: " + path + "\n"));
    EXPECT_TRUE(std::regex_search(trace, std::regex(std::string(kStamp) +
                                                    R"(\[\d{6,}\] \[\d+\] : main\.cpp +\( *\d+\): Enter: main\(\)\n)")));
    EXPECT_TRUE(contains(trace, "Enter LogActivityLog, msgBuf : "));
    EXPECT_TRUE(contains(trace, "Exit: main(), rc = 0\n\nEND OF DATA - close\n\n"));
    EXPECT_TRUE(contains(readFile(install.path("log/srv/fabricprobe_000001.log")), " AGT0430I "));
    // Tracing everything leaves the output file as it is without tracing.
    EXPECT_TRUE(outputFileIsValid(install.path("output/srv/fabricprobe_Topology_20240102030405_11_22.dat")));
}

TEST(LoggingE2E, MissingCatalogFailsTheStartWithItsReport) {
    ProbeInstall install = prepared("logging_no_catalog");
    ASSERT_EQ(0, ::unlink(install.path("nls").c_str()));
    ProbeRunResult result = runProbe(install, options(kEmpty));
    EXPECT_EQ(exitStatusOf(-2000), result.exitCode);
    EXPECT_EQ("ANS0101E Unable to open English message repository 'orxna.cat'.\n", result.out);
}

// Starts one probe per job id at once, as the agent does, and waits for all.
void runTogether(const ProbeInstall& install, int firstId, int count) {
    RunOptions options;
    options.launcher = {stagePath("bin/fabricsim-run"), sourcePath(kSan), "--"};
    options.cwd = install.root();
    std::list<Program> probes;
    for (int id = firstId; id < firstId + count; ++id) {
        std::vector<std::string> argv = probeArgs({"-debug", "MAX"}, std::to_string(id));
        argv.insert(argv.begin(), install.path("bin/fabricprobe"));
        probes.emplace_back(argv, options);
    }
    for (Program& probe : probes) {
        const RunResult result = probe.wait();
        EXPECT_EQ(0, result.exitCode) << result.err;
    }
}

// An agent that answers the notification only once `runs` probes have asked
// for it (or after 30 s): every probe of a round is then still running, its
// log and trace held, when the last of them starts.
void agentWaitsForRuns(const ProbeInstall& install, int runs) {
    std::filesystem::remove_all(install.path("arrived"));
    makeDirs(install.path("arrived"));
    writeFile(install.path("bin/Agent"),
              "#!/bin/sh\n"
              "d=$(dirname \"$0\")/../arrived\n"
              ": > \"$d/$$\"\n"
              "n=0\n"
              "while [ $(ls \"$d\" | wc -l) -lt " + std::to_string(runs) + " ] && [ $n -lt 600 ]; do sleep 0.05; n=$((n+1)); done\n");
}

// A run whose freshly reserved trace number is pruned by another run before it
// holds the file moves on to the next free number, so the numbers of a round
// need not follow each other: what counts is that no run loses or shares its trace.
TEST(LoggingE2E, ProbesStartedTogetherKeepTheirOwnTracesAndTheLogWholeAndPruningCatchesUp) {
    const int kRuns = 16;
    ProbeInstall install = prepared("logging_together");
    const std::string dir = install.path("log/srv/");
    std::set<std::string> seen, pids;
    for (int round = 0; round < 2; ++round) {
        agentWaitsForRuns(install, kRuns);
        runTogether(install, 101 + kRuns * round, kRuns);
        // Every trace of the round is there, whole, and the trace of one process.
        int fresh = 0;
        for (const std::string& name : filesIn(dir, ".trace")) {
            if (!seen.insert(name).second) continue;
            ++fresh;
            const std::string trace = readFile(dir + name);
            ASSERT_GT(trace.size(), 24u) << name;
            EXPECT_EQ("\nEND OF DATA - close", trace.substr(std::stoul(trace.substr(12, 12)), 20)) << name;
            EXPECT_EQ(1u, countOf(trace, "\nEND OF DATA")) << name;
            std::set<std::string> tracePids;
            const std::regex tag(R"(\.\d{3} \[(\d{6,})\] )");
            for (std::sregex_iterator it(trace.begin(), trace.end(), tag), end; it != end; ++it) tracePids.insert((*it)[1]);
            EXPECT_EQ(1u, tracePids.size()) << name;
            pids.insert(tracePids.begin(), tracePids.end());
        }
        EXPECT_EQ(kRuns, fresh) << "round " << round;
        EXPECT_EQ(kRuns * (round + 1u), pids.size()) << "round " << round;
        const std::vector<std::string> lines = readLines(dir + numbered(1, ".log"));
        EXPECT_EQ(kRuns * (round + 1u), linesWith(lines, " AGT0429I ", " -devicejobid 1"));
        EXPECT_EQ(kRuns * (round + 1u), linesWith(lines, " AGT0430I FabricProbe ended with return code 0."));
    }

    // One log, every line whole, each job's start logged once.
    ASSERT_EQ(std::vector<std::string>{numbered(1, ".log")}, filesIn(dir, ".log"));
    const std::vector<std::string> lines = readLines(dir + numbered(1, ".log"));
    const std::regex whole(std::string("^") + kStamp + "[A-Z]{3}\\d{4}[A-Z] ");
    for (const std::string& line : lines) EXPECT_TRUE(std::regex_search(line, whole)) << line;
    for (int id = 101; id < 101 + 2 * kRuns; ++id)
        EXPECT_EQ(1u, linesWith(lines, " AGT0429I ", " -devicejobid " + std::to_string(id) + " ")) << id;

    // Once nobody holds them, the next run prunes back to the limit of eight:
    // its own trace and the seven newest.
    const std::vector<std::string> before = filesIn(dir, ".trace");
    agentWaitsForRuns(install, 1);
    ProbeRunResult result = runProbe(install, options(kSan, {"-debug", "MAX"}));
    ASSERT_EQ(0, result.exitCode) << result.out << result.err;
    const std::vector<std::string> after = filesIn(dir, ".trace");
    ASSERT_EQ(8u, after.size());
    EXPECT_EQ(std::vector<std::string>(before.end() - 7, before.end()), std::vector<std::string>(after.begin(), after.end() - 1));
    EXPECT_GT(after.back(), before.back());
}

TEST(LoggingE2E, SegmentedMinTracesStartAnewEveryRunHoldMilestonesAndArePrunedWithTheirNumber) {
    ProbeInstall install = prepared("logging_segments");
    const std::string dir = install.path("log/srv/");
    makeDirs(dir);
    // Seven earlier segmented traces and an operator's empty directory with a trace name.
    for (int n = 2; n <= 8; ++n) writeFile(dir + numbered(n, ".trace.1"), "old\n");
    ASSERT_EQ(0, ::mkdir((dir + numbered(1, ".trace")).c_str(), 0755));
    for (int run = 0; run < 3; ++run) {
        ProbeRunResult result = runProbe(install, options(kSan, {"-maxlogsize", "1025024", "-debug", "MIN"}));
        ASSERT_EQ(0, result.exitCode) << result.out << result.err;
    }
    std::vector<std::string> expected;
    for (int n = 4; n <= 11; ++n) expected.push_back(numbered(n, ".trace.1"));
    EXPECT_EQ(expected, filesIn(dir, ".trace.1"));
    for (int n = 9; n <= 11; ++n) {
        const std::string trace = readFile(dir + expected[n - 4]);
        EXPECT_EQ("1001      ", trace.substr(24, 10)) << "the limit in megabytes, in the header";
        EXPECT_EQ(1u, countOf(trace, "BEGINNING NEW TRACE")) << n;
        EXPECT_EQ(1u, countOf(trace, " - Trace begun.")) << n;
        // Counts are milestones; decoded per-entry values are middle detail.
        for (const char* line : {"): command is Topology\n", "): Number of switch ports is ",
                                 "): Number of attached ports is ", "): platform count is ", "): Number of nodes is "})
            EXPECT_TRUE(contains(trace, line)) << line;
        for (const char* line : {"): attached port is ", "): Enter", "): Exit"}) EXPECT_FALSE(contains(trace, line)) << line;
    }
    EXPECT_EQ(std::vector<std::string>{numbered(1, ".trace")}, filesIn(dir, ".trace"))
        << "the directory survives pruning, and no run leaves an unsegmented file";
}

}  // namespace
