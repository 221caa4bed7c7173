// The real SNIA library loads the simulator through fabricsim-run, and a real client sees
// the model's adapters, ports and fabric answers; fabricsim-run's own behaviour as a launcher.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <thread>

#include "Client.h"
#include "Count.h"
#include "GsWire.h"
#include "SimHarness.h"
#include "TempDir.h"

using namespace fstest;

namespace {

const std::string kSan = sourcePath("examples/san.json");

// The answer bytes of the n-th "status=" line of the client's output.
struct Sent {
    unsigned status = 0;
    unsigned size = 0;
    Bytes bytes;
};

std::vector<Sent> sends(const std::string& out) {
    std::vector<Sent> result;
    static const std::regex line("^status=([0-9]+) size=([0-9]+) ?([0-9A-F]*)$");
    for (const std::string& l : splitLines(out)) {
        std::smatch m;
        if (!std::regex_match(l, m, line)) continue;
        result.push_back({static_cast<unsigned>(std::stoul(m[1])), static_cast<unsigned>(std::stoul(m[2])), fromHex(m[3])});
    }
    return result;
}

}  // namespace

TEST(RealLibrary, SeesTheModelsAdaptersAndPorts) {
    RunResult r = runClient(kSan, "list\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const char* expected[] = {
        "load status=0 adapters=2",
        "adapters 2",
        "adapter 0 status=0 name=fabricsim-hba0",
        "open 0 handle=1",
        "attributes 0 status=0 node=20000000C9A00001 ports=1",
        "port 0.0 status=0 wwn=10000000C9A00001 node=20000000C9A00001 fcid=010100 fabric=100000051E0A0001",
        "adapter 1 status=0 name=fabricsim-hba1",
        "open 1 handle=2",
        "attributes 1 status=0 node=20000000C9A00002 ports=1",
        "port 1.0 status=0 wwn=10000000C9A00002 node=20000000C9A00002 fcid=0A0100 fabric=100000051E0B0001",
        "free status=0",
    };
    EXPECT_EQ(splitLines(r.out), std::vector<std::string>(std::begin(expected), std::end(expected)));
}

TEST(RealLibrary, AdapterFailuresShowThroughTheSniaLibrary) {
    RunResult r = runClient(modelPath("full.json"), "list\nextras 0\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<std::string> lines = splitLines(r.out);
    auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
    EXPECT_TRUE(has("load status=0 adapters=8"));
    // The SNIA library enumerates again on every count and, not finding an adapter whose
    // name failed, lists it once more each time.
    EXPECT_TRUE(has("adapters 9"));
    EXPECT_TRUE(has("adapter 8 status=1 name="));
    EXPECT_TRUE(has("port 0.1 status=0 wwn=1000000A0A000002 node=2000000A0A000001 fcid=010200 fabric=100000000A0F0001"));
    EXPECT_TRUE(has("port 2.0 status=0 wwn=1000000A0A000021 node=2000000A0A000021 fcid=0000EF fabric=0000000000000000"));
    EXPECT_TRUE(has("open 3 handle=0")) << "fail: open";
    EXPECT_TRUE(has("attributes 4 status=1 node= ports=0")) << "fail: attributes";
    EXPECT_TRUE(has("adapter 5 status=1 name=")) << "fail: name";
    EXPECT_TRUE(has("port 6.0 status=1")) << "fail_attributes";
    EXPECT_TRUE(has("port 6.1 status=0 wwn=1000000A0A000062 node=2000000A0A000061 fcid=020200 fabric=0000000000000000"));
    EXPECT_TRUE(has("attributes 7 status=0 node=2000000A0A000071 ports=0"));
    // Entry points the simulator leaves out are answered by the SNIA library itself.
    EXPECT_TRUE(has("statistics=2 discovered=2 bywwn=2 rnid=2"));
    EXPECT_TRUE(has("library version=2 name=fabricsim path=" + stagePath("lib/libfabricsim.so")));
}

TEST(RealLibrary, PassThroughCallsReachTheModelsFabric) {
    const TempDir dir;
    const std::string log = dir.file("calls.log");
    RunResult r = runClient(kSan,
                            "send 0 v2 GIEL -\n"
                            "send 0 v1 GIEL -\n"
                            "send 1 v2 GFN 100000051E0B0002\n"
                            "send 0 v2 GIEL - 40\n"
                            "send 0 v2 GZS nope\n",
                            {"FABRICSIM_LOG=" + log});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Sent> s = sends(r.out);
    ASSERT_EQ(s.size(), 5u) << r.out;
    EXPECT_EQ(s[0].status, 0u);
    EXPECT_EQ(s[0].size, 16u + 4 + 2 * 12) << "the V2 size comes back through the SNIA library";
    EXPECT_EQ(be32At(s[0].bytes, 16), 2u);
    EXPECT_EQ(wwnAt(s[0].bytes, 32), "100000051E0A0002");
    EXPECT_EQ(Bytes(s[1].bytes.begin(), s[1].bytes.begin() + 44), s[0].bytes) << "V1 answers the same";
    EXPECT_EQ(wwnAt(s[2].bytes, 16), "100000051E0B0001") << "adapter 1 reaches fabric B";
    EXPECT_EQ(s[3].size, 40u);
    EXPECT_EQ(be16At(s[3].bytes, 10), 1);
    EXPECT_EQ(be32At(s[3].bytes, 16), 2u);
    EXPECT_EQ(s[4].bytes[13], 0x09);

    std::vector<std::string> lines = readLines(log);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_TRUE(contains(lines[0], " handle=1 port=10000000C9A00001 v=2 cmd=GIEL key=- result=ACC")) << lines[0];
    EXPECT_TRUE(contains(lines[1], " handle=1 port=10000000C9A00001 v=1 cmd=GIEL key=- result=ACC")) << lines[1];
    EXPECT_TRUE(contains(lines[2], " handle=2 port=10000000C9A00002 v=2 cmd=GFN key=100000051E0B0002 result=ACC"));
    EXPECT_TRUE(contains(lines[4], " cmd=GZS key=nope result=RJT 09 00"));
}

TEST(RealLibrary, AdapterWithoutVersionTwoFallsBackToVersionOne) {
    RunResult r = runClient(modelPath("full.json"), "send 1 v2 GIEL -\nsend 1 v1 GIEL -\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Sent> s = sends(r.out);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].status, 2u) << "HBA_STATUS_ERROR_NOT_SUPPORTED";
    EXPECT_EQ(s[1].status, 0u);
    EXPECT_EQ(be32At(s[1].bytes, 16), 4u);
}

TEST(RealLibrary, FaultsApplyThroughTheSniaLibrary) {
    const TempDir dir;
    nlohmann::json model = nlohmann::json::parse(readFile(kSan));
    model["faults"] = {{{"command", "GIEL"}, {"times", 2}, {"busy", true}},
                       {{"command", "GPLT"}, {"key", "host17"}, {"fail", 11}}};
    const std::string path = dir.write("model.json", model.dump());
    RunResult r = runClient(path, "send 0 v2 GIEL -\nsend 0 v2 GIEL -\nsend 0 v2 GIEL -\nsend 0 v2 GPLT host17\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<Sent> s = sends(r.out);
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[0].bytes[13], 0x05);
    EXPECT_EQ(s[1].bytes[13], 0x05);
    EXPECT_EQ(be16At(s[2].bytes, 8), 0x8002);
    EXPECT_EQ(s[3].status, 11u);
}

TEST(RealLibrary, BadModelsGiveOneLineAndNoAdapters) {
    const TempDir dir;
    const std::pair<std::string, std::string> cases[] = {
        {"not-json.json", "{ \"adapters\": [ "},
        {"wwn.json", R"({"adapters": [{"name": "a", "node_wwn": "2000000000001"}]})"},
        {"fault.json", R"({"faults": [{"command": "GZZZ"}]})"},
        {"types.json", R"({"adapters": {"name": 5}})"},
        {"huge.json", "{\"adapters\": [{\"name\": \"" + std::string(100u << 20, 'x') + "\"}]}"},
        {"empty.json", ""},
    };
    for (const auto& c : cases) {
        const std::string path = dir.write(c.first, c.second);
        RunResult r = runClient(path, "list\n");
        EXPECT_EQ(r.exitCode, 0) << c.first << ": " << r.err;
        std::vector<std::string> err = splitLines(r.err);
        ASSERT_EQ(err.size(), 1u) << c.first << ": " << r.err;
        EXPECT_TRUE(contains(err[0], "fabricsim: model " + path + ": $")) << err[0];
        EXPECT_TRUE(contains(r.out, "adapters=0")) << c.first;
    }
    RunResult r = runClient(dir.file("../no-such-model.json"), "list\n");
    EXPECT_EQ(r.exitCode, 125);
    EXPECT_TRUE(contains(r.err, "fabricsim-run: model ")) << r.err;
}

TEST(Launcher, ReplacesHbaConfOnlyForTheCommand) {
    const std::string before = readFile("/etc/hba.conf");
    const TempDir dir;
    RunOptions options;
    options.cwd = sourcePath("");
    options.env = {"TMPDIR=" + dir.path()};
    RunResult r = runProgram({stagePath("bin/fabricsim-run"), "examples/san.json", "--", "sh", "-c",
                              "cat /etc/hba.conf; echo model=$FABRICSIM_MODEL; ls -A \"$TMPDIR\""},
                             options);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "\nfabricsim " + stagePath("lib/libfabricsim.so") + "\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "model=" + kSan + "\n")) << "an absolute path";
    EXPECT_EQ(readFile("/etc/hba.conf"), before);
    std::vector<std::string> lines = splitLines(r.out);
    EXPECT_EQ(lines.back(), "model=" + kSan) << "nothing left in TMPDIR while the command runs";
    EXPECT_EQ(runProgram({"ls", "-A", dir.path()}).out, "") << "nor afterwards";
}

TEST(Launcher, ExitsWithTheCommandsStatusAndKeepsItsDescriptors) {
    EXPECT_EQ(runProgram({stagePath("bin/fabricsim-run"), kSan, "--", "sh", "-c", "exit 7"}).exitCode, 7);
    RunResult signalled = runProgram({stagePath("bin/fabricsim-run"), kSan, "--", "sh", "-c", "kill -TERM $$"});
    EXPECT_EQ(signalled.signal, SIGTERM);

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    RunResult r = runProgram(
        {stagePath("bin/fabricsim-run"), kSan, "--", "sh", "-c", "echo through-the-pipe >&" + std::to_string(fds[1])});
    ::close(fds[1]);
    char buffer[64] = {0};
    ssize_t n = ::read(fds[0], buffer, sizeof buffer - 1);
    ::close(fds[0]);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(std::string(buffer, n > 0 ? static_cast<std::size_t>(n) : 0), "through-the-pipe\n");
}

TEST(Launcher, SignalsGoStraightToTheCommand) {
    Program program({stagePath("bin/fabricsim-run"), kSan, "--", "sh", "-c",
                     "trap 'echo interrupted; exit 3' INT; sleep 20 & wait"});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(program.pid(), SIGINT);
    const RunResult r = program.wait();
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(r.out, "interrupted\n");
}

TEST(Launcher, ExplainsWhatItCannotDo) {
    RunResult usage = runProgram({stagePath("bin/fabricsim-run"), kSan, "sh"});
    EXPECT_EQ(usage.exitCode, 125);
    EXPECT_TRUE(contains(usage.err, "usage: fabricsim-run [--kernel [--driver NAME]] MODEL -- CMD [ARG...]"));
    EXPECT_TRUE(contains(usage.err, "libfc, libfc-nofdmi, qla2xxx, lpfc, other (default libfc)")) << usage.err;
    RunResult driverAlone = runProgram({stagePath("bin/fabricsim-run"), "--driver", "lpfc", kSan, "--", "true"});
    EXPECT_EQ(driverAlone.exitCode, 125) << "--driver belongs to --kernel";
    RunResult noDriver =
        runProgram({stagePath("bin/fabricsim-run"), "--kernel", "--driver", "bfa", kSan, "--", "true"});
    EXPECT_EQ(noDriver.exitCode, 125);
    EXPECT_EQ(noDriver.err, "fabricsim-run: no simulated driver is called bfa; the drivers are "
                            "libfc, libfc-nofdmi, qla2xxx, lpfc, other\n");
    RunResult missing = runProgram({stagePath("bin/fabricsim-run"), kSan, "--", "no-such-command-here"});
    EXPECT_EQ(missing.exitCode, 127);
    EXPECT_EQ(missing.err, "fabricsim-run: cannot run no-such-command-here: No such file or directory\n");

    // The rest runs in a mount namespace of this test's own (in a user namespace when not root).
    const std::vector<std::string> unshare = ::geteuid() == 0 ? std::vector<std::string>{"unshare", "--mount"}
                                                              : std::vector<std::string>{"unshare", "--mount", "--map-root-user"};
    auto inNamespace = [&](const std::string& script, const std::vector<std::string>& args) {
        std::vector<std::string> argv = unshare;
        argv.insert(argv.end(), {"sh", "-c", script});
        argv.insert(argv.end(), args.begin(), args.end());
        return runProgram(argv);
    };
    const RunResult namespaces = inNamespace("true", {});
    if (namespaces.exitCode != 0) GTEST_SKIP() << "no mount namespace for this test here: " << namespaces.err;

    // /etc/hba.conf hidden by an empty /etc.
    RunResult noConf =
        inNamespace("mount -t tmpfs none /etc && exec \"$0\" \"$1\" -- true", {stagePath("bin/fabricsim-run"), kSan});
    EXPECT_EQ(noConf.exitCode, 125) << noConf.err;
    EXPECT_TRUE(contains(noConf.err, "fabricsim-run: cannot replace /etc/hba.conf: No such file or directory")) << noConf.err;

    // In a chroot whose / is no mount point: one line says what to do about it.
    RunResult chroot = inNamespace(
        "mount -t tmpfs none \"$0\" && cd \"$0\" && mkdir root && cd root && mkdir proc tmp stage && "
        "for d in bin sbin lib lib32 lib64 libx32 usr etc; do if [ -L /$d ]; then ln -s \"$(readlink /$d)\" $d; "
        "elif [ -d /$d ]; then mkdir $d && mount --rbind /$d $d; fi; done && mount --rbind /proc proc && "
        "mount --rbind \"$1\" stage && cp \"$2\" san.json && exec chroot . /stage/bin/fabricsim-run /san.json -- true",
        {TempDir().path(), stagePath(""), kSan});
    EXPECT_EQ(chroot.exitCode, 125) << chroot.err;
    EXPECT_EQ(chroot.err, "fabricsim-run: cannot make the mount namespace private: Invalid argument; / is not a mount "
                          "point here (a chroot?): bind-mount the root directory on itself before entering it "
                          "(mount --bind DIR DIR; chroot DIR)\n");

    // The kernel mode cannot mount its tree where sysfs is read-only to it: one line says so.
    RunResult noMount = inNamespace(
        "mount -o remount,bind,ro /sys 2>/dev/null; mount -t tmpfs none /sys && "
        "mount -o remount,ro /sys && exec \"$0\" --kernel \"$1\" -- true",
        {stagePath("bin/fabricsim-run"), kSan});
    if (noMount.exitCode == 125) {
        EXPECT_TRUE(contains(noMount.err, "fabricsim-run: cannot mount the generated tree over /sys/class")) << noMount.err;
        EXPECT_EQ(std::count(noMount.err.begin(), noMount.err.end(), '\n'), 1) << noMount.err;
    }
}

TEST(Launcher, WorksForAnOrdinaryUserThroughAUserNamespace) {
    if (::geteuid() != 0) {
        RunResult r = runProgram({stagePath("bin/fabricsim-run"), kSan, "--", "cat", "/etc/hba.conf"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(contains(r.out, "libfabricsim.so"));
        return;
    }
    // Run as nobody, from a copy it can read wherever the checkout is (a clone under /root is
    // mode 700), laid out as an installation is.
    const TempDir scratch;
    const std::string dir = scratch.path();
    ASSERT_EQ(
        runProgram({"sh", "-c",
                    "chmod 755 \"$0\" && mkdir \"$0/bin\" \"$0/lib\" && cp \"$1/bin/fabricsim-run\" \"$0/bin/\" && "
                    "cp \"$1/lib/libfabricsim.so\" \"$0/lib/\" && cp \"$2\" \"$0/\"",
                    dir, stagePath(""), kSan})
            .exitCode,
        0);
    RunOptions options;
    options.cwd = dir;
    RunResult r = runProgram({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", dir + "/bin/fabricsim-run",
                              dir + "/san.json", "--", "sh", "-c", "id -u; cat /etc/hba.conf"},
                             options);
    if (r.exitCode == 125 && contains(r.err, "allow unprivileged user namespaces"))
        GTEST_SKIP() << "user namespaces are refused here: " << r.err;
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "0\n")) << "root inside its own user namespace";
    EXPECT_TRUE(contains(r.out, "fabricsim " + dir + "/lib/libfabricsim.so"));
}

TEST(StandInAgent, AppendsItsArgumentsBesideItsDirectory) {
    const TempDir dir;
    ASSERT_EQ(runProgram({"cp", FABRICSIM_AGENT, dir.mkdirs("bin") + "/Agent"}).exitCode, 0);
    EXPECT_EQ(runProgram({dir.file("bin/Agent"), "-notify", "fabricprobe", "-exitCode", "0"}).exitCode, 0);
    EXPECT_EQ(runProgram({dir.file("bin/Agent"), "two words", ""}).exitCode, 0);
    EXPECT_EQ(dir.read("agent-args.log"), "-notify fabricprobe -exitCode 0\ntwo words \n");
    EXPECT_EQ(dir.read("agent-args.nul"), std::string("-notify\0fabricprobe\0-exitCode\0" "0\0two words\0\0", 43));
}
