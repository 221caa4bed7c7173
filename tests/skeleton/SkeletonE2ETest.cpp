// The installed program end to end where data cannot say it all: file modes, links and
// devices in the probe's files' places, a closed agent channel, a program outside an
// installation, the order of the trace. The rest is data in tests/cases/skeleton.
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include <gtest/gtest.h>

#include "Cases.h"

namespace {

const std::string kOutput = "output/srv/fabricprobe_Topology_20261206_11_22.dat";
const std::string kJobFile = "output/srv/fabricprobe_Topology_20261206_11_22.jobinfo";

TEST(SkeletonE2E, EveryFileAndDirectoryTheProbeCreatesIsPrivateWhateverTheUmask) {
    ProbeInstall install("skeleton_private_files");
    makeDirs(install.path("output/srv"));
    const std::set<std::string> before = treeOf(install);
    const mode_t umaskBefore = ::umask(0);
    // Output, job file, log directory, log, trace and timeout entries (a platform
    // answers slowly); then a rejected run's log without a number.
    ProbeRunOptions options;
    options.model = sourcePath("tests/cases/topology/platforms/model.json");
    options.args = {"-servername", "srv", "-serverip", "192.0.2.1", "-command", "Topology", "-fabrics", "allfabrics",
                    "-jobtimestamp", "20261206", "-discoverrequestid", "11", "-devicejobid", "22", "-debug", "MAX"};
    options.fastClock = true;
    const int probed = runProbe(install, options).exitCode;
    options.args = {"-servername", ".."};
    const int rejected = runProbe(install, options).exitCode;
    ::umask(umaskBefore);
    EXPECT_EQ(probed, 0);
    EXPECT_EQ(rejected, exitStatusOf(-2000));

    std::set<std::string> created;
    for (const std::string& path : treeOf(install))
        if (!before.count(path)) created.insert(path);
    EXPECT_EQ(created, (std::set<std::string>{"./log/srv", "./log/srv/fabricprobe_000001.log",
                                              "./log/srv/fabricprobe_000001.trace", "./log/fabricprobe.log",
                                              "./FABRIC_PROBE_TIMEOUT_ENTRIES", "./" + kOutput, "./" + kJobFile,
                                              "./output/fabricprobe____.jobinfo"}));
    for (const std::string& path : created) {
        struct stat st {};
        ASSERT_EQ(::lstat(install.path(path).c_str(), &st), 0) << path;
        EXPECT_EQ(st.st_mode & 0777, S_ISDIR(st.st_mode) ? 0750u : 0640u) << path;
    }
}

TEST(SkeletonE2E, ALinkInTheOutputOrJobFilesPlaceIsNotFollowed) {
    const struct {
        const char *id, *target;
        std::string file;
    } cases[] = {{"skeleton/output_link", "victim", kOutput},
                 {"skeleton/job_link", "victim", kJobFile},
                 {"skeleton/job_link_dangling", "planted", kJobFile}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        runCase(c.id, [&c](const ProbeInstall& install, ProbeRunOptions&) {
            ASSERT_EQ(0, ::symlink(install.path(c.target).c_str(), install.path(c.file).c_str()));
        });
    }
}

TEST(SkeletonE2E, ADeviceInTheOutputOrJobFilesPlaceIsWrittenAndFails) {
    const std::pair<const char*, std::string> cases[] = {
        {"skeleton/output_full", kOutput}, {"skeleton/output_full_large", kOutput}, {"skeleton/job_full", kJobFile}};
    for (const auto& [id, file] : cases) {
        SCOPED_TRACE(id);
        runCase(id, [file = file](const ProbeInstall& install, ProbeRunOptions& options) {
            options.fullDevices = {install.path(file)};
        });
    }
}

TEST(SkeletonE2E, AnAgentThatClosedItsPipesCostsOnlyWhatWasWrittenThere) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);  // nobody reads: the status write meets a broken pipe, and so does standard error
    runCase("skeleton/closed_channel",
            [&fds](const ProbeInstall&, ProbeRunOptions& options) { options.args.push_back(std::to_string(fds[1])); });
    ::close(fds[1]);
}

TEST(SkeletonE2E, NoInstallationDirectoryFailsTheStart) {
    runCase("skeleton/no_install_dir", [](const ProbeInstall& install, ProbeRunOptions&) {
        makeDirs(install.path("tools"));
        ASSERT_EQ(0, ::symlink(stagePath("bin/fabricprobe").c_str(), install.path("tools/fabricprobe").c_str()));
    });
}

TEST(SkeletonE2E, AnAgentThatCannotBeStartedLeavesTheTraceWhole) {
    // The value alone is within the kernel's limit for one argument; the shell
    // command text that carries it and the rest is not (E2BIG).
    const CaseRun run = runCase("skeleton/exec_fails", [](const ProbeInstall&, ProbeRunOptions& options) {
        options.args.at(3) = std::string(131000, '1');  // -serverip's value
    });
    const std::string trace = readFile(run.install.path("log/srv/fabricprobe_000001.trace"));
    ASSERT_GT(trace.size(), 24u);
    const std::size_t nextWrite = std::stoul(trace.substr(12, 12));
    ASSERT_LT(nextWrite, trace.size());
    EXPECT_EQ(trace.compare(nextWrite, 21, "\nEND OF DATA - close\n"), 0) << trace.substr(nextWrite);
    // The start's error is traced between the parent's own lines.
    const std::size_t forked = trace.find("fork() success, pid: ");
    const std::size_t failed = trace.find("Unexpected error invoking program, errno = 7.\n");
    const std::size_t waited = trace.find("Enter: WaitForExternalProgram()");
    EXPECT_LT(forked, failed);
    EXPECT_LT(failed, waited);
    EXPECT_NE(waited, std::string::npos);
}

}  // namespace
