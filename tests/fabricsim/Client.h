// The HBA API test client (HbaClient.cpp) run under the staged fabricsim-run with a model,
// its script on standard input.
#pragma once

#include "Files.h"
#include "Run.h"

inline RunResult runClient(const std::string& model, const std::string& script, std::vector<std::string> env = {}) {
    RunOptions options;
    options.input = script;
    options.env = std::move(env);
    options.timeoutSeconds = 60;
    return runProgram({stagePath("bin/fabricsim-run"), model, "--", FABRICSIM_CLIENT}, options);
}
