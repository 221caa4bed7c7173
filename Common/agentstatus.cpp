// The start status on the agent's channel.
#include <unistd.h>

#include <cerrno>

#include "comutils.h"
#include "naTrace.h"

void sendAgentStatus(int fd, const char* status) {
    static const char fn[] = "sendAgentStatus";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    if (fd != -1 && status) {
        ssize_t written;
        do {
            written = write(fd, status, 1);
        } while (written < 0 && errno == EINTR);
        if (written == 1) NATRACE(TR_MAX, "Successfully sent status to agent: %c\n", *status);
        else NATRACE(TR_MAX, "Failed to send status to agent: %c\n", *status);
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
}
