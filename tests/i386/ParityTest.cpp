// The i386 installation against the native one: both probes, each through its own
// simulator library and SNIA library, run the same models with the same arguments and
// must write the same output file, byte for byte, end with the same status, tell the
// agent the same and send the simulated fabric the same requests.
#include <gtest/gtest.h>

#include <elf.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "ProbeRun.h"

namespace {

const std::string kNativeStage = FABRICPROBE_NATIVE_STAGE;

std::string i386Stage() {
    std::string stage = stagePath("");
    while (stage.size() > 1 && stage.back() == '/') stage.pop_back();
    return stage;
}

struct Case {
    std::string name;   // names the private installations
    std::string model;  // relative to the repository root
    std::string command;
};

struct Outcome {
    ProbeRunResult result;
    std::string output;
    std::vector<std::string> requests;  // simulator call log without its time stamps
    std::vector<std::string> agentArgs;
};

// One probe run from the installation under stage, through that installation's launcher.
Outcome runFrom(const std::string& stage, const std::string& testName, const Case& c) {
    ProbeInstall install(testName);
    // The probe takes its installation from the path it was started by; point that at stage.
    const std::string probe = install.path("bin/fabricprobe");
    if (::unlink(probe.c_str()) != 0 || ::symlink((stage + "/bin/fabricprobe").c_str(), probe.c_str()) != 0)
        throw std::runtime_error("cannot link " + probe);
    ::mkdir(install.path("output/srv").c_str(), 0755);

    const std::string simLog = install.path("sim.log");
    ProbeRunOptions options;
    options.program = stage + "/bin/fabricsim-run";
    options.args = {sourcePath(c.model), "--", probe,
                    "-servername", "srv", "-serverip", "192.0.2.1", "-serverport", "9549",
                    "-command", c.command, "-fabrics", "allfabrics", "-jobtimestamp", "20261206093000",
                    "-discoverrequestid", "5", "-devicejobid", "6"};
    options.env = {"FABRICSIM_LOG=" + simLog};
    options.fastClock = true;  // the zone queries and busy switches pause 10 s and 15 s

    Outcome run;
    run.result = runProbe(install, options);
    run.output = readFile(install.path(std::string("output/srv/fabricprobe_") + c.command +
                                       "_20261206093000_5_6.dat"));
    for (const std::string& line : readLines(simLog)) {
        const std::string::size_type blank = line.find(' ');
        run.requests.push_back(blank == std::string::npos ? line : line.substr(blank + 1));
    }
    // The agent is told where the installation is, which differs by run.
    for (std::string arg : install.agentArgs())
        run.agentArgs.push_back(arg == install.root() ? std::string("<install>") : arg);
    return run;
}

void expectSameAsNative(const Case& c) {
    ASSERT_TRUE(fileExists(kNativeStage + "/bin/fabricprobe"))
        << "no native installation at " << kNativeStage << ": run the native suite first";

    const Outcome native = runFrom(kNativeStage, std::string("parity_native_") + c.name, c);
    const Outcome cross = runFrom(i386Stage(), std::string("parity_i386_") + c.name, c);

    ASSERT_FALSE(native.output.empty()) << native.result.err;
    EXPECT_EQ(native.output, cross.output);
    EXPECT_EQ(native.result.exitCode, cross.result.exitCode) << cross.result.err;
    EXPECT_EQ(native.result.signal, cross.result.signal);
    EXPECT_EQ(native.result.agentStatus, cross.result.agentStatus);
    EXPECT_EQ(native.agentArgs, cross.agentArgs);
    EXPECT_FALSE(native.requests.empty());
    EXPECT_EQ(native.requests, cross.requests);
    EXPECT_EQ(native.result.err, cross.result.err);
}

TEST(SameAsNative, ExampleSanTopology) { expectSameAsNative({"san_topology", "examples/san.json", "Topology"}); }
TEST(SameAsNative, ExampleSanZoning) { expectSameAsNative({"san_zoning", "examples/san.json", "ZoningOnly"}); }

// Every port type and state, long texts, platforms with timed-out queries, two adapters
// on one fabric, two fabrics, rejected queries.
TEST(SameAsNative, TopologyModels) {
    for (const char* model : {"dense", "types", "platforms", "twoadapters", "twofabrics", "rejected"}) {
        SCOPED_TRACE(model);
        expectSameAsNative({model, std::string("tests/topology/models/") + model + ".json", "Topology"});
    }
}

// Database and active copies, every member type, a truncated zone object (ends the
// probe), members of types outside the table, and zoning of a topology model.
TEST(SameAsNative, ZoningModels) {
    for (const char* model : {"full_db", "active_only", "member_types", "truncated_zone", "unknown_member"}) {
        SCOPED_TRACE(model);
        expectSameAsNative({model, std::string("tests/zoning/models/") + model + ".json", "ZoningOnly"});
    }
    expectSameAsNative({"dense_zoning", "tests/topology/models/dense.json", "ZoningOnly"});
}

// What is installed is what the 32-bit host runs: i386 ELF files, program and library.
TEST(I386Install, ProbeLauncherAndSimulatorAre32BitX86) {
    for (const char* file : {"bin/fabricprobe", "bin/fabricsim-run", "lib/libfabricsim.so"}) {
        SCOPED_TRACE(file);
        const std::string bytes = readFile(stagePath(file));
        ASSERT_GE(bytes.size(), sizeof(Elf32_Ehdr));
        Elf32_Ehdr header;
        std::memcpy(&header, bytes.data(), sizeof header);
        EXPECT_EQ(0, std::memcmp(header.e_ident, ELFMAG, SELFMAG));
        EXPECT_EQ(ELFCLASS32, header.e_ident[EI_CLASS]);
        EXPECT_EQ(EM_386, header.e_machine);
    }
}

}  // namespace
