#include "ProcessRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace fstest {

std::string stagePath(const std::string& relative) { return std::string(FABRICSIM_STAGE_DIR) + "/" + relative; }

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string scratchDir(const std::string& name) {
    std::string dir = std::string(FABRICSIM_SCRATCH_DIR) + "/" + name;
    if (std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "'").c_str()) != 0)
        throw std::runtime_error("cannot make " + dir);
    return dir;
}

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    const std::string base = scratchDir("process-" + std::to_string(::getpid()));
    const std::string inPath = base + "/stdin", outPath = base + "/stdout", errPath = base + "/stderr";
    std::ofstream(inPath, std::ios::binary) << options.input;

    pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        int in = ::open(inPath.c_str(), O_RDONLY);
        int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(120);
        if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0) ::_exit(121);
        for (const std::string& e : options.env) ::putenv(::strdup(e.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(122);
    }
    if (options.pidFd >= 0) {
        std::string text = std::to_string(pid);
        if (::write(options.pidFd, text.data(), text.size()) < 0) {
        }
        ::close(options.pidFd);
    }
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
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ProcessResult result;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    return result;
}

ProcessResult runClient(const std::string& model, const std::string& script, std::vector<std::string> env) {
    ProcessOptions options;
    options.input = script;
    options.env = std::move(env);
    return runProcess({stagePath("bin/fabricsim-run"), model, "--", FABRICSIM_CLIENT}, options);
}

}  // namespace fstest
