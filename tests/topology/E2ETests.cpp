// The topology probe end to end: the installed binary, run as the agent runs it,
// through the real SNIA library against the simulator. Whole output files are
// compared with expected files; the return code, the activity log and the
// simulator's request log are checked too.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

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
        collect(path("log"), lines);
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

private:
    static void collect(const std::string& dir, std::vector<std::string>& lines) {
        DIR* d = ::opendir(dir.c_str());
        if (!d) return;
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            if (name == "." || name == "..") continue;
            const std::string full = dir + "/" + name;
            struct stat st;
            if (::stat(full.c_str(), &st) != 0) continue;
            if (S_ISDIR(st.st_mode)) {
                collect(full, lines);
            } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".log") == 0) {
                for (auto& l : readLines(full)) lines.push_back(l);
            }
        }
        ::closedir(d);
    }
};

// Lines holding every one of the given parts.
std::size_t countLines(const std::vector<std::string>& lines, const std::vector<std::string>& parts) {
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return std::all_of(parts.begin(), parts.end(),
                           [&](const std::string& p) { return line.find(p) != std::string::npos; });
    }));
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

TEST(TopologyProbe, DenseSwitchWithEveryKindOfPort) {
    Install install("dense");
    ProbeRunResult r = install.run("dense.json");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ("1", r.agentStatus);
    EXPECT_EQ(expected("dense.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));

    const auto log = install.activityLog();
    EXPECT_EQ(1u, countLines(log, {"AGT0433E", "GAPNL"}));
    EXPECT_EQ(1u, countLines(log, {"AGT0433E", "GIEL"}));
    EXPECT_EQ(1u, countLines(log, {"AGT0416I", "found: 1."}));
    EXPECT_EQ(1u, countLines(log, {"AGT0417I", "adapter 0."}));
    EXPECT_EQ(0u, countLines(log, {"AGT0420I"}));
    EXPECT_EQ(1u, countLines(log, {"AGT0430I", "return code 0."}));

    const auto sim = install.simLog();
    // Attached ports are asked for only on online ports of a known, defined type.
    EXPECT_EQ(1u, countLines(sim, {"cmd=GAPNL", "key=200100000000A001"}));
    EXPECT_EQ(1u, countLines(sim, {"cmd=GAPNL", "key=200200000000A001"}));
    EXPECT_EQ(0u, countLines(sim, {"cmd=GAPNL", "key=200300000000A001"}));  // raw type 0
    EXPECT_EQ(0u, countLines(sim, {"cmd=GAPNL", "key=200400000000A001"}));  // Reserved
    EXPECT_EQ(0u, countLines(sim, {"cmd=GAPNL", "key=200500000000A001"}));  // state unknown
    EXPECT_EQ(0u, countLines(sim, {"cmd=GAPNL", "key=200900000000A001"}));  // Offline
    EXPECT_EQ(1u, countLines(sim, {"cmd=GAPNL", "key=200B00000000A001", "RJT"}));
    // End ports only are looked up in the name server.
    EXPECT_EQ(0u, countLines(sim, {"cmd=GID_PN", "key=200100000000B001"}));
    EXPECT_EQ(1u, countLines(sim, {"cmd=GID_PN", "key=10000000C9A00006", "RJT"}));
    EXPECT_EQ(1u, countLines(sim, {"cmd=GNN_ID", "key=010700", "RJT"}));
    // The attached list stops at the type it cannot interpret.
    EXPECT_EQ(0u, countLines(sim, {"key=10000000C9A0000B"}));
    EXPECT_EQ(0u, countLines(sim, {"key=10000000C9A0000C"}));
    // The switch's port list stops at its uninterpretable port, after its state and number.
    EXPECT_EQ(1u, countLines(sim, {"cmd=GPS", "key=200D00000000A001"}));
    EXPECT_EQ(1u, countLines(sim, {"cmd=GPPN", "key=200D00000000A001"}));
    EXPECT_EQ(0u, countLines(sim, {"key=200E00000000A001"}));
    EXPECT_EQ(0u, countLines(sim, {"RAW"}));
}

TEST(TopologyProbe, AllFiveSwitchQueriesRejected) {
    Install install("rejected");
    ProbeRunResult r = install.run("rejected.json");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("rejected.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    const auto sim = install.simLog();
    for (const char* command : {"GDID", "GIELN", "GMID", "GIEIL", "GMAL", "GPL"})
        EXPECT_EQ(1u, countLines(sim, {std::string("cmd=") + command + " ", "key=100000000000A001", "RJT"}))
            << command;
    EXPECT_EQ(1u, countLines(sim, {"cmd=GPNL", "RJT"}));
}

TEST(TopologyProbe, ElementTypesLongTextsAndUnterminatedAttributes) {
    Install install("types");
    ProbeRunResult r = install.run("types.json");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("types.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    EXPECT_EQ(1u, countLines(install.activityLog(), {"AGT0433E", "GIEL"}));
    // Nothing is asked about an element that cannot be interpreted.
    EXPECT_EQ(0u, countLines(install.simLog(), {"cmd=GDID", "key=100000000000A007"}));
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
    EXPECT_EQ(1u, countLines(log, {"AGT0433E", "GPLT"}));
    EXPECT_EQ(0u, countLines(log, {"AGT0430I", "GPLT"}));
    auto sim = install.simLog();
    EXPECT_EQ(1u, countLines(sim, {"cmd=GPLT", "key=host17 "}));
    EXPECT_EQ(0u, countLines(sim, {"cmd=GPLT", "key=host "}));
    EXPECT_EQ(1u, countLines(sim, {"cmd=GPLT", "key=slow ", "RJT 09 00"}));
    EXPECT_EQ(0u, countLines(sim, {"key=after "}));  // the list ends at the type beyond the table

    // The next run through the same handle does not wait for the slow platform again.
    ProbeRunResult again = install.run("platforms.json", "allfabrics", true);
    EXPECT_EQ(0, again.exitCode) << again.err;
    EXPECT_EQ(expected("platforms.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    EXPECT_EQ("GPLT:1:host\n\nGPLT:1:slow\n", readFile(install.path("FABRIC_PROBE_TIMEOUT_ENTRIES")));
    sim = install.simLog();
    EXPECT_EQ(0u, countLines(sim, {"cmd=GPLT", "key=slow "}));
    EXPECT_EQ(1u, countLines(sim, {"cmd=GPLML", "key=slow "}));
    EXPECT_EQ(1u, countLines(sim, {"cmd=GPLT", "key=host17 "}));
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
    EXPECT_EQ(1u, countLines(install.simLog(), {"cmd=GPLT", "key=host17 "}));
    EXPECT_EQ(1u, countLines(install.simLog(), {"cmd=GPLT", "key=slow "}));
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
    EXPECT_EQ(0u, countLines(install.simLog(), {"cmd=GPLT", "key=host17 "}));
    EXPECT_EQ(1u, countLines(install.simLog(), {"cmd=GPLML", "key=host17 "}));
    EXPECT_EQ(entries + "GPLT:1:slow\n", readFile(install.path("FABRIC_PROBE_TIMEOUT_ENTRIES")));
}

TEST(TopologyProbe, TwoAdaptersOnOneFabricWriteOneBlock) {
    Install install("twoadapters");
    ProbeRunResult r = install.run("twoadapters.json");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("twoadapters.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    const auto log = install.activityLog();
    EXPECT_EQ(1u, countLines(log, {"AGT0416I", "found: 2."}));
    EXPECT_EQ(1u, countLines(log, {"AGT0417I", "adapter 0."}));
    EXPECT_EQ(1u, countLines(log, {"AGT0417I", "adapter 1."}));
    const auto sim = install.simLog();
    EXPECT_EQ(1u, countLines(sim, {"port=10000000C9A00011", "cmd=GFN "}));
    EXPECT_EQ(0u, countLines(sim, {"port=10000000C9A00011", "cmd=GDID"}));
}

TEST(TopologyProbe, SpecificFabricsProbeOnlyTheListedOnes) {
    Install install("specific");
    writeFile(install.path(kInput), "100000000000B000\n");
    ProbeRunResult r = install.run("twofabrics.json", "specificfabrics");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("fabricB.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    EXPECT_EQ(0u, countLines(install.simLog(), {"key=100000000000A001", "cmd=GDID"}));
    EXPECT_EQ(0u, countLines(install.activityLog(), {"AGT0420I"}));
    EXPECT_FALSE(fileExists(install.path(kInput)));  // the agent's input is removed after the run
}

TEST(TopologyProbe, LowerCaseFabricNamesSelectNothing) {
    Install install("lowercase");
    writeFile(install.path(kInput), "100000000000b000\n100000000000a000\n");
    ProbeRunResult r = install.run("twofabrics.json", "specificfabrics");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("headeronly.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    EXPECT_EQ(1u, countLines(install.activityLog(), {"AGT0420I"}));
}

TEST(TopologyProbe, AMissingInputFileEndsBeforeTheHbaApiIsLoaded) {
    Install install("noinput");
    ProbeRunResult r = install.run("twofabrics.json", "specificfabrics");
    EXPECT_EQ(exitStatusOf(-2002), r.exitCode) << r.err;
    EXPECT_EQ(expected("headeronly.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    const auto log = install.activityLog();
    EXPECT_EQ(1u, countLines(log, {"AGT0421E", kInput}));
    EXPECT_EQ(0u, countLines(log, {"AGT0416I"}));
    EXPECT_TRUE(install.simLog().empty());
}

TEST(TopologyProbe, AHostWithoutAdaptersProbesNothing) {
    Install install("noadapters");
    ProbeRunResult r = install.run("noadapters.json");
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(expected("headeronly.dat"), install.output());
    EXPECT_TRUE(outputFileIsValid(install.path(kOutput)));
    const auto log = install.activityLog();
    EXPECT_EQ(1u, countLines(log, {"AGT0416I", "found: 0."}));
    EXPECT_EQ(0u, countLines(log, {"AGT0420I"}));
    EXPECT_EQ(1u, countLines(log, {"AGT0430I", "return code 0."}));
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
    EXPECT_EQ(1u, countLines(log, {"AGT0445I"}));
    EXPECT_EQ(1u, countLines(log, {"AGT0417I", "adapter 0."}));
    EXPECT_EQ(0u, countLines(log, {"AGT0417I", "adapter 1."}));
    EXPECT_EQ(0u, countLines(install.simLog(), {"port=10000000C9A00011"}));
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
    EXPECT_EQ(1u, countLines(log, {"AGT0422E", kOutput}));
    EXPECT_EQ(1u, countLines(log, {"AGT0430I", "-2013"}));
    // The probe stopped at the failed write: not every port was asked for.
    EXPECT_LT(countLines(install.simLog(), {"cmd=GPS "}), 300u);
}

// Counts larger than their response buffers: only the entries inside are read.
TEST(TopologyProbe, CountsBeyondTheirBuffersKeepTheEntriesInside) {
    Install install("counts");
    auto hex = [](const std::vector<unsigned char>& bytes) {
        static const char digits[] = "0123456789ABCDEF";
        std::string s;
        for (unsigned char b : bytes) {
            s += digits[b >> 4];
            s += digits[b & 15];
        }
        return s;
    };
    auto response = [](std::size_t size, std::uint32_t count, std::size_t entrySize,
                       const std::function<void(std::vector<unsigned char>&, std::size_t)>& fill) {
        std::vector<unsigned char> r(size, 0);
        const unsigned char head[] = {1, 0, 0, 0, 0xFA, 1, 0, 0, 0x80, 2};
        std::copy(std::begin(head), std::end(head), r.begin());
        r[16] = count >> 24;
        r[17] = count >> 16;
        r[18] = count >> 8;
        r[19] = count;
        for (std::size_t at = 20; at + entrySize <= size; at += entrySize) fill(r, at);
        return r;
    };
    std::uint32_t serial = 0;
    auto portEntry = [&serial](std::vector<unsigned char>& r, std::size_t at) {
        r[at] = 0x20;
        r[at + 4] = serial >> 8;
        r[at + 5] = serial++;
        r[at + 11] = 0x81;
    };
    auto attachedEntry = [&serial](std::vector<unsigned char>& r, std::size_t at) {
        r[at] = 0x10;
        r[at + 4] = serial >> 8;
        r[at + 5] = serial++;
        r[at + 11] = 0x84;
    };
    auto platformEntry = [&serial](std::vector<unsigned char>& r, std::size_t at) {
        const std::string name = "plat" + std::to_string(serial++);
        r[at] = static_cast<unsigned char>(name.size());
        std::copy(name.begin(), name.end(), r.begin() + static_cast<std::ptrdiff_t>(at) + 1);
    };
    auto nodeEntry = [&serial](std::vector<unsigned char>& r, std::size_t at) {
        r[at] = 0x50;
        r[at + 6] = serial >> 8;
        r[at + 7] = serial++;
    };
    const std::string gpl = hex(response(8212, 0xFFFFFFFF, 12, portEntry));
    const std::string gapnl = hex(response(1044, 1000, 12, attachedEntry));
    serial = 0;
    const std::string gpnl = hex(response(8212, 100, 256, platformEntry));
    const std::string gplnl = hex(response(8212, 5000, 8, nodeEntry));
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
    EXPECT_EQ(32u, countLines(install.simLog(), {"cmd=GPLNL "}));
    EXPECT_EQ(out.size() - 10, out.rfind("[/Fabric]\n"));
}

// Answers shorter than their counts, through the V2 call and the kernel's FC
// transport: only the entries that arrived are written, and nothing is asked
// about the all-zero WWNs that the cleared rest of the buffer would have held.
TEST(TopologyProbe, AnswersShorterThanTheirCountsKeepOnlyWhatArrived) {
    const std::string accept = "01000000FA0100008002000000000000";
    auto counted = [](const std::string& text) {
        char length[3];
        std::snprintf(length, sizeof length, "%02X", static_cast<unsigned>(text.size()));
        std::string field = length;
        for (unsigned char c : text) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02X", c);
            field += digits;
        }
        return field + std::string(2 * (256 - 1 - text.size()), '0');
    };
    const struct {
        const char* command;
        const char* key;
        std::string raw;  // counts of 2 or 3; one entry (and a part of the next) arrives
        const char* record;
        std::size_t records;
        const char* absent;  // what only a misread of the part could write
    } cases[] = {
        {"GIEL", "", accept + "00000002" + "100000000000A001" "00000001", "[InterconnectElement]\n", 1, ""},
        {"GPL", "100000000000A001", accept + "00000003" + "200100000000A001" "00000081" + "2002", "[SwitchPort]\n",
         1, ""},
        {"GAPNL", "200100000000A001", accept + "00000002" + "10000000C9A00002" "00000001", "[PortToPort]\n", 1, ""},
        {"GMAL", "100000000000A001",
         accept + "00000003" + counted("snmp://192.0.2.9") + counted("http://192.0.2.10").substr(0, 200),
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
            EXPECT_LE(1u, countLines(sim, {"cmd=" + std::string(c.command) + " ", "RAW"}));
            EXPECT_EQ(0u, countLines(sim, {"key=0000000000000000"}));
        }
    }
}

}  // namespace
