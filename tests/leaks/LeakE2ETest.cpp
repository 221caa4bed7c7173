// Full runs of the installed probe against the example SAN, through the real
// SNIA library and the simulator: every run must end as designed and leave
// nothing on standard error but the line saying why a start failed. Under
// AddressSanitizer, LeakSanitizer checks each run when it exits and reports
// what it never freed there, with exit status 23.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "ProbeRun.h"

namespace {

std::vector<std::string> probeArgs(const std::string& command) {
    return {"-servername", "srv", "-serverip", "192.0.2.1", "-serverport", "9549", "-command", command,
            "-fabrics", "allfabrics", "-jobtimestamp", "20240101000000", "-discoverrequestid", "1",
            "-devicejobid", "2"};
}

ProbeRunResult runExample(const ProbeInstall& install, std::vector<std::string> args) {
    ::mkdir(install.path("output/srv").c_str(), 0755);
    ProbeRunOptions options;
    options.model = sourcePath("examples/san.json");
    options.args = std::move(args);
    return runProbe(install, options);
}

void expectCleanEnd(const ProbeRunResult& run) {
    EXPECT_EQ(0, run.signal);
    EXPECT_EQ(0, run.exitCode) << run.err;
    EXPECT_EQ("", run.err);
    EXPECT_EQ("1", run.agentStatus);
}

TEST(LeakFreeRuns, TopologyAndZoningOfTheExampleSan) {
    for (const char* command : {"Topology", "ZoningOnly"}) {
        SCOPED_TRACE(command);
        ProbeInstall install(std::string("leaks-") + command);
        const ProbeRunResult run = runExample(install, probeArgs(command));
        expectCleanEnd(run);
        const std::string output = install.path(std::string("output/srv/fabricprobe_") + command +
                                                "_20240101000000_1_2.dat");
        EXPECT_NE(std::string::npos, readFile(output).find("[/Fabric]"));
    }
}

TEST(LeakFreeRuns, FullTraceOfTheExampleSan) {
    ProbeInstall install("leaks-trace");
    std::vector<std::string> args = probeArgs("Topology");
    args.insert(args.end(), {"-debug", "MAX"});
    expectCleanEnd(runExample(install, args));
}

// The start-up failure path ends everything it started, too.
TEST(LeakFreeRuns, InvalidOptionEndsCleanly) {
    ProbeInstall install("leaks-invalid");
    const ProbeRunResult run = runExample(install, {"-servername", "srv", "-nosuchoption", "x"});
    EXPECT_EQ(0, run.signal);
    EXPECT_EQ(exitStatusOf(-2000), run.exitCode) << run.err;
    // Only the line saying why, and the usage synopsis.
    EXPECT_EQ(0u, run.err.rfind("fabricprobe: unknown option -nosuchoption\nusage: fabricprobe ", 0)) << run.err;
    EXPECT_EQ(std::string::npos, run.err.find("Sanitizer")) << run.err;
}

}  // namespace
