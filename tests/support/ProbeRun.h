// Runs the installed probe as the agent would, for end-to-end tests: a private installation
// per test, the simulator behind it, and the viewer's check of the output file.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Count.h"
#include "Files.h"
#include "Run.h"

// A private installation for one test: <root>/bin/fabricprobe links to the staged
// binary (the probe derives its installation from that path), nls/ links to the
// staged catalog, and bin/Agent is a stand-in that records its arguments.
class ProbeInstall {
public:
    explicit ProbeInstall(const std::string& testName);
    const std::string& root() const { return root_; }
    std::string path(const std::string& relative) const { return root_ + "/" + relative; }
    // Arguments the stand-in Agent received, in order; empty when it never ran.
    std::vector<std::string> agentArgs() const { return recordedArgs(path("agent-args")); }
    // Makes the stand-in Agent exit with this status (default 0).
    void setAgentExit(int status) const { writeFile(path("agent-exit"), std::to_string(status) + "\n"); }

private:
    std::string root_;
};

struct ProbeRunOptions {
    std::string model;                    // path of the fabricsim model; empty: run without the simulator
    bool kernel = false;                  // serve the model through libhbalinux (fabricsim-run --kernel); no leak check
    std::string driver;                   // with kernel: the simulated host's driver (--driver); empty: libfc
    std::vector<std::string> args;        // arguments after the program name
    std::vector<std::string> env;         // extra NAME=value entries
    bool fastClock = false;               // run under faketime with a 100x clock
    bool agentPipe = true;                // append -agentcom R,W and collect the status byte
    bool agentPipeFirst = false;          // with agentPipe: -agentcom R,W before the other arguments instead
    std::string cwd;                      // working directory; default: the install root
    int timeoutSeconds = 120;             // the child is killed after this
    std::string program;                  // default: <root>/bin/fabricprobe
    std::vector<std::string> fullDevices;  // /dev/full in these files' places (RunOptions::fullDevices)
};

struct ProbeRunResult : RunResult {
    std::string agentStatus;  // bytes written on the -agentcom descriptor
};

ProbeRunResult runProbe(const ProbeInstall& install, const ProbeRunOptions& options);

// The exit status the shell would show for a return code (its low 8 bits).
inline int exitStatusOf(int rc) { return rc & 0xFF; }

// Runs the staged bin/fabricprobe-view --check on an output file, as the agent's
// server would read it. valid() holds only for a file without errors.
struct OutputCheck {
    int exitCode = -1;
    std::string report;  // standard output and error: one line per problem, then a verdict
    bool valid() const { return exitCode == 0; }
};
OutputCheck checkOutputFile(const std::string& path);
// For EXPECT_TRUE(outputFileIsValid(path)): a failure shows the checker's report.
::testing::AssertionResult outputFileIsValid(const std::string& path);
// For a run that ends before its fabric block does: the checker reports exactly
// that the last block has no [/Fabric], and nothing else.
::testing::AssertionResult outputFileEndsInsideAFabric(const std::string& path);
