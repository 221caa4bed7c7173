// The installed program's activity log, debug trace, catalog and file naming.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <list>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ProbeRun.h"

namespace {

const char* kStamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )";

std::vector<std::string> probeArgs(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {"-servername", "srv", "-serverip", "10.0.0.1", "-serverport", "9549",
                                     "-command", "Topology", "-fabrics", "allfabrics", "-jobtimestamp",
                                     "20240102030405", "-discoverrequestid", "11", "-devicejobid", "22"};
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
}

ProbeRunOptions options(const std::string& model, std::vector<std::string> extra = {}) {
    ProbeRunOptions o;
    o.model = sourcePath(model);
    o.args = probeArgs(std::move(extra));
    return o;
}

const char* kSan = "examples/san.json";
const char* kEmpty = "tests/logging/models/no-adapters.json";

// An installation whose output directory for server "srv" exists, as the agent leaves it.
ProbeInstall prepared(const std::string& name) {
    ProbeInstall install(name);
    makeDirs(install.path("output/srv"));
    return install;
}

// Starts one probe per job id at once, as the agent does, and waits for all.
void runTogether(const ProbeInstall& install, const std::vector<std::string>& jobIds,
                 const std::vector<std::string>& extra) {
    RunOptions options;
    options.launcher = {stagePath("bin/fabricsim-run"), sourcePath(kSan), "--"};
    options.cwd = install.root();
    std::list<Program> probes;
    for (const std::string& id : jobIds) {
        std::vector<std::string> argv = {install.path("bin/fabricprobe")};
        for (const std::string& a : probeArgs(extra)) argv.push_back(a == "22" ? id : a);
        probes.emplace_back(argv, options);
    }
    for (Program& probe : probes) {
        const RunResult result = probe.wait();
        EXPECT_EQ(0, result.exitCode) << result.err;
    }
}

TEST(LoggingE2E, EveryRunAppendsTimeStampedMessagesToTheNumberedLog) {
    ProbeInstall install = prepared("logging_activity_log");
    for (int run = 0; run < 2; ++run) {
        ProbeRunResult result = runProbe(install, options(kSan));
        ASSERT_EQ(0, result.exitCode) << result.out << result.err;
    }
    const std::string log = readFile(install.path("log/srv/fabricprobe_000001.log"));
    EXPECT_EQ(2u, countOf(log, " AGT0429I FabricProbe started with the command line: "));
    EXPECT_EQ(2u, countOf(log, " AGT0430I FabricProbe ended with return code 0.\n"));
    EXPECT_TRUE(std::regex_search(log, std::regex(std::string("(^|\n)") + kStamp +
                                                  "AGT0429I FabricProbe started with the command line: \\S*fabricprobe "
                                                  "-servername srv ")));
    EXPECT_TRUE(std::regex_search(log, std::regex(std::string(kStamp) + "AGT0426I ")));
    EXPECT_TRUE(std::regex_search(log, std::regex(std::string(kStamp) + "STA0250I ")));
    EXPECT_TRUE(filesIn(install.path("log/srv"), ".trace").empty()) << "no -debug, no trace";
    EXPECT_FALSE(fileExists(install.path("log/fabricprobe.log")));
    EXPECT_TRUE(outputFileIsValid(install.path("output/srv/fabricprobe_Topology_20240102030405_11_22.dat")));
}

TEST(LoggingE2E, DebugMaxWritesTheRingTraceBesideTheLog) {
    ProbeInstall install = prepared("logging_debug_max");
    ProbeRunResult result = runProbe(install, options(kSan, {"-debug", "MAX"}));
    ASSERT_EQ(0, result.exitCode) << result.out << result.err;
    const std::string trace = readFile(install.path("log/srv/fabricprobe_000001.trace"));
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(0u, trace.find("ORX Trace   "));
    EXPECT_EQ("1          Vexlo Orxan 5.1.1.14   Build date: ", trace.substr(24, 46));
    EXPECT_NE(std::string::npos, trace.find("BEGINNING NEW TRACE\n\n"));
    EXPECT_NE(std::string::npos, trace.find("Tracing to file: " + install.path("log/srv/fabricprobe_000001.trace")));
    EXPECT_NE(std::string::npos, trace.find(" - Trace begun.\n"));
    EXPECT_TRUE(std::regex_search(trace, std::regex(std::string(kStamp) +
                                                    R"(\[\d{6,}\] \[\d+\] : main\.cpp +\( *\d+\): Enter: main\(\)\n)")));
    EXPECT_NE(std::string::npos, trace.find("Exit: main(), rc = 0\n"));
    EXPECT_NE(std::string::npos, trace.find("\nEND OF DATA - close\n\n"));
    EXPECT_NE(std::string::npos, readFile(install.path("log/srv/fabricprobe_000001.log")).find(" AGT0430I "));
    // Tracing everything leaves the output file as it is without tracing.
    EXPECT_TRUE(outputFileIsValid(install.path("output/srv/fabricprobe_Topology_20240102030405_11_22.dat")));
}

TEST(LoggingE2E, DebugMinTracesOnlyErrorsAndMilestones) {
    ProbeInstall install = prepared("logging_debug_min");
    ProbeRunResult result = runProbe(install, options(kSan, {"-debug", "MIN"}));
    ASSERT_EQ(0, result.exitCode) << result.out << result.err;
    const std::string trace = readFile(install.path("log/srv/fabricprobe_000001.trace"));
    EXPECT_NE(std::string::npos, trace.find("): command is Topology\n"));
    // Counts are milestones; decoded per-entry values are middle detail.
    for (const char* line : {"): Number of switch ports is ", "): Number of attached ports is ",
                             "): platform count is ", "): Number of nodes is "})
        EXPECT_NE(std::string::npos, trace.find(line)) << line;
    EXPECT_EQ(std::string::npos, trace.find("): attached port is "));
    EXPECT_EQ(std::string::npos, trace.find("): Enter"));
    EXPECT_EQ(std::string::npos, trace.find("): Exit"));
}

TEST(LoggingE2E, TenthRunWithDefaultLimitsLeavesEightTraceFiles) {
    ProbeInstall install = prepared("logging_ten_runs");
    for (int run = 1; run <= 10; ++run) {
        ProbeRunResult result = runProbe(install, options(kEmpty, {"-debug", "MIN"}));
        ASSERT_EQ(0, result.exitCode) << run << result.out << result.err;
    }
    const std::vector<std::string> traces = filesIn(install.path("log/srv"), ".trace");
    ASSERT_EQ(8u, traces.size());
    EXPECT_EQ("fabricprobe_000003.trace", traces.front());
    EXPECT_EQ("fabricprobe_000010.trace", traces.back());
    EXPECT_EQ(std::vector<std::string>{"fabricprobe_000001.log"}, filesIn(install.path("log/srv"), ".log"));
}

TEST(LoggingE2E, GermanLanguageStillLogsEnglishTexts) {
    ProbeInstall install = prepared("logging_german");
    ProbeRunOptions o = options(kEmpty);
    o.env = {"LANG=de_DE.UTF-8"};
    ProbeRunResult result = runProbe(install, o);
    ASSERT_EQ(0, result.exitCode) << result.out << result.err;
    const std::string log = readFile(install.path("log/srv/fabricprobe_000001.log"));
    EXPECT_NE(std::string::npos, log.find(" AGT0430I FabricProbe ended with return code 0.\n"));
    EXPECT_EQ("", result.out);
}

TEST(LoggingE2E, MissingCatalogFailsTheStartWithItsReport) {
    ProbeInstall install = prepared("logging_no_catalog");
    ASSERT_EQ(0, ::unlink(install.path("nls").c_str()));
    ProbeRunResult result = runProbe(install, options(kEmpty));
    EXPECT_EQ(exitStatusOf(-2000), result.exitCode);
    EXPECT_EQ("ANS0101E Unable to open English message repository 'orxna.cat'.\n", result.out);
    // The catalog starts before the command line is read, so no agent channel is known yet.
}

TEST(LoggingE2E, SymbolicLinkInTheLogsPlaceIsNeverWrittenThrough) {
    ProbeInstall install = prepared("logging_log_link");
    makeDirs(install.path("log/srv"));
    writeFile(install.path("victim"), "precious\n");
    ASSERT_EQ(0, ::symlink(install.path("victim").c_str(), install.path("log/srv/fabricprobe_000001.log").c_str()));
    ProbeRunResult result = runProbe(install, options(kEmpty));
    EXPECT_EQ(0, result.exitCode) << result.out << result.err;
    EXPECT_EQ("precious\n", readFile(install.path("victim")));
    EXPECT_NE(std::string::npos, result.out.find("ANS0240W The log file "));
    const std::string log = readFile(install.path("log/srv/fabricprobe_000001.log"));
    EXPECT_EQ(std::string::npos, log.find("AGT0429I")) << "the first message is lost";
    EXPECT_NE(std::string::npos, log.find(" AGT0430I FabricProbe ended with return code 0.\n"));
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

std::vector<std::string> numberedIds(int first, int count) {
    std::vector<std::string> ids;
    for (int id = first; id < first + count; ++id) ids.push_back(std::to_string(id));
    return ids;
}

std::string traceName(int number) {
    char name[40];
    std::snprintf(name, sizeof name, "fabricprobe_%06d.trace", number);
    return name;
}

TEST(LoggingE2E, ProbesStartedTogetherKeepTheirOwnTracesAndTheLogWholeAndPruningCatchesUp) {
    ProbeInstall install = prepared("logging_together");
    const std::vector<std::string> ids = numberedIds(101, 32);
    for (int round = 0; round < 2; ++round) {
        agentWaitsForRuns(install, 16);
        runTogether(install, std::vector<std::string>(ids.begin() + 16 * round, ids.begin() + 16 * (round + 1)),
                    {"-debug", "MAX"});
        // No run deletes another's trace while it is written: every trace of
        // the round is there, whole, and the trace of one process.
        for (int n = 16 * round + 1; n <= 16 * (round + 1); ++n) {
            const std::string trace = readFile(install.path("log/srv/" + traceName(n)));
            ASSERT_GT(trace.size(), 24u) << traceName(n);
            const std::size_t next = std::stoul(trace.substr(12, 12));
            EXPECT_EQ("\nEND OF DATA - close", trace.substr(next, 20)) << traceName(n);
            EXPECT_EQ(1u, countOf(trace, "\nEND OF DATA")) << traceName(n);
            std::set<std::string> pids;
            const std::regex tag(R"(\.\d{3} \[(\d{6,})\] )");
            for (std::sregex_iterator it(trace.begin(), trace.end(), tag), end; it != end; ++it) pids.insert((*it)[1]);
            EXPECT_EQ(1u, pids.size()) << traceName(n);
        }
    }

    std::map<std::string, int> started;
    int ended = 0;
    const std::regex whole(std::string("^") + kStamp + "[A-Z]{3}\\d{4}[A-Z] ");
    for (const std::string& name : filesIn(install.path("log/srv"), ".log")) {
        for (const std::string& line : readLines(install.path("log/srv/" + name))) {
            EXPECT_TRUE(std::regex_search(line, whole)) << name << ": " << line;
            std::smatch id;
            if (line.find(" AGT0429I ") != std::string::npos &&
                std::regex_search(line, id, std::regex(" -devicejobid (\\d+)")))
                ++started[id[1]];
            if (line.find(" AGT0430I FabricProbe ended with return code 0.") != std::string::npos) ++ended;
        }
    }
    for (const std::string& id : ids) EXPECT_EQ(1, started[id]) << id;
    EXPECT_EQ(32, ended);

    // Once nobody holds them, the next run prunes back to the limit.
    agentWaitsForRuns(install, 1);
    ProbeRunResult result = runProbe(install, options(kSan, {"-debug", "MAX"}));
    ASSERT_EQ(0, result.exitCode) << result.out << result.err;
    std::vector<std::string> expected;
    for (int n = 26; n <= 33; ++n) expected.push_back(traceName(n));
    EXPECT_EQ(expected, filesIn(install.path("log/srv"), ".trace"));
}

TEST(LoggingE2E, DirectoryAtTheNewestLogNumberIsPassedOverAndKept) {
    ProbeInstall install = prepared("logging_log_directory");
    makeDirs(install.path("log/srv/fabricprobe_000002.log"));
    for (int run = 0; run < 2; ++run) {
        ProbeRunResult result = runProbe(install, options(kEmpty));
        ASSERT_EQ(0, result.exitCode) << result.out << result.err;
        EXPECT_EQ(std::string::npos, result.out.find("ANS0264E")) << result.out;
    }
    const std::string log = readFile(install.path("log/srv/fabricprobe_000003.log"));
    EXPECT_EQ(2u, countOf(log, " AGT0430I FabricProbe ended with return code 0.\n"));
    struct stat st {};
    ASSERT_EQ(0, ::lstat(install.path("log/srv/fabricprobe_000002.log").c_str(), &st));
    EXPECT_TRUE(S_ISDIR(st.st_mode));
}

TEST(LoggingE2E, SegmentedTracesStartAnewEveryRunAndArePrunedWithTheirNumber) {
    ProbeInstall install = prepared("logging_segments");
    makeDirs(install.path("log/srv"));
    // Seven earlier segmented traces and an operator's empty directory with a trace name.
    for (int n = 2; n <= 8; ++n) writeFile(install.path("log/srv/fabricprobe_00000" + std::to_string(n) + ".trace.1"), "old\n");
    ASSERT_EQ(0, ::mkdir(install.path("log/srv/fabricprobe_000001.trace").c_str(), 0755));
    for (int run = 0; run < 3; ++run) {
        ProbeRunResult result = runProbe(install, options(kEmpty, {"-maxlogsize", "1025024", "-debug", "MIN"}));
        ASSERT_EQ(0, result.exitCode) << result.out << result.err;
    }
    const std::vector<std::string> segments = filesIn(install.path("log/srv"), ".trace.1");
    EXPECT_EQ((std::vector<std::string>{"fabricprobe_000004.trace.1", "fabricprobe_000005.trace.1", "fabricprobe_000006.trace.1",
                                        "fabricprobe_000007.trace.1", "fabricprobe_000008.trace.1",
                                        "fabricprobe_000009.trace.1", "fabricprobe_000010.trace.1",
                                        "fabricprobe_000011.trace.1"}),
              segments);
    for (const char* name : {"fabricprobe_000009.trace.1", "fabricprobe_000010.trace.1", "fabricprobe_000011.trace.1"}) {
        const std::string trace = readFile(install.path(std::string("log/srv/") + name));
        EXPECT_EQ(1u, countOf(trace, "BEGINNING NEW TRACE")) << name;
        EXPECT_EQ(1u, countOf(trace, " - Trace begun.")) << name;
    }
    EXPECT_EQ(std::vector<std::string>{"fabricprobe_000001.trace"}, filesIn(install.path("log/srv"), ".trace"))
        << "the directory survives pruning, and no run leaves an unsegmented file";
}

}  // namespace
