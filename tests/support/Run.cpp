#include "Run.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "Files.h"

extern char** environ;

namespace {

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The whole command line: the /dev/full mounts, the launcher, the fast clock, the program.
std::vector<std::string> commandLine(const std::vector<std::string>& argv, const RunOptions& options) {
    std::vector<std::string> line;
    if (!options.fullDevices.empty()) {
        line = {"unshare", ::geteuid() == 0 ? "-m" : "-rm", "sh", "-c",
                "while [ \"$1\" != -- ]; do mount --bind /dev/full \"$1\" || exit 125; shift; done; "
                "shift; exec \"$@\"",
                "sh"};
        for (const std::string& path : options.fullDevices) {
            if (!fileExists(path)) writeFile(path, "");  // a bind mount needs a file to cover
            line.push_back(path);
        }
        line.push_back("--");
    }
    line.insert(line.end(), options.launcher.begin(), options.launcher.end());
    if (options.fastClock) {
        // libfaketime preloaded as the faketime program does, without that program's shared
        // clock: its semaphore is laid out for the 64-bit program, and a 32-bit probe waits on
        // it for ever. $LIB makes the loader pick the program's own word size. env replaces
        // LD_PRELOAD: what the launcher preloads is kept in front.
        std::string list = options.launcherPreload.empty() ? std::string() : options.launcherPreload + ":";
        const char* preloaded = std::getenv("LD_PRELOAD");
        if (preloaded && *preloaded) list += std::string(preloaded) + ":";
        line.insert(line.end(), {"env", "LD_PRELOAD=" + list + "/usr/$LIB/faketime/libfaketime.so.1",
                                 "FAKETIME=+0 x100"});
    }
    line.insert(line.end(), argv.begin(), argv.end());
    return line;
}

// This process's environment with the entries set (an entry without '=' removes the name).
std::vector<std::string> environmentWith(const std::vector<std::string>& entries) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    for (const std::string& entry : entries) {
        const std::string name = entry.substr(0, entry.find('='));
        for (auto it = env.begin(); it != env.end();)
            it = it->compare(0, name.size() + 1, name + "=") == 0 ? env.erase(it) : it + 1;
        if (entry.find('=') != std::string::npos) env.push_back(entry);
    }
    return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (std::string& s : strings) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

std::string contentOf(std::FILE* file) {
    std::string text;
    if (!file) return text;
    char buffer[65536];
    ssize_t n;
    for (off_t at = 0; (n = ::pread(::fileno(file), buffer, sizeof buffer, at)) > 0; at += n) text.append(buffer, n);
    return text;
}

std::FILE* fileWith(const std::string& content) {
    std::FILE* file = std::tmpfile();
    if (!file || std::fwrite(content.data(), 1, content.size(), file) != content.size() || std::fflush(file) != 0)
        throw std::runtime_error("cannot make a temporary file");
    std::rewind(file);
    return file;
}

}  // namespace

Program::Program(const std::vector<std::string>& argv, const RunOptions& options)
    : timeoutSeconds_(options.timeoutSeconds) {
    std::vector<std::string> line = commandLine(argv, options);
    std::vector<std::string> env = environmentWith(options.env);
    std::vector<char*> cargv = pointers(line), cenv = pointers(env);
    out_ = std::tmpfile();
    err_ = options.mergeOutputs ? nullptr : std::tmpfile();
    std::FILE* input = options.feed || options.input.empty() ? nullptr : fileWith(options.input);
    int pipeFds[2] = {-1, -1};
    if (!out_ || (!options.mergeOutputs && !err_) || (options.feed && ::pipe(pipeFds) != 0))
        throw std::runtime_error("cannot set up the standard streams of " + line[0]);

    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        const int in = options.feed ? pipeFds[0] : input ? ::fileno(input) : ::open("/dev/null", O_RDONLY);
        const int out = ::fileno(out_);
        if (in < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(err_ ? ::fileno(err_) : out, 2) < 0)
            ::_exit(127);
        if (options.feed) ::close(pipeFds[1]);
        if (!options.cwd.empty() && ::chdir(options.cwd.c_str()) != 0) ::_exit(127);
        // execvp searches the PATH the program is given.
        environ = cenv.data();
        ::execvp(cargv[0], cargv.data());
        ::_exit(127);
    }
    if (input) std::fclose(input);
    if (options.feed) {
        ::close(pipeFds[0]);
        // A program that ends before it has read everything fails the writes, not the test.
        struct sigaction ignore {}, saved {};
        ignore.sa_handler = SIG_IGN;
        ::sigaction(SIGPIPE, &ignore, &saved);
        options.feed(pipeFds[1]);
        ::sigaction(SIGPIPE, &saved, nullptr);
        ::close(pipeFds[1]);
    }
}

Program::~Program() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (out_) std::fclose(out_);
    if (err_) std::fclose(err_);
}

RunResult Program::wait() {
    if (pid_ <= 0) throw std::logic_error("the program was waited for already");
    int status = 0;
    struct rusage usage {};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds_);
    for (;;) {
        const pid_t done = ::wait4(pid_, &status, WNOHANG, &usage);
        if (done == pid_) break;
        if (done < 0 && errno != EINTR) throw std::runtime_error("waitpid failed");
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::wait4(pid_, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    pid_ = -1;
    RunResult result;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.maxRssKb = usage.ru_maxrss;
    result.out = contentOf(out_);
    result.err = contentOf(err_);
    return result;
}

RunResult runProgram(const std::vector<std::string>& argv, const RunOptions& options) {
    return Program(argv, options).wait();
}

void writeRecorder(const std::string& program, const std::string& argsFile, const std::string& exitFile) {
    writeFile(program,
              "#!/bin/sh\n"
              ": > " + quoted(argsFile) + "\n"
              "for a in \"$@\"; do printf '%s\\0' \"$a\" >> " + quoted(argsFile) + "; done\n"
              "exit $(cat " + quoted(exitFile) + " 2>/dev/null || echo 0)\n",
              0755);
}

std::vector<std::string> recordedArgs(const std::string& argsFile) {
    std::vector<std::string> args;
    const std::string data = readFile(argsFile);
    std::size_t start = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\0') {
            args.push_back(data.substr(start, i - start));
            start = i + 1;
        }
    }
    return args;
}
