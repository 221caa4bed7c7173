// The topology probe end to end: the installed binary, run as the agent runs it,
// through the real SNIA library against the simulator. Whole output files are
// compared with expected files; the return code, the activity log and the
// simulator's request log are checked too.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "GsBytes.h"
#include "ProbeRun.h"

namespace {

const std::string kOutput = "output/srv/fabricprobe_Topology_20261206_11_22.dat";
const std::string kInput = "input/srv/fabrics_to_be_probed_Topology_20261206_11_22.dat";

std::string model(const std::string& name) { return sourcePath("tests/topology/models/" + name); }
std::string expected(const std::string& name) { return readFile(sourcePath("tests/topology/expected/" + name)); }

std::vector<std::string> probeArgs(const std::string& fabrics = "allfabrics") {
    return {"-servername", "srv", "-serverip", "192.0.2.1", "-serverport", "9550", "-command", "Topology",
            "-fabrics", fabrics, "-jobtimestamp", "20261206", "-discoverrequestid", "11", "-devicejobid", "22"};
}

// A private installation with the server's output and input folders.
struct Install : ProbeInstall {
    explicit Install(const std::string& name) : ProbeInstall("topology_" + name) {
        ::mkdir(path("output/srv").c_str(), 0755);
        ::mkdir(path("input/srv").c_str(), 0755);
    }
    std::string output() const { return readFile(path(kOutput)); }
    std::string simLogPath() const { return path("sim.log"); }
    std::vector<std::string> simLog() const { return readLines(simLogPath()); }

    // Every line of the activity logs under log/.
    std::vector<std::string> activityLog() const {
        std::vector<std::string> lines;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path("log")))
            if (!entry.is_directory() && entry.path().extension() == ".log")
                for (const std::string& line : readLines(entry.path())) lines.push_back(line);
        return lines;
    }

    ProbeRunResult run(const std::string& modelName, const std::string& fabrics = "allfabrics",
                       bool fastClock = false) const {
        std::remove(simLogPath().c_str());
        ProbeRunOptions options;
        options.model = model(modelName);
        options.args = probeArgs(fabrics);
        options.env = {"FABRICSIM_LOG=" + simLogPath()};
        // faketime preloads its library ahead of a sanitizer build's runtime.
        if (fastClock) options.env.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
        options.fastClock = fastClock;
        return runProbe(*this, options);
    }
};

TEST(TopologyProbe, DenseSwitchWithEveryKindOfPort) {
    Install install("dense");
    ProbeRunResult r = install.run("dense.json");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("1", r.agentStatus);
    EXPECT_EQ(expected("dense.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));

    const auto log = install.activityLog();
    EXPECT_EQ(1u, linesWith(log, "AGT0433E", "GAPNL"));
    EXPECT_EQ(1u, linesWith(log, "AGT0433E", "GIEL"));
    EXPECT_EQ(1u, linesWith(log, "AGT0416I", "found: 1."));
    EXPECT_EQ(1u, linesWith(log, "AGT0417I", "adapter 0."));
    EXPECT_EQ(0u, linesWith(log, "AGT0420I"));
    EXPECT_EQ(1u, linesWith(log, "AGT0430I", "return code 0."));

    const auto sim = install.simLog();
    // Attached ports are asked for only on online ports of a known, defined type.
    EXPECT_EQ(1u, linesWith(sim, "cmd=GAPNL", "key=200100000000A001"));
    EXPECT_EQ(1u, linesWith(sim, "cmd=GAPNL", "key=200200000000A001"));
    EXPECT_EQ(0u, linesWith(sim, "cmd=GAPNL", "key=200300000000A001"));  // raw type 0
    EXPECT_EQ(0u, linesWith(sim, "cmd=GAPNL", "key=200400000000A001"));  // Reserved
    EXPECT_EQ(0u, linesWith(sim, "cmd=GAPNL", "key=200500000000A001"));  // state unknown
    EXPECT_EQ(0u, linesWith(sim, "cmd=GAPNL", "key=200900000000A001"));  // Offline
    EXPECT_EQ(1u, linesWith(sim, "cmd=GAPNL", "key=200B00000000A001", "RJT"));
    // End ports only are looked up in the name server.
    EXPECT_EQ(0u, linesWith(sim, "cmd=GID_PN", "key=200100000000B001"));
    EXPECT_EQ(1u, linesWith(sim, "cmd=GID_PN", "key=10000000C9A00006", "RJT"));
    EXPECT_EQ(1u, linesWith(sim, "cmd=GNN_ID", "key=010700", "RJT"));
    // The attached list stops at the type it cannot interpret.
    EXPECT_EQ(0u, linesWith(sim, "key=10000000C9A0000B"));
    EXPECT_EQ(0u, linesWith(sim, "key=10000000C9A0000C"));
    // The switch's port list stops at its uninterpretable port, after its state and number.
    EXPECT_EQ(1u, linesWith(sim, "cmd=GPS", "key=200D00000000A001"));
    EXPECT_EQ(1u, linesWith(sim, "cmd=GPPN", "key=200D00000000A001"));
    EXPECT_EQ(0u, linesWith(sim, "key=200E00000000A001"));
    EXPECT_EQ(0u, linesWith(sim, "RAW"));
}

TEST(TopologyProbe, AllFiveSwitchQueriesRejected) {
    Install install("rejected");
    ProbeRunResult r = install.run("rejected.json");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("rejected.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    const auto sim = install.simLog();
    for (const char* command : {"GDID", "GIELN", "GMID", "GIEIL", "GMAL", "GPL"})
        EXPECT_EQ(1u, linesWith(sim, std::string("cmd=") + command + " ", "key=100000000000A001", "RJT")) << command;
    EXPECT_EQ(1u, linesWith(sim, "cmd=GPNL", "RJT"));
}

TEST(TopologyProbe, ElementTypesLongTextsAndUnterminatedAttributes) {
    Install install("types");
    ProbeRunResult r = install.run("types.json");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("types.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    EXPECT_EQ(1u, linesWith(install.activityLog(), "AGT0433E", "GIEL"));
    // Nothing is asked about an element that cannot be interpreted.
    EXPECT_EQ(0u, linesWith(install.simLog(), "cmd=GDID", "key=100000000000A007"));
}

TEST(TopologyProbe, PlatformsTheirNodesAndTimedOutTypes) {
    Install install("platforms");
    // A prefix of a name and an empty line silence no platform.
    writeFile(install.path("FABRIC_PROBE_TIMEOUT_ENTRIES"), "GPLT:1:host\n\n");
    ProbeRunResult r = install.run("platforms.json", "allfabrics", true);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("platforms.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    EXPECT_EQ("GPLT:1:host\n\nGPLT:1:slow\n", readFile(install.path("FABRIC_PROBE_TIMEOUT_ENTRIES")));
    auto log = install.activityLog();
    EXPECT_EQ(1u, linesWith(log, "AGT0433E", "GPLT"));
    EXPECT_EQ(0u, linesWith(log, "AGT0430I", "GPLT"));
    auto sim = install.simLog();
    EXPECT_EQ(1u, linesWith(sim, "cmd=GPLT", "key=host17 "));
    EXPECT_EQ(0u, linesWith(sim, "cmd=GPLT", "key=host "));
    EXPECT_EQ(1u, linesWith(sim, "cmd=GPLT", "key=slow ", "RJT 09 00"));
    EXPECT_EQ(0u, linesWith(sim, "key=after "));  // the list ends at the type beyond the table

    // The next run through the same handle does not wait for the slow platform again.
    ProbeRunResult again = install.run("platforms.json", "allfabrics", true);
    EXPECT_EQ(0, again.exitCode) << again.err;
    EXPECT_EQ(expected("platforms.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    EXPECT_EQ("GPLT:1:host\n\nGPLT:1:slow\n", readFile(install.path("FABRIC_PROBE_TIMEOUT_ENTRIES")));
    sim = install.simLog();
    EXPECT_EQ(0u, linesWith(sim, "cmd=GPLT", "key=slow "));
    EXPECT_EQ(1u, linesWith(sim, "cmd=GPLML", "key=slow "));
    EXPECT_EQ(1u, linesWith(sim, "cmd=GPLT", "key=host17 "));
}

TEST(TopologyProbe, ALinkInTheTimeoutEntriesPlaceIsNeitherReadNorWritten) {
    Install install("timeout_link");
    const std::string victim = install.path("victim");
    writeFile(victim, "GPLT:1:host17\n");
    ASSERT_EQ(0, ::symlink(victim.c_str(), install.path("FABRIC_PROBE_TIMEOUT_ENTRIES").c_str()));
    ProbeRunResult r = install.run("platforms.json", "allfabrics", true);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    // Read through the link, the victim's line would have silenced host17;
    // written through it, the slow platform would have been added.
    EXPECT_EQ(1u, linesWith(install.simLog(), "cmd=GPLT", "key=host17 "));
    EXPECT_EQ(1u, linesWith(install.simLog(), "cmd=GPLT", "key=slow "));
    EXPECT_EQ("GPLT:1:host17\n", readFile(victim));
}

TEST(TopologyProbe, ALineHoldingANulByteHidesNoEntry) {
    Install install("timeout_nul");
    // A damaged line: its text up to the NUL, "x", names nothing, and the
    // next line is an entry of its own.
    const std::string entries("x\0\nGPLT:1:host17\n", 17);
    writeFile(install.path("FABRIC_PROBE_TIMEOUT_ENTRIES"), entries);
    ProbeRunResult r = install.run("platforms.json", "allfabrics", true);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(0u, linesWith(install.simLog(), "cmd=GPLT", "key=host17 "));
    EXPECT_EQ(1u, linesWith(install.simLog(), "cmd=GPLML", "key=host17 "));
    EXPECT_EQ(entries + "GPLT:1:slow\n", readFile(install.path("FABRIC_PROBE_TIMEOUT_ENTRIES")));
}

TEST(TopologyProbe, TwoAdaptersOnOneFabricWriteOneBlock) {
    Install install("twoadapters");
    ProbeRunResult r = install.run("twoadapters.json");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("twoadapters.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    const auto log = install.activityLog();
    EXPECT_EQ(1u, linesWith(log, "AGT0416I", "found: 2."));
    EXPECT_EQ(1u, linesWith(log, "AGT0417I", "adapter 0."));
    EXPECT_EQ(1u, linesWith(log, "AGT0417I", "adapter 1."));
    const auto sim = install.simLog();
    EXPECT_EQ(1u, linesWith(sim, "port=10000000C9A00011", "cmd=GFN "));
    EXPECT_EQ(0u, linesWith(sim, "port=10000000C9A00011", "cmd=GDID"));
}

TEST(TopologyProbe, SpecificFabricsProbeOnlyTheListedOnes) {
    Install install("specific");
    writeFile(install.path(kInput), "100000000000B000\n");
    ProbeRunResult r = install.run("twofabrics.json", "specificfabrics");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("fabricB.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    EXPECT_EQ(0u, linesWith(install.simLog(), "key=100000000000A001", "cmd=GDID"));
    EXPECT_EQ(0u, linesWith(install.activityLog(), "AGT0420I"));
    EXPECT_FALSE(fileExists(install.path(kInput)));  // the agent's input is removed after the run
}

TEST(TopologyProbe, LowerCaseFabricNamesSelectNothing) {
    Install install("lowercase");
    writeFile(install.path(kInput), "100000000000b000\n100000000000a000\n");
    ProbeRunResult r = install.run("twofabrics.json", "specificfabrics");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("headeronly.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    EXPECT_EQ(1u, linesWith(install.activityLog(), "AGT0420I"));
}

TEST(TopologyProbe, AMissingInputFileEndsBeforeTheHbaApiIsLoaded) {
    Install install("noinput");
    ProbeRunResult r = install.run("twofabrics.json", "specificfabrics");
    EXPECT_EQ(exitStatusOf(-2002), r.exitCode) << r.err;
    EXPECT_EQ(expected("headeronly.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    const auto log = install.activityLog();
    EXPECT_EQ(1u, linesWith(log, "AGT0421E", kInput));
    EXPECT_EQ(0u, linesWith(log, "AGT0416I"));
    EXPECT_TRUE(install.simLog().empty());
}

TEST(TopologyProbe, AHostWithoutAdaptersProbesNothing) {
    Install install("noadapters");
    ProbeRunResult r = install.run("noadapters.json");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("headeronly.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    const auto log = install.activityLog();
    EXPECT_EQ(1u, linesWith(log, "AGT0416I", "found: 0."));
    EXPECT_EQ(0u, linesWith(log, "AGT0420I"));
    EXPECT_EQ(1u, linesWith(log, "AGT0430I", "return code 0."));
}

// A stop request is looked at before each adapter: the adapter in progress is
// finished, its fabric block closed, and the next one is not probed.
TEST(TopologyProbe, AStopRequestEndsTheProbeBeforeTheNextAdapter) {
    Install install("stop");
    // Stands in for the agent sending SIGTERM while the first adapter's switch list is slow to come.
    writeFile(install.path("bin/stopper"),
              "#!/bin/sh\n"
              "\"$(dirname \"$0\")/fabricprobe\" \"$@\" &\n"
              "child=$!\n"
              "sleep 1\n"
              "kill -TERM $child\n"
              "wait $child\n");
    ::chmod(install.path("bin/stopper").c_str(), 0755);
    ProbeRunOptions options;
    options.model = model("stop.json");
    options.args = probeArgs();
    options.env = {"FABRICSIM_LOG=" + install.simLogPath()};
    options.program = install.path("bin/stopper");
    ProbeRunResult r = runProbe(install, options);
    EXPECT_EQ(exitStatusOf(-2016), r.exitCode) << r.err;
    EXPECT_EQ(expected("fabricA.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    const auto log = install.activityLog();
    EXPECT_EQ(1u, linesWith(log, "AGT0445I"));
    EXPECT_EQ(1u, linesWith(log, "AGT0417I", "adapter 0."));
    EXPECT_EQ(0u, linesWith(log, "AGT0417I", "adapter 1."));
    EXPECT_EQ(0u, linesWith(install.simLog(), "port=10000000C9A00011"));
    // The agent still hears how the job ended.
    const auto agent = install.agentArgs();
    EXPECT_NE(agent.end(), std::find(agent.begin(), agent.end(), "-2016"));
}

// A model large enough that stdio's buffer reaches the file while switches are probed.
std::string bigModel(const Install& install, int ports) {
    std::string json = R"({"adapters": [{"name": "fabricsim-hba0", "node_wwn": "20000000C9A00001", "ct_v2": true,
      "ports": [{"wwn": "10000000C9A00001", "fcid": "010100", "fabric": "A"}]}],
      "fabrics": {"A": {"name": "100000000000A000", "switches": [{"wwn": "100000000000A001", "type": 1,
      "domain": 1, "logical_name": "core-1", "ports": [)";
    char wwn[17];
    for (int i = 0; i < ports; ++i) {
        std::snprintf(wwn, sizeof wwn, "2001%012X", static_cast<unsigned>(i));
        json += std::string(i ? "," : "") + R"({"wwn": ")" + wwn + R"(", "type": "0x81", "state": 2, "physical": )" +
                std::to_string(i) + "}";
    }
    json += R"(]}], "platforms": []}}, "faults": []})";
    const std::string path = install.path("big.json");
    writeFile(path, json);
    return path;
}

TEST(TopologyProbe, AnOutputFileThatCannotBeWrittenEndsWithMinus2013) {
    Install install("devfull");
    ProbeRunOptions options;
    options.fullDevices = {install.path(kOutput)};
    options.model = bigModel(install, 300);
    options.args = probeArgs();
    options.env = {"FABRICSIM_LOG=" + install.simLogPath()};
    ProbeRunResult r = runProbe(install, options);
    EXPECT_EQ(exitStatusOf(-2013), r.exitCode) << r.err;
    const auto log = install.activityLog();
    EXPECT_EQ(1u, linesWith(log, "AGT0422E", kOutput));
    EXPECT_EQ(1u, linesWith(log, "AGT0430I", "-2013"));
    // The probe stopped at the failed write: not every port was asked for.
    EXPECT_LT(linesWith(install.simLog(), "cmd=GPS "), 300u);
}

// Counts larger than their response buffers: only the entries inside are read.
TEST(TopologyProbe, CountsBeyondTheirBuffersKeepTheEntriesInside) {
    Install install("counts");
    // An accepted list answer of `size` bytes stating `count`, with as many entries as fit.
    std::uint32_t serial = 0;
    auto response = [&serial](std::size_t size, std::uint32_t count, std::size_t entrySize,
                              const std::function<void(GsBytes&, std::uint16_t)>& entry) {
        GsBytes r = GsBytes::accept(0xFA, 0x01);
        r.be32(count);
        while (r.size() + entrySize <= size) entry(r, static_cast<std::uint16_t>(serial++));
        return toHex(r.inBuffer(size));
    };
    auto portEntry = [](GsBytes& r, std::uint16_t n) { r.u8(0x20).pad(3).be16(n).pad(5).u8(0x81); };
    auto attachedEntry = [](GsBytes& r, std::uint16_t n) { r.u8(0x10).pad(3).be16(n).pad(5).u8(0x84); };
    auto platformEntry = [](GsBytes& r, std::uint16_t n) { r.counted("plat" + std::to_string(n), 256); };
    auto nodeEntry = [](GsBytes& r, std::uint16_t n) { r.u8(0x50).pad(5).be16(n); };
    const std::string gpl = response(8212, 0xFFFFFFFF, 12, portEntry);
    const std::string gapnl = response(1044, 1000, 12, attachedEntry);
    serial = 0;
    const std::string gpnl = response(8212, 100, 256, platformEntry);
    const std::string gplnl = response(8212, 5000, 8, nodeEntry);
    const std::string json =
        R"({"adapters": [{"name": "fabricsim-hba0", "node_wwn": "20000000C9A00001", "ct_v2": true,
        "ports": [{"wwn": "10000000C9A00001", "fcid": "010100", "fabric": "A"}]}],
        "fabrics": {"A": {"name": "100000000000A000", "switches": [{"wwn": "100000000000A001", "type": 1,
          "ports": []}], "platforms": []}},
        "faults": [
          {"command": "GPL", "raw": ")" + gpl + R"("},
          {"command": "GPS", "key": "2000000000050000", "raw": "01000000FA01000080020000000000000000000000000001"},
          {"command": "GAPNL", "raw": ")" + gapnl + R"("},
          {"command": "GPNL", "raw": ")" + gpnl + R"("},
          {"command": "GPLNL", "key": "plat0", "raw": ")" + gplnl + R"("}]})";
    writeFile(install.path("counts.json"), json);

    ProbeRunOptions options;
    options.model = install.path("counts.json");
    options.args = probeArgs();
    options.env = {"FABRICSIM_LOG=" + install.simLogPath()};
    ProbeRunResult r = runProbe(install, options);
    EXPECT_EQ(0, r.exitCode) << r.err;
    const std::string file = install.output();
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    const std::string out = file.substr(file.find("[/Header]\n"));
    EXPECT_EQ(682u, countOf(out, "[SwitchPort]\n"));
    EXPECT_EQ(85u, countOf(out, "[PortToPort]\n"));
    EXPECT_EQ(1024u, countOf(out, "[Node]\n"));
    EXPECT_EQ(32u, linesWith(install.simLog(), "cmd=GPLNL "));
    EXPECT_EQ(out.size() - 10, out.rfind("[/Fabric]\n"));
}

// Answers shorter than their counts, through the V2 call and the kernel's FC
// transport: only the entries that arrived are written, and nothing is asked
// about the all-zero WWNs that the cleared rest of the buffer would have held.
TEST(TopologyProbe, AnswersShorterThanTheirCountsKeepOnlyWhatArrived) {
    const GsBytes accept = GsBytes::accept(0xFA, 0x01);
    const struct {
        const char* command;
        const char* key;
        std::string raw;  // counts of 2 or 3; one entry (and a part of the next) arrives
        const char* record;
        std::size_t records;
        const char* absent;  // what only a misread of the part could write
    } cases[] = {
        {"GIEL", "", GsBytes(accept).be32(2).wwn("100000000000A001").be32(1).hex(), "[InterconnectElement]\n", 1, ""},
        {"GPL", "100000000000A001", GsBytes(accept).be32(3).wwn("200100000000A001").be32(0x81).be16(0x2002).hex(),
         "[SwitchPort]\n", 1, ""},
        {"GAPNL", "200100000000A001", GsBytes(accept).be32(2).wwn("10000000C9A00002").be32(1).hex(), "[PortToPort]\n",
         1, ""},
        {"GMAL", "100000000000A001",
         GsBytes(accept).be32(3).counted("snmp://192.0.2.9", 256).hex() +
             GsBytes().counted("http://192.0.2.10", 256).hex().substr(0, 200),
         "snmp://192.0.2.9", 1, "http://192.0.2.10"},
    };
    for (const auto& c : cases) {
        for (bool kernel : {false, true}) {
            SCOPED_TRACE(std::string(c.command) + (kernel ? " kernel" : " V2"));
            Install install(std::string("short_") + c.command + (kernel ? "_kernel" : ""));
            const std::string key = *c.key ? std::string(R"(, "key": ")") + c.key + "\"" : "";
            writeFile(install.path("short.json"),
                      R"({"adapters": [{"name": "fabricsim-hba0", "node_wwn": "20000000C9A00001", "ct_v2": true,
              "ports": [{"wwn": "10000000C9A00001", "fcid": "010100", "fabric": "A"}]}],
              "fabrics": {"A": {"name": "100000000000A000", "switches": [{"wwn": "100000000000A001", "type": 1,
                "domain": 1, "logical_name": "core-1", "mgmt_addresses": ["snmp://192.0.2.9", "http://192.0.2.10"],
                "ports": [{"wwn": "200100000000A001", "type": "0x81", "state": 1, "physical": 1, "attached": [
                  {"wwn": "10000000C9A00002", "type": 1, "fcid": "010200", "node_wwn": "20000000C9A00002"}]}]}],
                "platforms": []}},
              "faults": [{"command": ")" + std::string(c.command) + "\"" + key + R"(, "raw": ")" + c.raw + R"("}]})");
            ProbeRunOptions options;
            options.model = install.path("short.json");
            options.kernel = kernel;
            options.args = probeArgs();
            options.env = {"FABRICSIM_LOG=" + install.simLogPath()};
            const ProbeRunResult r = runProbe(install, options);
            EXPECT_EQ(0, r.exitCode) << r.err;
            const std::string file = install.output();
            const std::string out = file.substr(file.find("[/Header]\n"));
            EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
            EXPECT_EQ(c.records, countOf(out, c.record)) << out;
            if (*c.absent) {
                EXPECT_EQ(std::string::npos, out.find(c.absent)) << out;
            }
            EXPECT_EQ(std::string::npos, out.find("0000000000000000")) << out;
            const auto sim = install.simLog();
            EXPECT_LE(1u, linesWith(sim, "cmd=" + std::string(c.command) + " ", "RAW"));
            EXPECT_EQ(0u, linesWith(sim, "key=0000000000000000"));
        }
    }
}

}  // namespace
