#include "ProbeRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

void run(const std::string& command) {
    if (std::system(command.c_str()) != 0) throw std::runtime_error("failed: " + command);
}

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

std::string sourcePath(const std::string& relative) {
    return std::string(FABRICPROBE_SOURCE_DIR) + "/" + relative;
}

std::string stagePath(const std::string& relative) {
    return std::string(FABRICPROBE_STAGE_DIR) + "/" + relative;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

bool fileExists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + path);
}

int exitStatusOf(int rc) { return rc & 0xFF; }

ProbeInstall::ProbeInstall(const std::string& testName)
    : root_(std::string(FABRICPROBE_E2E_DIR) + "/" + testName) {
    run("rm -rf " + quote(root_));
    run("mkdir -p " + quote(root_ + "/bin") + " " + quote(root_ + "/log") + " " +
        quote(root_ + "/output") + " " + quote(root_ + "/input"));
    if (::symlink(stagePath("bin/fabricprobe").c_str(), path("bin/fabricprobe").c_str()) != 0 ||
        ::symlink(stagePath("nls").c_str(), path("nls").c_str()) != 0)
        throw std::runtime_error("cannot link the staged installation into " + root_);
    // Records each argument NUL-terminated, so any byte survives.
    writeFile(path("bin/Agent"),
              "#!/bin/sh\n"
              "d=$(dirname \"$0\")/..\n"
              ": > \"$d/agent-args\"\n"
              "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$d/agent-args\"; done\n"
              "exit $(cat \"$d/agent-exit\" 2>/dev/null || echo 0)\n");
    ::chmod(path("bin/Agent").c_str(), 0755);
}

std::vector<std::string> ProbeInstall::agentArgs() const {
    std::vector<std::string> args;
    std::string data = readFile(path("agent-args"));
    std::size_t start = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\0') {
            args.push_back(data.substr(start, i - start));
            start = i + 1;
        }
    }
    return args;
}

void ProbeInstall::setAgentExit(int status) const {
    writeFile(path("agent-exit"), std::to_string(status) + "\n");
}

ProbeRunResult runProbe(const ProbeInstall& install, const ProbeRunOptions& options) {
    std::vector<std::string> argv;
    if (!options.model.empty()) {
        argv = {stagePath("bin/fabricsim-run")};
        if (options.kernel) argv.push_back("--kernel");
        if (options.kernel && !options.driver.empty()) argv.insert(argv.end(), {"--driver", options.driver});
        argv.insert(argv.end(), {options.model, "--"});
    }
    if (options.fastClock) {
        // libfaketime preloaded as the faketime program does, without that program's
        // shared clock: its semaphore is laid out for the 64-bit program, and a 32-bit
        // probe waits on it for ever. $LIB makes the loader pick the probe's own word size.
        const char* preloaded = std::getenv("LD_PRELOAD");
        const std::string library = "/usr/$LIB/faketime/libfaketime.so.1";
        argv.push_back("env");
        // env replaces LD_PRELOAD: the kernel mode's bsg stand-in, which fabricsim-run preloads, is kept in front.
        std::string list = options.kernel ? stagePath("lib/libfabricsim-kernel.so") + ":" : std::string();
        if (preloaded && *preloaded) list += std::string(preloaded) + ":";
        argv.push_back("LD_PRELOAD=" + list + library);
        argv.push_back("FAKETIME=+0 x100");
    }
    argv.push_back(options.program.empty() ? install.path("bin/fabricprobe") : options.program);

    argv.insert(argv.end(), options.args.begin(), options.args.end());
    // Last, so that a leading command such as -version stays the first argument.
    int pipeFds[2] = {-1, -1};
    if (options.agentPipe) {
        if (::pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
        argv.push_back("-agentcom");
        argv.push_back(std::to_string(pipeFds[0]) + "," + std::to_string(pipeFds[1]));
    }

    if (!options.fullDevices.empty()) {
        std::vector<std::string> mounted = {
            "unshare", ::geteuid() == 0 ? "-m" : "-rm", "sh", "-c",
            "while [ \"$1\" != -- ]; do mount --bind /dev/full \"$1\" || exit 125; shift; done; "
            "shift; exec \"$@\"",
            "sh"};
        for (const std::string& path : options.fullDevices) {
            if (!fileExists(path)) writeFile(path, "");  // a bind mount needs a file to cover
            mounted.push_back(path);
        }
        mounted.push_back("--");
        argv.insert(argv.begin(), mounted.begin(), mounted.end());
    }

    const std::string outPath = install.path("run.stdout");
    const std::string errPath = install.path("run.stderr");
    const std::string cwd = options.cwd.empty() ? install.root() : options.cwd;

    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0 || ::chdir(cwd.c_str()) != 0)
            ::_exit(127);
        // Sanitized builds: libhbalinux never frees its adapter records and is unloaded before
        // the exit, so LeakSanitizer cannot even name it; the probe's own leaks are checked in
        // tests/leaks through the vendor mode.
        if (options.kernel) ::putenv(::strdup("ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0"));
#ifdef KERNEL_HBALINUX
        // The i386 build: libhbalinux of the probe's word size, and where its own libraries are.
        if (options.kernel) {
            ::putenv(::strdup("FABRICSIM_HBALINUX=" KERNEL_HBALINUX));
            ::putenv(::strdup("LD_LIBRARY_PATH=" KERNEL_LIBRARY_PATH));
        }
#endif
        for (const std::string& e : options.env) ::putenv(::strdup(e.c_str()));
        std::vector<char*> cargv;
        for (const std::string& a : argv) cargv.push_back(const_cast<char*>(a.c_str()));
        cargv.push_back(nullptr);
        ::execvp(cargv[0], cargv.data());
        ::_exit(127);
    }

    if (pipeFds[1] >= 0) ::close(pipeFds[1]);
    ProbeRunResult result;
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);

    if (pipeFds[0] >= 0) {
        ::fcntl(pipeFds[0], F_SETFL, O_NONBLOCK);
        char buf[64];
        ssize_t n;
        while ((n = ::read(pipeFds[0], buf, sizeof buf)) > 0) result.agentStatus.append(buf, n);
        ::close(pipeFds[0]);
    }
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}

OutputCheck checkOutputFile(const std::string& path) {
    OutputCheck check;
    const std::string command = quote(stagePath("bin/fabricprobe-view")) + " --check " + quote(path) + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) throw std::runtime_error("cannot run " + command);
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) check.report.append(buffer, n);
    const int status = ::pclose(pipe);
    if (status != -1 && WIFEXITED(status)) check.exitCode = WEXITSTATUS(status);
    return check;
}

::testing::AssertionResult outputFileIsValid(const std::string& path) {
    const OutputCheck check = checkOutputFile(path);
    if (check.valid()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "fabricprobe-view --check " << path << " exited with "
                                         << check.exitCode << ":\n" << check.report;
}

::testing::AssertionResult outputFileEndsInsideAFabric(const std::string& path) {
    const OutputCheck check = checkOutputFile(path);
    const std::string verdict = ": not valid: 1 error";
    const std::size_t at = check.report.find(verdict);
    const char next = at == std::string::npos ? 's' : check.report[at + verdict.size()];
    if (check.exitCode == 1 && check.report.find("[/Fabric] is missing") != std::string::npos && next != 's')
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "fabricprobe-view --check " << path << " exited with "
                                         << check.exitCode << ":\n" << check.report;
}
