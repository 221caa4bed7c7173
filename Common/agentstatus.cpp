// The start status on the agent's channel.
#include "comutils.h"
#include "naTrace.h"
#include "pssignal.h"

void sendAgentStatus(int fd, const char* status) {
    static const char fn[] = "sendAgentStatus";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    if (fd != -1 && status) {
        // A start failure reports before SIGPIPE is ignored; an agent that has gone away
        // must cost the status byte, never the process and its return code.
        const ssize_t written = psWriteWithoutSigpipe(fd, status, 1);
        if (written == 1) NATRACE(TR_MAX, "Successfully sent status to agent: %c\n", *status);
        else NATRACE(TR_MAX, "Failed to send status to agent: %c\n", *status);
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
}
