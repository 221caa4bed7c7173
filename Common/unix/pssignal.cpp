#include "pssignal.h"

#include <signal.h>
#include <unistd.h>

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
