// The real SNIA library loads the simulator through fabricsim-run, and a real client sees
// the model's adapters, ports and fabric answers; fabricsim-run's own behaviour as a launcher.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "Client.h"
#include "Count.h"
#include "SimHarness.h"
#include "TempDir.h"

using namespace fstest;

namespace {

const std::string kSan = sourcePath("examples/san.json");

}  // namespace

// The SNIA library loads the simulator; the entry points the simulator leaves out it answers itself.
TEST(RealLibrary, LoadsTheSimulatorAndAnswersWhatItLeavesOut) {
    RunResult r = runClient(kSan, "extras 0\n");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "load status=0 adapters=2\nstatistics=2 discovered=2 bywwn=2 rnid=2\n"
                     "library version=2 name=fabricsim path=" + stagePath("lib/libfabricsim.so") + "\nfree status=0\n");
}

TEST(RealLibrary, BadModelsGiveOneLineAndNoAdapters) {
    const TempDir dir;
    const std::pair<std::string, std::string> cases[] = {
        {"not-json.json", "{ \"adapters\": [ "},
        {"wwn.json", R"({"adapters": [{"name": "a", "node_wwn": "2000000000001"}]})"},
        {"fault.json", R"({"faults": [{"command": "GZZZ"}]})"},
        {"empty.json", ""},
    };
    for (const auto& c : cases) {
        const std::string path = dir.write(c.first, c.second);
        RunResult r = runClient(path, "");
        EXPECT_EQ(r.exitCode, 0) << c.first << ": " << r.err;
        std::vector<std::string> err = splitLines(r.err);
        ASSERT_EQ(err.size(), 1u) << c.first << ": " << r.err;
        EXPECT_TRUE(contains(err[0], "fabricsim: model " + path + ": $")) << err[0];
        EXPECT_TRUE(contains(r.out, " adapters=0\n")) << c.first << ": " << r.out;
    }
    RunResult r = runClient(dir.file("../no-such-model.json"), "");
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

    const TempDir dir;  // a descriptor of the test's own, open in the command
    FILE* kept = std::fopen(dir.file("kept").c_str(), "w");
    ASSERT_NE(kept, nullptr);
    RunResult r = runProgram({stagePath("bin/fabricsim-run"), kSan, "--", "sh", "-c", "echo kept >&" + std::to_string(::fileno(kept))});
    std::fclose(kept);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(dir.read("kept"), "kept\n");
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
    const std::string run = stagePath("bin/fabricsim-run");
    const struct { std::vector<std::string> argv; int exitCode; std::string err; } cases[] = {
        {{run, kSan, "sh"}, 125, "usage: fabricsim-run [--kernel [--driver NAME]] MODEL -- CMD [ARG...]"},
        {{run, kSan, "sh"}, 125, "libfc, libfc-nofdmi, qla2xxx, lpfc, other (default libfc)"},
        {{run, "--driver", "lpfc", kSan, "--", "true"}, 125, "usage: "},  // --driver belongs to --kernel
        {{run, "--kernel", "--driver", "bfa", kSan, "--", "true"}, 125,
         "fabricsim-run: no simulated driver is called bfa; the drivers are libfc, libfc-nofdmi, qla2xxx, lpfc, other\n"},
        {{run, kSan, "--", "no-such-command-here"}, 127,
         "fabricsim-run: cannot run no-such-command-here: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        const RunResult r = runProgram(c.argv);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.argv[1];
        EXPECT_TRUE(c.err.back() == '\n' ? r.err == c.err : contains(r.err, c.err)) << r.err;  // a whole line: all it says
    }

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
