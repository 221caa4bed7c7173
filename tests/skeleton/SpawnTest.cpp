#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Argv.h"
#include "Files.h"
#include "Run.h"
#include "TempDir.h"
#include "psnautil.h"

namespace {

// Spawns with quoting on and waits; returns the wait's result.
int runAndWait(Argv command, int* exitCode, int timeout = 30, SpawnInfo* spawned = nullptr) {
    SpawnInfo info;
    if (SpawnExternalProgram(command.argv(), info, false, true, false, nullptr) != 0) return -100;
    if (spawned) *spawned = info;
    return WaitForExternalProgram(info, exitCode, timeout);
}

TEST(ShellCommand, QuotingOfProgramAndArguments) {
    Argv plain({"/opt/x/bin/Agent", "-notify", "two words", "it's", ""});
    EXPECT_EQ(buildShellCommand(plain.argv(), true), R"('/opt/x/bin/Agent' '-notify' 'two words' 'it'\''s' '')");
    EXPECT_EQ(buildShellCommand(plain.argv(), false), "'/opt/x/bin/Agent' -notify two words it's ");

    // A ';' outside double quotes makes the program a command list, passed on as it is.
    Argv list({"cd /tmp; ./run", "a"});
    EXPECT_EQ(buildShellCommand(list.argv(), true), "cd /tmp; ./run 'a'");
    Argv quotedSemicolon({"\"/opt/a;b\"/prog"});
    EXPECT_EQ(buildShellCommand(quotedSemicolon.argv(), true), "'\"/opt/a;b\"/prog'");
    Argv programQuote({"/opt/it's/prog"});
    EXPECT_EQ(buildShellCommand(programQuote.argv(), true), R"('/opt/it'\''s/prog')");
}

TEST(Spawn, ExitStatusOfTheChild) {
    int exitCode = -1;
    EXPECT_EQ(runAndWait(Argv({"/bin/sh", "-c", "exit 7"}), &exitCode), 0);
    EXPECT_EQ(exitCode, 7);
    EXPECT_EQ(runAndWait(Argv({"/bin/true"}), &exitCode), 0);
    EXPECT_EQ(exitCode, 0);
    // A program that cannot be found: the shell's own status.
    EXPECT_EQ(runAndWait(Argv({"/nonexistent/program"}), &exitCode), 0);
    EXPECT_EQ(exitCode, 127);
    // A child ended by a signal reports the signal.
    EXPECT_EQ(runAndWait(Argv({"kill -9 $$;"}), &exitCode), 0);
    EXPECT_EQ(exitCode, SIGKILL);
}

TEST(Spawn, EveryArgumentReachesTheProgramExactly) {
    TempDir dir;
    const std::string recorder = dir.file("record");
    writeRecorder(recorder, dir.file("args"), dir.file("exit"));
    const std::vector<std::string> args = {
        "'; touch " + dir.file("quote") + "; '",
        "$(touch " + dir.file("dollar") + ")",
        "`touch " + dir.file("backtick") + "`",
        "\"; touch " + dir.file("double") + "; \"",
        "a\\b", "", "two words", "line\nfeed", "*", "it's 'quoted'", std::string(10000, 'a'),
    };
    std::vector<std::string> words = {recorder};
    words.insert(words.end(), args.begin(), args.end());
    int exitCode = -1;
    ASSERT_EQ(runAndWait(Argv(words), &exitCode), 0);
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(recordedArgs(dir.file("args")), args);
    for (const char* made : {"quote", "dollar", "backtick", "double"}) EXPECT_FALSE(fileExists(dir.file(made))) << made;
}

TEST(Spawn, ProgramWithSemicolonRunsAsCommandList) {
    TempDir dir;
    int exitCode = -1;
    ASSERT_EQ(runAndWait(Argv({"echo listed > " + dir.file("out") + "; exit 3"}), &exitCode), 0);
    EXPECT_EQ(exitCode, 3);
    EXPECT_EQ(readFile(dir.file("out")), "listed\n");

    // Between double quotes the ';' is part of the program's name: nothing runs.
    ASSERT_EQ(runAndWait(Argv({"\"x; touch " + dir.file("made") + "\""}), &exitCode), 0);
    EXPECT_EQ(exitCode, 127);
    EXPECT_FALSE(fileExists(dir.file("made")));
}

TEST(Spawn, TimeOutKillsTheChild) {
    SpawnInfo info;
    int exitCode = -1;
    EXPECT_EQ(runAndWait(Argv({"exec sleep 20;"}), &exitCode, 1, &info), 68);
    EXPECT_EQ(exitCode, -1);  // untouched
    int status = 0;
    ASSERT_EQ(waitpid(info.pid, &status, 0), info.pid);  // left for the caller to collect
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

void onStopRequest(int) {}

TEST(Spawn, AStopRequestDuringTheWaitIsNoTimeOut) {
    // A handler without SA_RESTART, as the probe's: the signal interrupts waitpid.
    struct sigaction stop {};
    stop.sa_handler = onStopRequest;
    sigemptyset(&stop.sa_mask);
    struct sigaction before {};
    ASSERT_EQ(sigaction(SIGTERM, &stop, &before), 0);
    int exitCode = -1;
    // The child's shell signals the waiting parent, then ends by itself.
    EXPECT_EQ(runAndWait(Argv({"sleep 0.2; kill -TERM $PPID; sleep 0.2; exit 3"}), &exitCode, 3600), 0);
    EXPECT_EQ(exitCode, 3);
    EXPECT_EQ(alarm(0), 0u);
    // After a stop request the alarm's expiry still ends the wait.
    SpawnInfo info;
    EXPECT_EQ(runAndWait(Argv({"kill -TERM $PPID; exec sleep 20"}), &exitCode, 1, &info), 68);
    waitpid(info.pid, nullptr, 0);
    sigaction(SIGTERM, &before, nullptr);
}

void customAlarm(int) {}

TEST(Spawn, WaitLeavesNoAlarmAndRestoresTheAlarmHandler) {
    struct sigaction mine {};
    mine.sa_handler = customAlarm;
    sigemptyset(&mine.sa_mask);
    struct sigaction before {};
    ASSERT_EQ(sigaction(SIGALRM, &mine, &before), 0);

    int exitCode = -1;
    EXPECT_EQ(runAndWait(Argv({"/bin/true"}), &exitCode, 3600), 0);
    EXPECT_EQ(alarm(0), 0u);  // nothing pending
    struct sigaction after {};
    ASSERT_EQ(sigaction(SIGALRM, nullptr, &after), 0);
    EXPECT_EQ(after.sa_handler, customAlarm);

    SpawnInfo info;
    EXPECT_EQ(runAndWait(Argv({"exec sleep 20;"}), &exitCode, 1, &info), 68);
    waitpid(info.pid, nullptr, 0);
    ASSERT_EQ(sigaction(SIGALRM, nullptr, &after), 0);
    EXPECT_EQ(after.sa_handler, customAlarm);
    sigaction(SIGALRM, &before, nullptr);
}

TEST(Spawn, WaitWithoutAChildFails) {
    int exitCode = -1;
    SpawnInfo none;  // pid 0 would mean "any child of the group"
    EXPECT_EQ(WaitForExternalProgram(none, &exitCode, 1), 74);
    SpawnInfo gone;
    gone.pid = 999999999;
    EXPECT_EQ(WaitForExternalProgram(gone, &exitCode, 0), 74);
    EXPECT_EQ(exitCode, -1);
}

TEST(Spawn, RedirectionToNamedAndTemporaryFiles) {
    TempDir dir;
    Argv command({"echo out; echo err >&2;"});
    SpawnInfo info;
    info.stdoutFile = dir.file("stdout");
    ASSERT_EQ(SpawnExternalProgram(command.argv(), info, true, true, false, nullptr), 0);
    int exitCode = -1;
    ASSERT_EQ(WaitForExternalProgram(info, &exitCode, 30), 0);
    EXPECT_EQ(readFile(dir.file("stdout")), "out\n");
    ASSERT_EQ(info.stderrFile.rfind("/tmp/nqa", 0), 0u) << info.stderrFile;
    EXPECT_EQ(readFile(info.stderrFile), "err\n");
    unlink(info.stderrFile.c_str());

    // Appending keeps what is there.
    ASSERT_EQ(SpawnExternalProgram(command.argv(), info, true, true, true, nullptr), 0);
    ASSERT_EQ(WaitForExternalProgram(info, &exitCode, 30), 0);
    EXPECT_EQ(readFile(dir.file("stdout")), "out\nout\n");
    unlink(info.stderrFile.c_str());

    // A file that cannot be opened ends the child with 71.
    SpawnInfo bad;
    bad.stdoutFile = dir.file("missing/dir/out");
    bad.stderrFile = dir.file("err");
    ASSERT_EQ(SpawnExternalProgram(command.argv(), bad, true, true, false, nullptr), 0);
    ASSERT_EQ(WaitForExternalProgram(bad, &exitCode, 30), 0);
    EXPECT_EQ(exitCode, 71);
}

TEST(Spawn, GivenEnvironmentReplacesTheCurrentOne) {
    TempDir dir;
    Argv command({"echo \"$PROBE_TEST_VALUE\" > " + dir.file("env") + ";"});
    std::string entry = "PROBE_TEST_VALUE=given";
    char* envp[] = {&entry[0], nullptr};
    SpawnInfo info;
    ASSERT_EQ(SpawnExternalProgram(command.argv(), info, false, true, false, envp), 0);
    int exitCode = -1;
    ASSERT_EQ(WaitForExternalProgram(info, &exitCode, 30), 0);
    EXPECT_EQ(readFile(dir.file("env")), "given\n");
}

TEST(Spawn, EmptyCommandStartsNothing) {
    const char* const empty[] = {nullptr};
    SpawnInfo info;
    EXPECT_EQ(SpawnExternalProgram(empty, info, false, true, false, nullptr), 71);
    EXPECT_EQ(SpawnExternalProgram(nullptr, info, false, true, false, nullptr), 71);
    EXPECT_EQ(info.pid, 0);
}

TEST(FileServices, StripQuotes) {
    EXPECT_EQ(stripQuotes("\"/a/b\""), "/a/b");
    EXPECT_EQ(stripQuotes("\"x\""), "x");
    EXPECT_EQ(stripQuotes("\"\""), "\"\"");  // not longer than 2
    EXPECT_EQ(stripQuotes("\"/a/b"), "\"/a/b");
    EXPECT_EQ(stripQuotes("/a/b"), "/a/b");
    EXPECT_EQ(stripQuotes(""), "");
}

TEST(FileServices, ExistAndRemoveTakePathsInDoubleQuotes) {
    TempDir dir;
    writeFile(dir.file("file"), "x");
    std::string quoted = "\"" + dir.file("file") + "\"";
    EXPECT_EQ(psFileExist(quoted), 1);
    EXPECT_EQ(quoted, dir.file("file"));  // left without its quotes
    std::string directory = dir.path();
    EXPECT_EQ(psFileExist(directory), 1);

    quoted = "\"" + dir.file("file") + "\"";
    EXPECT_EQ(psRemoveFile(quoted), 0);
    EXPECT_FALSE(fileExists(dir.file("file")));
    std::string again = dir.file("file");
    EXPECT_EQ(psFileExist(again), 0);
    EXPECT_EQ(psRemoveFile(again), -1);
    std::string empty;
    EXPECT_EQ(psFileExist(empty), 0);
    EXPECT_EQ(psRemoveFile(empty), -1);
}

}  // namespace
