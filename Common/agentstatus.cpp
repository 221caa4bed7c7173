// The start status on the agent's channel.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "comutils.h"
#include "naTrace.h"

namespace {

// A start failure reports before SIGPIPE is ignored; an agent that has gone
// away must cost the status byte, never the process and its return code.
ssize_t writeWithoutSigpipe(int fd, const char* byte) {
    sigset_t pipeOnly, previous;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    ssize_t written;
    do {
        written = write(fd, byte, 1);
    } while (written < 0 && errno == EINTR);
    if (written < 0 && errno == EPIPE && !wasPending) {
        const int saved = errno;
        const timespec now{0, 0};
        while (sigtimedwait(&pipeOnly, nullptr, &now) < 0 && errno == EINTR) {
        }
        errno = saved;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return written;
}

}  // namespace

void sendAgentStatus(int fd, const char* status) {
    static const char fn[] = "sendAgentStatus";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    if (fd != -1 && status) {
        const ssize_t written = writeWithoutSigpipe(fd, status);
        if (written == 1) NATRACE(TR_MAX, "Successfully sent status to agent: %c\n", *status);
        else NATRACE(TR_MAX, "Failed to send status to agent: %c\n", *status);
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
}
