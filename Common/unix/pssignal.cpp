#include "pssignal.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "naTrace.h"

volatile unsigned char agentStop = 0;

int psSetSignals() {
    struct sigaction stop {};
    struct sigaction ignore {};
    sigemptyset(&stop.sa_mask);
    sigaddset(&stop.sa_mask, SIGTERM);
    sigaddset(&stop.sa_mask, SIGPIPE);
    sigaddset(&stop.sa_mask, SIGHUP);
    ignore.sa_mask = stop.sa_mask;
    // No SA_RESTART: a stop request should interrupt a blocking wait.
    stop.sa_handler = unxInterruptHandler;
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGTERM, &stop, nullptr);
    // An operator's Ctrl-C is a stop request too, not a kill: the agent must still hear the end.
    sigaction(SIGINT, &stop, nullptr);
    sigaction(SIGPIPE, &ignore, nullptr);
    sigaction(SIGHUP, &ignore, nullptr);
    // The agent signals the probe and whatever it started as one group.
    return setpgid(0, 0);
}

void unxInterruptHandler(int signalNumber) {
    static const char fn[] = "unxInterruptHandler()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    if (signalNumber == SIGINT || signalNumber == SIGTERM) {
        // The flag first: it is what the run acts on, the trace line is only a record.
        agentStop = 1;
        NATRACE(TR_MIN, "Caught signal %d\n", signalNumber);
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
}

ssize_t psWriteWithoutSigpipe(int fd, const void* data, std::size_t size) {
    sigset_t pipeOnly, previous, pending;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigemptyset(&pending);
    sigpending(&pending);
    const bool wasPending = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    const char* bytes = static_cast<const char*>(data);
    std::size_t done = 0;
    ssize_t written = 0;
    while (done < size) {
        written = write(fd, bytes + done, size - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    // The SIGPIPE this write raised is taken back before the mask is restored.
    if (written < 0 && errno == EPIPE && !wasPending) {
        const int saved = errno;
        const timespec now{0, 0};
        while (sigtimedwait(&pipeOnly, nullptr, &now) < 0 && errno == EINTR) {
        }
        errno = saved;
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return done == 0 && written < 0 ? -1 : static_cast<ssize_t>(done);
}
