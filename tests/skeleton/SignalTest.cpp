#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include <gtest/gtest.h>

#include "pssignal.h"

namespace {

// A child installs the signal handling, then is sent the given signals by this
// process. It exits with 10 + agentStop once told to finish, and reports its
// process group so the test can see it leads one.
struct ChildRun {
    bool exited = false;
    int exitStatus = -1;
    int killedBy = 0;
    pid_t group = 0;
};

ChildRun runChild(const std::vector<int>& signals) {
    int ready[2], finish[2];
    if (pipe(ready) != 0 || pipe(finish) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        close(ready[0]);
        close(finish[1]);
        agentStop = 0;
        psSetSignals();
        pid_t group = getpgrp();
        if (write(ready[1], &group, sizeof group) != sizeof group) _exit(99);
        char byte;
        // A stop signal interrupts the read; the parent's close ends it.
        while (read(finish[0], &byte, 1) < 0 && errno == EINTR) {
        }
        _exit(10 + agentStop);
    }
    close(ready[1]);
    close(finish[0]);
    ChildRun run;
    if (read(ready[0], &run.group, sizeof run.group) != sizeof run.group) run.group = -1;
    // A signal sent before the close is handled before the child can see the end of the pipe.
    for (int signalNumber : signals) kill(pid, signalNumber);
    close(finish[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    close(ready[0]);
    run.exited = WIFEXITED(status);
    if (run.exited) run.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.killedBy = WTERMSIG(status);
    if (run.group == pid) run.group = 0;  // 0: the child leads its own group
    return run;
}

TEST(Signals, TermAndIntSetTheStopFlag) {
    for (int signalNumber : {SIGTERM, SIGINT}) {
        ChildRun run = runChild({signalNumber});
        ASSERT_TRUE(run.exited) << "killed by " << run.killedBy;
        EXPECT_EQ(run.exitStatus, 11) << signalNumber;
        EXPECT_EQ(run.group, 0);
    }
}

TEST(Signals, HangupAndBrokenPipeAreIgnored) {
    ChildRun run = runChild({SIGHUP, SIGPIPE});
    ASSERT_TRUE(run.exited) << "killed by " << run.killedBy;
    EXPECT_EQ(run.exitStatus, 10);  // still running, not asked to stop
}

TEST(Signals, HandlerActsOnlyOnStopSignals) {
    agentStop = 0;
    unxInterruptHandler(SIGHUP);
    unxInterruptHandler(SIGUSR1);
    EXPECT_EQ(agentStop, 0);
    unxInterruptHandler(SIGTERM);
    EXPECT_EQ(agentStop, 1);
    agentStop = 0;
}

}  // namespace
