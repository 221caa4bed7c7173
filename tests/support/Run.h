// Runs a real program for the tests: arguments, environment, working directory, standard
// input, a timeout, optionally a launcher (fabricsim-run), a fast clock and /dev/full in
// place of files; its exit status, signal, standard output and error are collected.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

struct RunOptions {
    std::vector<std::string> env;      // NAME=value entries set in the program's environment, in order
    std::string cwd;                   // working directory; empty: the test's own
    std::string input;                 // standard input (empty: /dev/null), unless feed is set
    std::function<void(int fd)> feed;  // writes standard input through a pipe while the program runs
    int timeoutSeconds = 120;          // the program is killed after this
    bool mergeOutputs = false;         // standard error into standard output, in the order written
    // Runs the program, as in fabricsim-run MODEL --; neither it nor its preload is under the fast clock.
    std::vector<std::string> launcher;
    std::string launcherPreload;  // a library the launcher preloads for the program, kept by fastClock
    bool fastClock = false;       // the program under libfaketime, its clock running 100 times faster
    // Paths that /dev/full is bind-mounted on for the run, in a mount namespace of the run's
    // own: a device in a file's place that is not a link.
    std::vector<std::string> fullDevices;
};

struct RunResult {
    int exitCode = -1;  // low 8 bits, as the shell sees it; -1 when ended by a signal
    int signal = 0;
    std::string out;
    std::string err;
    long maxRssKb = 0;  // peak resident set of the program
};

// A started program; wait() collects it.
class Program {
public:
    Program(const std::vector<std::string>& argv, const RunOptions& options = {});
    ~Program();  // a program never waited for is killed
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return pid_; }
    RunResult wait();

private:
    pid_t pid_ = -1;
    int timeoutSeconds_;
    std::FILE* out_ = nullptr;
    std::FILE* err_ = nullptr;
};

RunResult runProgram(const std::vector<std::string>& argv, const RunOptions& options = {});

// A shell script at `program` that records each of its arguments, NUL-terminated, in
// argsFile and exits with the number in exitFile (0 when there is none).
void writeRecorder(const std::string& program, const std::string& argsFile, const std::string& exitFile);
std::vector<std::string> recordedArgs(const std::string& argsFile);  // empty when it never ran
