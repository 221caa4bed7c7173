// The transport inside the installed probe, run as the agent runs it: an adapter
// without the version-2 call, a busy switch and a rejected query, seen in the
// simulator's call log (what each call does is SimTests'; here a whole run and the real clock).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "ProbeRun.h"

namespace {
// A Topology probe of a model with the simulator's call log, as the agent starts it.
ProbeRunResult runTopology(const ProbeInstall& install, const std::string& model, const std::string& ids,
                           const char* debug) {
    makeDirs(install.path("output/srv"));
    ProbeRunOptions options;
    options.model = sourcePath(model);
    options.args = {"-servername", "srv", "-serverip", "192.0.2.1", "-serverport", "9550", "-command", "Topology",
                    "-fabrics", "allfabrics", "-jobtimestamp", ids.substr(0, 8), "-discoverrequestid",
                    ids.substr(9, 2), "-devicejobid", ids.substr(12, 2), "-debug", debug};
    options.env = {"FABRICSIM_LOG=" + install.path("sim.log")};
    options.fastClock = true;
    return runProbe(install, options);
}

}  // namespace

TEST(TransportProbe, OlderCallBusySwitchAndRejectInOneRun) {
    ProbeInstall install("transport_e2e");
    const std::string simLog = install.path("sim.log");
    const ProbeRunResult result = runTopology(install, "tests/transport/models/e2e.json", "20261206_31_32", "MAX");
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const std::string output = readFile(install.path("output/srv/fabricprobe_Topology_20261206_31_32.dat"));
    EXPECT_NE(output.find("100000000000E001"), std::string::npos) << output;

    const auto sim = readLines(simLog);
    ASSERT_FALSE(sim.empty());
    EXPECT_EQ(linesWith(sim, "cmd=F"), 0u) << "a request whose preamble the simulator does not know";
    EXPECT_EQ(linesWith(sim, "cmd=GPLML", "result=ACC"), 1u);
    // The version probe is the only version-2 call, first; it fails and is not repeated with the older call.
    EXPECT_EQ(linesWith(sim, "v=2"), 1u);
    EXPECT_TRUE(contains(sim.front(), "v=2 cmd=GIEL key=- result=FAIL")) << sim.front();
    EXPECT_EQ(linesWith(sim, "v=1", "cmd=GIEL ", "result=ACC"), 1u) << "only the probe loop's own GIEL";
    EXPECT_EQ(linesWith(sim, "cmd=GMID", "result=RJT 0B 00"), 1u) << "a reject is not retried";

    // Busy twice, then the answer: three sends about one (simulated) second apart.
    std::vector<double> gdid;
    for (const std::string& line : sim)
        if (contains(line, "cmd=GDID")) gdid.push_back(std::strtod(line.c_str(), nullptr));
    EXPECT_EQ(linesWith(sim, "cmd=GDID", "result=RJT 05 00"), 2u);
    EXPECT_EQ(linesWith(sim, "cmd=GDID", "result=ACC"), 1u);
    ASSERT_EQ(gdid.size(), 3u);
    for (int i = 1; i < 3; ++i) {
        EXPECT_GE(gdid[i] - gdid[i - 1], 0.9);
        EXPECT_LT(gdid[i] - gdid[i - 1], 5.0);
    }
}

// A library that refuses both pass-through calls and no bsg device for its ports:
// the probe says once per adapter that it could not ask, and ends as any probe that found nothing.
TEST(TransportProbe, NoPassThroughAndNoKernelTransportIsLoggedOncePerAdapter) {
    ProbeInstall install("transport_no_ct");
    const std::string simLog = install.path("sim.log");
    const ProbeRunResult result = runTopology(install, "tests/transport/models/no-ct.json", "20261207_41_42", "MIN");
    ASSERT_EQ(result.exitCode, 0) << result.err;

    const std::string log = readFile(install.path("log/srv/fabricprobe_000001.log"));
    EXPECT_EQ(countOf(log, "AGT0431W The HBA API call HBA_SendCTPassThru failed with status 2."), 2u) << log;
    EXPECT_EQ(countOf(log, "AGT0420I"), 1u) << log;
    const std::string output = readFile(install.path("output/srv/fabricprobe_Topology_20261207_41_42.dat"));
    EXPECT_EQ(output.find("100000000000F001"), std::string::npos) << output;

    // As designed otherwise: the version probe, then three GIELs per port, each refused.
    const auto sim = readLines(simLog);
    EXPECT_EQ(linesWith(sim, "v=2", "cmd=GIEL ", "FAIL 2"), 2u);
    EXPECT_EQ(linesWith(sim, "v=1", "cmd=GIEL ", "FAIL 2"), 9u);
    EXPECT_EQ(linesWith(sim, "result=ACC"), 0u);
    const std::string trace = readFile(install.path("log/srv/fabricprobe_000001.trace"));
    EXPECT_EQ(countOf(trace, "HBA_SendCTPassThru() not supported and no kernel FC transport serves this adapter\n"),
              2u);
}
