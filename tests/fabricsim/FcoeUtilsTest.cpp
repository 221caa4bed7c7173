// Real clients nobody here wrote, Debian's fcoe-utils, against fabricsim-run --kernel: what
// they print is the model's, through the drivers that take their requests, and the kernel's
// refusal through those that do not.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "Count.h"
#include "Files.h"
#include "Run.h"

namespace {

const std::string kSan = sourcePath("examples/san.json");
const char* const kDrivers[] = {"libfc", "libfc-nofdmi", "qla2xxx", "lpfc", "other"};

bool libfc(const std::string& driver) { return driver.rfind("libfc", 0) == 0; }

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The ports of examples/san.json's fabric A with an FCID: WWN, FCID, node WWN.
struct Attached {
    std::string wwn, fcid, node;
};
const Attached kFabricA[] = {{"10000000C9A00001", "010100", "20000000C9A00001"},
                             {"10000000C9B00001", "010200", "20000000C9B00001"},
                             {"500507680110A001", "020100", "500507680100A000"},
                             {"500507680110A002", "020200", "500507680100A000"}};

// A shell script run in the simulated host of that driver; its standard output and error together.
RunResult onHost(const std::string& driver, const std::string& script) {
    RunResult r = runProgram({stagePath("bin/fabricsim-run"), "--kernel", "--driver", driver, kSan, "--", "sh", "-c",
                              "exec 2>&1; " + script});
    EXPECT_EQ(r.err, "") << "fabricsim-run itself said something";
    return r;
}

}  // namespace

// fcnsq sends HST_CT to FFFFFC with its preamble left zero: libfc takes it; qla2xxx finds no
// loop id in it, lpfc and the unknown driver take no HST_CT: EINVAL.
TEST(FcoeUtils, FcnsqGetsTheModelsNamesThroughLibfcAndEinvalElsewhere) {
    const auto& ports = kFabricA;  // host0 is 10000000C9A00001, in fabric A
    std::string script;
    for (const Attached& p : ports) script += "fcnsq host0 --gnn " + p.fcid + "; fcnsq host0 --gpn " + p.fcid + "; ";
    script += "fcnsq host0 --gnn 0b0b0b; echo rc=$?; fcnsq host0 --gpn 0A0100; echo rc=$?";  // 0A0100 is fabric B's
    for (const std::string driver : kDrivers) {
        SCOPED_TRACE(driver);
        std::string expected;
        for (const Attached& p : ports) {
            if (!libfc(driver)) {
                expected += "gnn_id ioctl failed: Invalid argument\ngpn_id ioctl failed: Invalid argument\n";
                continue;
            }
            expected += "Node Name: " + lower(p.node) + "\n";
            expected += "Port Name: " + lower(p.wwn) + "\n";
        }
        expected += libfc(driver) ? "gnn_id command failed: Unable to perform command request, Port Identifier not registered\n"
                                    "rc=1\n"
                                    "gpn_id command failed: Unable to perform command request, Port Identifier not registered\n"
                                    "rc=1\n"
                                  : "gnn_id ioctl failed: Invalid argument\nrc=255\ngpn_id ioctl failed: Invalid argument\nrc=255\n";
        EXPECT_EQ(onHost(driver, script).out, expected);
    }
}

// fcping finds the host in sysfs, asks the name server for the target's FCID (GID_PN) and
// sends ELS ECHO with HST_ELS_NOLOGIN, which libfc sends and lpfc refuses.
TEST(FcoeUtils, FcpingEchoesThroughLibfcAndCountsLpfcsRefusalsAsErrors) {
    const Attached target = kFabricA[3];
    char to[16];
    std::snprintf(to, sizeof to, "0x%X:\n", static_cast<unsigned>(std::stoul(target.fcid, nullptr, 16)));
    const std::string sent = std::string("Sending FC ELS ECHO from 0x010100 (fc_host0) to ") + to;
    for (const std::string driver : {"libfc", "libfc-nofdmi"}) {
        SCOPED_TRACE(driver);
        const RunResult byName = onHost(driver, "fcping -c 2 -i 0.01 -h eth0 -P " + target.wwn);
        EXPECT_EQ(byName.exitCode, 0);
        EXPECT_TRUE(contains(byName.out, sent + "echo    1 accepted ")) << byName.out;
        EXPECT_TRUE(contains(byName.out, "\necho    2 accepted ")) << byName.out;
        EXPECT_TRUE(contains(byName.out, "\n2 frames sent, 2 received 0 errors, 0.000% loss")) << byName.out;
        const RunResult byId = onHost(driver, "fcping -c 1 -i 0.01 -h host0 -F " + target.fcid);
        EXPECT_TRUE(contains(byId.out, sent + "echo    1 accepted ")) << byId.out;
        const RunResult unknown = onHost(driver, "fcping -c 1 -i 0.01 -h eth0 -P 500507680110A0FF");
        EXPECT_EQ(unknown.exitCode, 1);
        EXPECT_EQ(unknown.out, "cannot find fcid of destination @ wwpn 0x500507680110A0FF\n")
            << "the name server rejects GID_PN of a port name it does not know";
    }
    const RunResult refused = onHost("lpfc", "fcping -c 1 -i 0.01 -h host0 -F " + target.fcid);
    EXPECT_TRUE(contains(refused.out, sent + "echo    1 error: Invalid argument\n"
                                             "1 frames sent, 0 received 1 errors, 100.000% loss")) << refused.out;
    const RunResult noInterface = onHost("lpfc", "fcping -c 1 -i 0.01 -h eth0 -F " + target.fcid);
    EXPECT_EQ(noInterface.exitCode, 1);
    EXPECT_EQ(noInterface.out, "FCoE interface eth0 not found\n") << "a native host has no net interface";
}

// fcrls sends RLS (RPT_ELS) through the remote port of the FCID it is given: the servers
// each driver registers, none for qla2xxx, no management server without FDMI.
TEST(FcoeUtils, FcrlsReadsLinkStatusThroughTheServersEachDriverRegisters) {
    for (const std::string driver : kDrivers) {
        for (const std::string server : {"fffffc", "fffffa"}) {
            SCOPED_TRACE(driver + " " + server);
            const bool registered = driver != "qla2xxx" && (server == "fffffc" || driver != "libfc-nofdmi");
            const RunResult r = onHost(driver, "fcrls --fcid " + server);
            if (!registered) {
                EXPECT_EQ(r.exitCode, 19);
                EXPECT_TRUE(contains(r.out, "ERROR: Failed! No such device (Errno 19)!\n")) << r.out;
                continue;
            }
            EXPECT_EQ(r.exitCode, 0) << r.out;
            const std::string rport = server == "fffffc" ? "rport-0:0-0" : "rport-0:0-1";
            EXPECT_TRUE(contains(r.out, "DEBUG: found rport 0x" + server + " as " + rport + "\n"
                                        "DEBUG: ioctl returned 0: bsg_reply result=0\n"
                                        "RLS request accepted (LS_ACC), dumping status counters:\n"
                                        "\tLink Failure Count                   = 0\n")) << r.out;
        }
    }
}
