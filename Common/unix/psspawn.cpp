// Starting an external program through the shell and waiting for it with a time-out.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "TraceScope.h"
#include "naTrace.h"
#include "psnautil.h"

namespace {

constexpr int kSpawnFailed = 71;
constexpr int kTimedOut = 68;
constexpr int kWaitFailed = 74;

// A ';' outside double quotes makes element 0 a shell command list.
bool hasCommandList(const char* text) {
    bool inside = false;
    for (; *text; ++text) {
        if (*text == '"') inside = !inside;
        else if (*text == ';' && !inside) return true;
    }
    return false;
}

// Inside single quotes nothing is special to the shell but the quote itself,
// which is closed, escaped and reopened, so no value can become a command.
void appendSingleQuoted(std::string& out, const char* text) {
    out += '\'';
    for (; *text; ++text) {
        if (*text == '\'') out += "'\\''";
        else out += *text;
    }
    out += '\'';
}

std::string newTempName() {
    char pattern[] = "/tmp/nqaXXXXXX";
    int fd = mkstemp(pattern);
    if (fd < 0) return std::string();
    close(fd);
    return pattern;
}

// The reasons the child could not start the shell, traced by the parent: the
// child's copy of the trace state is stale, a line from it would land in the
// middle of the parent's ring trace.
void traceStartFailure(const char* program, int error) {
    if (error == ENOENT) NATRACE(TR_MIN, "File '%s' not found by execv().\n", program);
    else if (error == EACCES) NATRACE(TR_MIN, "Unable to access file '%s'.\n", program);
    else NATRACE(TR_MIN, "Unexpected error invoking program, errno = %d.\n", error);
}

// The child's errno when its exec failed, read from a pipe that a successful
// exec closes: 0 when the shell started (or nothing could be learnt).
int startFailureOf(int reportFd) {
    int error = 0;
    ssize_t got = 0;
    do got = read(reportFd, &error, sizeof error);
    while (got < 0 && errno == EINTR);
    close(reportFd);
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

// Runs in the child only: returns nothing when the redirection failed.
bool redirectTo(const std::string& path, int target, bool append) {
    int flags = O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC);
    int fd = open(path.c_str(), flags, 0600);
    if (fd < 0) return false;
    if (fd != target) {
        if (dup2(fd, target) < 0) return false;
        close(fd);
    }
    return true;
}

// Set by the alarm alone: a stop request interrupts the wait as well, and only
// the alarm's expiry is the time-out.
volatile sig_atomic_t alarmRang = 0;

void onAlarm(int) { alarmRang = 1; }

// The child's side of the fork. It never traces (see traceStartFailure) and
// ends with 71 when the shell cannot be started.
[[noreturn]] void startChild(char* const* localArgv, const SpawnInfo& info, bool redirect,
                             bool append, char* const* envp, int reportFd) {
    if (redirect && (!redirectTo(info.stdoutFile, STDOUT_FILENO, append) ||
                     !redirectTo(info.stderrFile, STDERR_FILENO, append)))
        _exit(kSpawnFailed);
    if (envp) execve(localArgv[0], localArgv, envp);
    else execv(localArgv[0], localArgv);
    const int error = errno;
    if (reportFd >= 0) {
        const ssize_t sent = write(reportFd, &error, sizeof error);
        static_cast<void>(sent);  // unsent, the parent still sees the exit status
    }
    _exit(kSpawnFailed);
}

// Puts the caller's SIGALRM handling back once the wait no longer needs the alarm.
class AlarmGuard {
public:
    int arm(int seconds) {
        struct sigaction action {};
        action.sa_handler = onAlarm;
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;  // no SA_RESTART: the alarm must interrupt waitpid
        if (sigaction(SIGALRM, &action, &previous_) != 0) return -1;
        armed_ = true;
        alarmRang = 0;
        alarm(static_cast<unsigned>(seconds));
        return 0;
    }
    bool rang() const { return armed_ && alarmRang; }
    void disarm() {
        if (!armed_) return;
        alarm(0);
        armed_ = false;
        if (sigaction(SIGALRM, &previous_, nullptr) != 0)
            NATRACE(TR_MID, "Error restoring old signal action");
    }
    ~AlarmGuard() { disarm(); }

private:
    struct sigaction previous_ {};
    bool armed_ = false;
};

}  // namespace

std::string buildShellCommand(const char* const* command, bool quote) {
    std::string text;
    if (!command || !command[0]) return text;
    if (hasCommandList(command[0])) text = command[0];
    else appendSingleQuoted(text, command[0]);
    for (int i = 1; command[i]; ++i) {
        text += ' ';
        if (quote) appendSingleQuoted(text, command[i]);
        else text += command[i];
    }
    return text;
}

int SpawnExternalProgram(const char* const* command, SpawnInfo& info, bool redirect, bool quote,
                         bool append, char* const* envp) {
    static const char fn[] = "SpawnExternalProgram()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);

    if (!command || !command[0]) {
        return traceErrorReturn(fn, kSpawnFailed);
    }
    std::string shell = "/bin/sh";
    std::string dashC = "-c";
    std::string text = buildShellCommand(command, quote);
    char* localArgv[] = {&shell[0], &dashC[0], &text[0], nullptr};
    if (TR_MAX) {
        for (int i = 0; i < 3; ++i) NATRACE(TR_MAX, "localArgv[%d] = %s\n", i, localArgv[i]);
    }

    if (redirect) {
        if (info.stdoutFile.empty()) info.stdoutFile = newTempName();
        if (info.stderrFile.empty()) info.stderrFile = newTempName();
    }

    // A pipe that the child's exec closes, or that carries the exec's errno.
    int report[2] = {-1, -1};
    if (pipe2(report, O_CLOEXEC) != 0) report[0] = report[1] = -1;
    int result = 0;
    const pid_t pid = fork();
    const int forkError = errno;
    if (pid == 0) startChild(localArgv, info, redirect, append, envp, report[1]);
    if (report[1] >= 0) close(report[1]);
    if (pid < 0) {
        NATRACE(TR_MAX, "fork() failed, errno: %d\n", forkError);
        result = kSpawnFailed;
        if (report[0] >= 0) close(report[0]);
    } else {
        NATRACE(TR_MIN, "fork() success, pid: %d\n", static_cast<int>(pid));
        info.pid = static_cast<std::int32_t>(pid);
        const int error = report[0] >= 0 ? startFailureOf(report[0]) : 0;
        if (error != 0) traceStartFailure(localArgv[0], error);
    }

    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return result;
}

int WaitForExternalProgram(SpawnInfo info, int* exitCode, int timeoutSeconds) {
    static const char fn[] = "WaitForExternalProgram()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);

    // waitpid and kill read 0 and -1 as "the whole group" / "every process".
    if (info.pid <= 0) {
        return traceErrorReturn(fn, kWaitFailed);
    }
    AlarmGuard alarmGuard;
    if (timeoutSeconds > 0 && alarmGuard.arm(timeoutSeconds) != 0) {
        NATRACE(TR_MID, "Error defining new signal action");
        return kWaitFailed;
    }

    int status = 0;
    for (;;) {
        pid_t done = waitpid(static_cast<pid_t>(info.pid), &status, 0);
        if (done == static_cast<pid_t>(info.pid)) break;
        if (done < 0 && errno == EINTR) {
            if (!alarmGuard.rang()) continue;  // a stop request: the agent is not late
            alarm(0);
            if (kill(static_cast<pid_t>(info.pid), SIGKILL) != 0) {
                NATRACE(TR_MID, "Failed to send SIGKILL.\n");
                return -1;
            }
            NATRACE(TR_MID, "SIGKILL sent\n");
            alarmGuard.disarm();
            return kTimedOut;
        }
        return kWaitFailed;
    }
    alarmGuard.disarm();

    int code = 0;
    if (WIFEXITED(status)) code = WEXITSTATUS(status);
    else if (WIFSIGNALED(status)) code = WTERMSIG(status);
    else if (WIFSTOPPED(status)) code = WSTOPSIG(status);
    if (exitCode) *exitCode = code;
    NATRACE(TR_MAX, "exit code:%d\n", code);
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return 0;
}
