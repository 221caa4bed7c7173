// The installed probe on simulated stock Linux hosts (libhbalinux, which answers no CT
// call and lists only software-FCoE hosts, and the kernel's FC bsg devices as each
// driver takes them) writes what it writes through a vendor library that answers CT
// calls itself.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ProbeRun.h"

namespace {

constexpr char kVendor[] = "";  // the driver of a vendor-mode run

struct ModeRun {
    ProbeRunResult result;
    std::string output;
    std::string log;
    std::string trace;
    std::vector<std::string> simLog;
};

// driver: kVendor for the vendor mode, else the simulated host's driver.
ModeRun runIn(const std::string& driver, const std::string& model, const std::string& command,
              const std::string& name, const std::vector<std::string>& env = {}) {
    const bool kernel = driver != kVendor;
    ProbeInstall install(name + (kernel ? "_" + driver : "_vendor"));
    ::mkdir(install.path("output/srv").c_str(), 0755);
    ProbeRunOptions options;
    options.model = model;
    options.kernel = kernel;
    options.driver = driver;
    options.args = {"-servername", "srv", "-serverip", "192.0.2.1", "-serverport", "9550", "-command", command,
                    "-fabrics", "allfabrics", "-jobtimestamp", "20261207", "-discoverrequestid", "51",
                    "-devicejobid", "52", "-debug", "MAX"};
    options.env = {"FABRICSIM_LOG=" + install.path("sim.log")};
    options.env.insert(options.env.end(), env.begin(), env.end());
    options.fastClock = true;
    ModeRun run;
    run.result = runProbe(install, options);
    const std::string output = install.path("output/srv/fabricprobe_" + command + "_20261207_51_52.dat");
    run.output = readFile(output);
    EXPECT_TRUE(outputFileIsValid(output));
    run.log = readFile(install.path("log/srv/fabricprobe_000001.log"));
    run.trace = readFile(install.path("log/srv/fabricprobe_000001.trace"));
    run.simLog = readLines(install.path("sim.log"));
    return run;
}

// The same output file as the vendor mode, and the same requests reaching the fabric: every
// request the vendor mode sent, less its version probes (one per adapter), which libhbalinux
// refuses, and the older call it falls back to when a V2 call fails; requests a driver
// refused (ERRNO) reached nobody.
void expectSameAsVendor(const ModeRun& vendor, const ModeRun& kernel) {
    ASSERT_EQ(vendor.result.exitCode, 0) << vendor.result.err;
    ASSERT_EQ(kernel.result.exitCode, 0) << kernel.result.err;
    EXPECT_EQ(kernel.result.out, "") << "libhbalinux prints nothing for the generated PCI functions";
    ASSERT_NE(vendor.output.find("[/Fabric]"), std::string::npos);
    EXPECT_EQ(kernel.output, vendor.output);
    ASSERT_FALSE(kernel.simLog.empty());
    EXPECT_EQ(linesWith(kernel.simLog, " v=bsg "), kernel.simLog.size()) << kernel.simLog.front();
    const std::size_t fallbacks = linesWith(vendor.simLog, " v=1 ");
    const std::size_t probes = countOf(vendor.trace, "using HBA_SendCTPassThruV2()...\n");
    const std::size_t refused = linesWith(kernel.simLog, "result=ERRNO");
    EXPECT_EQ(kernel.simLog.size() - refused + probes + fallbacks, vendor.simLog.size());
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
}  // namespace

// Every simulated driver: the same output file, the route each port takes named in the
// trace, and the native hosts, which libhbalinux does not list, found through the kernel.
TEST(KernelMode, TheExampleSanUnderEveryDriverIsTheVendorModesByteForByte) {
    const std::string hostCt = "using FC_BSG_HST_CT through /dev/bsg/fc_host1\n";
    const std::string toMgmt = "using FC_BSG_RPT_CT through /dev/bsg/rport-1:0-1\n";
    const std::string toNames = "using FC_BSG_RPT_CT through /dev/bsg/rport-1:0-0\n";
    const std::string refused = "driver simfc refused FC_BSG_HST_CT to ";
    struct Driver {
        const char* name;
        bool listedByLibhbalinux;
        std::vector<std::string> traceLines;  // of the second adapter's port (fc_host host1), management server
        std::string nameServerLine;           // ... and name server (Topology only)
        std::size_t refusedPerServer;         // HST_CT requests the driver refused
    };
    const Driver drivers[] = {
        {"libfc", true,
         {"requests of this adapter go through fc_host host1\n", "fc_host host1: driver fcoe, FC_BSG_HST_CT\n", hostCt},
         hostCt, 0},
        {"qla2xxx", false, {"fc_host host1: driver qla2xxx, FC_BSG_HST_CT\n", hostCt}, hostCt, 0},
        {"lpfc", false, {"fc_host host1: driver lpfc, FC_BSG_RPT_CT through the servers' remote ports\n", toMgmt},
         toNames, 0},
        {"other", false, {refused + "FFFFFA: FC_BSG_RPT_CT through /dev/bsg/rport-1:0-1 from now on\n", toMgmt},
         refused + "FFFFFC: FC_BSG_RPT_CT through /dev/bsg/rport-1:0-0 from now on\n", 1},
    };
    for (const std::string command : {"Topology", "ZoningOnly"}) {
        const bool topology = command == "Topology";  // zoning asks no name server
        const ModeRun vendor = runIn(kVendor, sourcePath("examples/san.json"), command, "kernel_san");
        for (const Driver& driver : drivers) {
            SCOPED_TRACE(command + " " + driver.name);
            const ModeRun kernel = runIn(driver.name, sourcePath("examples/san.json"), command, "kernel_san");
            expectSameAsVendor(vendor, kernel);
            EXPECT_EQ(countOf(kernel.log, "AGT0416I Number of Fibre Channel adapters found: 2."), 1u) << kernel.log;
            if (driver.listedByLibhbalinux) {
                EXPECT_NE(kernel.trace.find("adapter name for adapter 1 is fcoe:"), std::string::npos);
            } else {
                EXPECT_NE(kernel.trace.find("number of adapters: 0\n"), std::string::npos);
                EXPECT_EQ(countOf(kernel.trace, "listed by no adapter of the HBA API; probed as an adapter of its own"),
                          2u);
                EXPECT_NE(kernel.trace.find("adapter 1 is fc_host host1 of the kernel"), std::string::npos);
            }
            for (const std::string& line : driver.traceLines)
                EXPECT_NE(kernel.trace.find(line), std::string::npos) << line;
            if (topology) {
                EXPECT_NE(kernel.trace.find(driver.nameServerLine), std::string::npos) << driver.nameServerLine;
            }
            // Decided once per host and server: one refusal each, then the remote port.
            EXPECT_EQ(linesWith(kernel.simLog, "result=ERRNO 22"), 2 * driver.refusedPerServer * (topology ? 2 : 1));
        }
    }
}

// A libfc host without FDMI is never logged in to the management server: the log says so
// once per port, no request to it is retried, and the run ends as one that probed nothing.
TEST(KernelMode, AManagementServerWithoutALoginIsSaidOncePerPortAndNotRetried) {
    const ModeRun kernel = runIn("libfc-nofdmi", sourcePath("examples/san.json"), "Topology", "kernel_nofdmi");
    EXPECT_EQ(kernel.result.exitCode, 0) << kernel.result.err;
    EXPECT_EQ(kernel.output.find("[/Fabric]"), std::string::npos) << kernel.output;
    EXPECT_EQ(countOf(kernel.log, " AGT0446W "), 2u) << kernel.log;
    for (const char* host : {"host0", "host1"}) {
        const std::string message = std::string(" AGT0446W The management server FFFFFA cannot be reached through ") +
                                    "fc_host " + host + " (driver fcoe): the host has not logged in to it and the " +
                                    "kernel lists no online remote port for it. Its queries through this adapter " +
                                    "port are not sent.\n";
        EXPECT_EQ(countOf(kernel.log, message), 1u) << kernel.log;
    }
    EXPECT_EQ(countOf(kernel.log, " AGT0420I "), 1u);
    EXPECT_EQ(kernel.trace.find("reattempting"), std::string::npos);
    // The activity log's clock (100 times faster) from the first adapter to the end of
    // the loop: well below one 15 s pause.
    const auto secondsAt = [&](const std::string& id) {
        const std::size_t at = kernel.log.find(" " + id + " ");
        if (at == std::string::npos || at < 12) return -1.0;
        const std::size_t line = kernel.log.rfind('\n', at) == std::string::npos ? 0 : kernel.log.rfind('\n', at) + 1;
        const std::string time = kernel.log.substr(line + 11, 12);  // HH:MM:SS.mmm
        return std::stoi(time.substr(0, 2)) * 3600 + std::stoi(time.substr(3, 2)) * 60 + std::stod(time.substr(6));
    };
    const double first = secondsAt("AGT0417I"), last = secondsAt("AGT0420I");
    ASSERT_GE(first, 0);
    EXPECT_LT(last - first, 15.0) << kernel.log;
    // One GIEL per port, refused at once, and nothing after it: no 15 s retry.
    ASSERT_EQ(kernel.simLog.size(), 2u);
    EXPECT_EQ(linesWith(kernel.simLog, "cmd=GIEL key=- result=ERRNO 22"), 2u);
}

// A port the HBA API cannot describe is found through the kernel when its fc_host is
// online: under libfc libhbalinux sees no PCI function for it (no ports), and the kernel
// probes fabric B as the vendor mode does when nothing fails; a native port with failing
// attributes shows port_state Linkdown and is left out as the vendor mode leaves it out.
TEST(KernelMode, APortWhoseAttributesFailIsFoundThroughItsFcHostWhenOnline) {
    const std::string model =
        editedExample(R"("fabric": "B", "fail_attributes": false)", R"("fabric": "B", "fail_attributes": true)",
                      "kernel_fail_attributes_model");
    const ModeRun fine = runIn(kVendor, sourcePath("examples/san.json"), "Topology", "kernel_fail_attributes_fine");
    const ModeRun failing = runIn(kVendor, model, "Topology", "kernel_fail_attributes");
    ASSERT_EQ(failing.output.find("\"10000000C9A00002\""), std::string::npos) << "fabric B is not probed";

    const ModeRun libfc = runIn("libfc", model, "Topology", "kernel_fail_attributes");
    expectSameAsVendor(fine, libfc);
    EXPECT_NE(libfc.trace.find("Number of ports in adapter 1 is 0\n"), std::string::npos);
    EXPECT_NE(libfc.trace.find("fc_host host1 (port 10000000C9A00002): listed by no adapter of the HBA API"),
              std::string::npos);
    EXPECT_EQ(countOf(libfc.log, "AGT0416I Number of Fibre Channel adapters found: 3."), 1u) << libfc.log;
    EXPECT_EQ(countOf(libfc.log, "AGT0417I Probing the fabrics attached to adapter 2."), 1u) << libfc.log;

    const ModeRun qla = runIn("qla2xxx", model, "Topology", "kernel_fail_attributes");
    expectSameAsVendor(failing, qla);
    EXPECT_NE(qla.trace.find("fc_host host1 is not Online\n"), std::string::npos);
    EXPECT_NE(qla.trace.find("Filtering adapter index 1\n"), std::string::npos);
}

// Without a library in hba.conf that loads, the HBA API does not load and the probe ends
// there, whatever fc_hosts the kernel shows: libhbalinux is what a native host lists.
TEST(KernelMode, ANativeHostWithoutALoadableLibraryEndsAsTheHbaApiDoesNotLoad) {
    ProbeInstall scratch("kernel_no_library_file");
    writeFile(scratch.path("libnothing.so"), "not a shared library\n");
    const ModeRun kernel = runIn("qla2xxx", sourcePath("examples/san.json"), "Topology", "kernel_no_library",
                                 {"FABRICSIM_HBALINUX=" + scratch.path("libnothing.so")});
    EXPECT_EQ(kernel.result.exitCode, 1);
    EXPECT_EQ(countOf(kernel.log, "AGT0415I The HBA API library could not be loaded (status 1)."), 1u) << kernel.log;
    EXPECT_EQ(kernel.output.find("[/Fabric]"), std::string::npos);
    EXPECT_TRUE(kernel.simLog.empty());
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
    const ModeRun vendor = runIn(kVendor, path, "Topology", "kernel_faults");
    for (const char* driver : {"libfc", "lpfc"}) {
        SCOPED_TRACE(driver);
        const ModeRun kernel = runIn(driver, path, "Topology", "kernel_faults");
        expectSameAsVendor(vendor, kernel);
        EXPECT_EQ(linesWith(kernel.simLog, "cmd=GDID key=100000051E0A0001 result=RJT 05 00"), 2u);
        EXPECT_EQ(linesWith(kernel.simLog, "cmd=GPS key=200000051E0B0002 result=RJT 05 00"), 3u);
        EXPECT_EQ(linesWith(kernel.simLog, "result=RAW"), 1u);
        // A failed job comes back as the kernel returns one, ioctl -1 with errno EIO: a
        // pass-through failure with its errno.
        EXPECT_EQ(linesWith(kernel.simLog, "cmd=GPPN key=200000051E0A0001 result=FAIL 1"), 1u);
        EXPECT_NE(kernel.trace.find(" through /dev/bsg/"), std::string::npos);
        EXPECT_NE(kernel.trace.find(" failed: SG_IO failed, errno 5 "), std::string::npos);
        EXPECT_NE(kernel.trace.find("CTPassThru failed, status = 1 errno 5 "), std::string::npos);
    }
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
