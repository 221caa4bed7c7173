// Runs a real process for the end-to-end tests: arguments, extra environment, standard
// input from a string, standard output and error collected, killed after a timeout.
#pragma once

#include <string>
#include <vector>

namespace fstest {

struct ProcessResult {
    int exitCode = -1;  // -1 when ended by a signal
    int signal = 0;
    std::string out;
    std::string err;
};

struct ProcessOptions {
    std::vector<std::string> env;  // NAME=value added to the environment
    std::string input;
    std::string cwd;
    int timeoutSeconds = 60;
    int pidFd = -1;  // when set, the child's pid is written there (as text) once it runs
};

ProcessResult runProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// <stage>/bin/fabricsim-run MODEL -- the test client, with `script` on its standard input.
ProcessResult runClient(const std::string& model, const std::string& script, std::vector<std::string> env = {});

std::string stagePath(const std::string& relative);
std::string scratchDir(const std::string& name);  // a fresh, empty directory for one test
std::string slurp(const std::string& path);
std::vector<std::string> splitLines(const std::string& text);

}  // namespace fstest
