// The installed probe on a simulated stock Linux host (libhbalinux, which answers no
// CT call, and the kernel's FC bsg devices) writes what it writes through a vendor
// library that answers CT calls itself.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ProbeRun.h"

namespace {

struct ModeRun {
    ProbeRunResult result;
    std::string output;
    std::string trace;
    std::vector<std::string> simLog;
};

ModeRun runIn(bool kernel, const std::string& model, const std::string& command, const std::string& name) {
    ProbeInstall install(name + (kernel ? "_kernel" : "_vendor"));
    ::mkdir(install.path("output/srv").c_str(), 0755);
    ProbeRunOptions options;
    options.model = model;
    options.kernel = kernel;
    options.args = {"-servername", "srv", "-serverip", "192.0.2.1", "-serverport", "9550", "-command", command,
                    "-fabrics", "allfabrics", "-jobtimestamp", "20261207", "-discoverrequestid", "51",
                    "-devicejobid", "52", "-debug", "MAX"};
    options.env = {"FABRICSIM_LOG=" + install.path("sim.log")};
    options.fastClock = true;
    ModeRun run;
    run.result = runProbe(install, options);
    const std::string output = install.path("output/srv/fabricprobe_" + command + "_20261207_51_52.dat");
    run.output = readFile(output);
    EXPECT_TRUE(outputFileIsValid(output));
    run.trace = readFile(install.path("log/srv/fabricprobe_000001.trace"));
    run.simLog = readLines(install.path("sim.log"));
    return run;
}

bool allLines(const std::vector<std::string>& lines, const std::string& part) {
    return std::all_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
}

// kernel: the kernel-mode run, for the caller's own checks.
void expectSameOutput(const std::string& model, const std::string& command, const std::string& name, ModeRun& kernel) {
    const ModeRun vendor = runIn(false, model, command, name);
    kernel = runIn(true, model, command, name);
    ASSERT_EQ(vendor.result.exitCode, 0) << vendor.result.err;
    ASSERT_EQ(kernel.result.exitCode, 0) << kernel.result.err;
    EXPECT_EQ(kernel.result.out, "") << "libhbalinux prints nothing for the generated PCI functions";
    ASSERT_NE(vendor.output.find("[/Fabric]"), std::string::npos);
    EXPECT_EQ(kernel.output, vendor.output);

    EXPECT_NE(kernel.trace.find("adapter name for adapter 0 is fcoe:"), std::string::npos);
    EXPECT_NE(kernel.trace.find("requests of this adapter go through /dev/bsg/fc_host0\n"), std::string::npos);
    ASSERT_FALSE(kernel.simLog.empty());
    EXPECT_TRUE(allLines(kernel.simLog, " v=bsg ")) << kernel.simLog.front();
    // Every request the vendor mode sent, less its version probes (one per adapter), which
    // libhbalinux refuses, and the older call it falls back to when a V2 call fails.
    const auto fallbacks = std::count_if(vendor.simLog.begin(), vendor.simLog.end(),
                                         [](const std::string& l) { return l.find(" v=1 ") != std::string::npos; });
    std::size_t probes = 0;
    for (std::size_t at = vendor.trace.find("using HBA_SendCTPassThruV2()...\n"); at != std::string::npos;
         at = vendor.trace.find("using HBA_SendCTPassThruV2()...\n", at + 1))
        ++probes;
    EXPECT_EQ(kernel.simLog.size() + probes + static_cast<std::size_t>(fallbacks), vendor.simLog.size());
}

std::size_t linesWith(const std::vector<std::string>& lines, const std::string& part) {
    return static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}
}  // namespace

TEST(KernelMode, TopologyOfTheExampleSanIsTheVendorModesByteForByte) {
    ModeRun kernel;
    expectSameOutput(sourcePath("examples/san.json"), "Topology", "kernel_topology", kernel);
    EXPECT_NE(kernel.trace.find("adapter name for adapter 1 is fcoe:"), std::string::npos);
    EXPECT_NE(kernel.trace.find("using FC_BSG_HST_CT through /dev/bsg/fc_host1\n"), std::string::npos);
}

TEST(KernelMode, ZoningOfTheExampleSanIsTheVendorModesByteForByte) {
    ModeRun kernel;
    expectSameOutput(sourcePath("examples/san.json"), "ZoningOnly", "kernel_zoning", kernel);
    EXPECT_NE(kernel.trace.find("using FC_BSG_HST_CT through /dev/bsg/fc_host1\n"), std::string::npos);
}

// The example SAN with one text replaced, written where the test can hand it on.
std::string editedExample(const std::string& from, const std::string& to, const std::string& name) {
    std::string model = readFile(sourcePath("examples/san.json"));
    const std::string::size_type at = model.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) model.replace(at, from.size(), to);
    ProbeInstall scratch(name);
    const std::string path = scratch.path("model.json");
    writeFile(path, model);
    return path;
}

TEST(KernelMode, APortWhoseAttributesFailIsLeftOutInBothModes) {
    const std::string model =
        editedExample(R"("fabric": "B", "fail_attributes": false)", R"("fabric": "B", "fail_attributes": true)",
                      "kernel_fail_attributes_model");
    ModeRun kernel;
    expectSameOutput(model, "Topology", "kernel_fail_attributes", kernel);
    EXPECT_NE(kernel.trace.find("Number of ports in adapter 1 is 0\n"), std::string::npos)
        << "libhbalinux finds no PCI function for it";
    EXPECT_EQ(kernel.output.find("\"10000000C9A00002\""), std::string::npos) << "fabric B is not probed";
}

TEST(KernelMode, BusyAnswersRejectsAndARawAnswerGoTheSameWay) {
    const std::string faults = R"("faults": [
    { "command": "GDID", "key": "100000051E0A0001", "times": 2, "busy": true },
    { "command": "GPS", "key": "200000051E0B0002", "times": 3, "busy": true },
    { "command": "GMID", "key": "100000051E0A0002", "reject": [11, 0] },
    { "command": "GID_PN", "reject": [9, 0], "times": 1 },
    { "command": "GPPN", "key": "200000051E0A0001", "fail": 1 },
    { "command": "GIELN", "key": "100000051E0B0001",
      "raw": "01000000FA0100008002000000000000047261772100000000" } ])";
    const std::string path = editedExample("\"faults\": []", faults, "kernel_fault_model");
    ModeRun kernel;
    expectSameOutput(path, "Topology", "kernel_faults", kernel);
    EXPECT_EQ(linesWith(kernel.simLog, "cmd=GDID key=100000051E0A0001 result=RJT 05 00"), 2u);
    EXPECT_EQ(linesWith(kernel.simLog, "cmd=GPS key=200000051E0B0002 result=RJT 05 00"), 3u);
    EXPECT_EQ(linesWith(kernel.simLog, "result=RAW"), 1u);
    // A failed job comes back as the kernel returns one, ioctl -1 with errno EIO: a
    // pass-through failure with its errno.
    EXPECT_EQ(linesWith(kernel.simLog, "cmd=GPPN key=200000051E0A0001 result=FAIL 1"), 1u);
    EXPECT_NE(kernel.trace.find("FC_BSG_HST_CT through /dev/bsg/fc_host0 failed: SG_IO failed\n"), std::string::npos);
    EXPECT_NE(kernel.trace.find("CTPassThru failed, status = 1 errno 5 "), std::string::npos);
}

TEST(KernelMode, TheLauncherSaysWhatIsMissingAndLeavesTheHostAlone) {
    const std::string hbaConf = readFile("/etc/hba.conf");
    ProbeInstall install("kernel_missing");
    ProbeRunOptions options;
    options.model = sourcePath("examples/san.json");
    options.kernel = true;
    options.env = {"FABRICSIM_HBALINUX=/nonexistent/libhbalinux.so.2"};
    options.agentPipe = false;
    options.args = {"-version"};
    const ProbeRunResult result = runProbe(install, options);
    EXPECT_EQ(result.exitCode, 125);
    EXPECT_NE(result.err.find("--kernel needs libhbalinux at /nonexistent/libhbalinux.so.2"), std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("libhbalinux2"), std::string::npos);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);

    EXPECT_EQ(readFile("/etc/hba.conf"), hbaConf);
    struct stat st;
    EXPECT_NE(::stat("/sys/class/fc_host/host0/port_name", &st) == 0 &&
                  readFile("/sys/class/fc_host/host0/port_name") == "0x10000000c9a00001\n",
              true)
        << "the generated tree stayed in its namespace";
}
