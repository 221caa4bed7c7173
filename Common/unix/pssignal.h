// Signal dispositions and the stop flag.
#pragma once

#include <sys/types.h>

#include <cstddef>

// Set to 1 by the SIGTERM/SIGINT handler; never cleared. One byte, so a write
// from the handler is never seen half done.
extern volatile unsigned char agentStop;

// Installs the stop handler for SIGTERM and SIGINT, ignores SIGPIPE and SIGHUP,
// and makes the process a process-group leader; returns the result of the
// latter (0 on success).
int psSetSignals();
void unxInterruptHandler(int signalNumber);

// Writes size bytes to fd with SIGPIPE held off, also before psSetSignals: a reader that has
// gone away costs the write (-1, EPIPE), never the process and its return code. Returns the
// bytes written, or -1 when none could be.
ssize_t psWriteWithoutSigpipe(int fd, const void* data, std::size_t size);
