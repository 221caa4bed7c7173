// Signal dispositions and the stop flag.
#pragma once

// Set to 1 by the SIGTERM/SIGINT handler; never cleared. One byte, so a write
// from the handler is never seen half done.
extern volatile unsigned char agentStop;

// Installs the stop handler for SIGTERM and SIGINT, ignores SIGPIPE and SIGHUP,
// and makes the process a process-group leader; returns the result of the
// latter (0 on success).
int psSetSignals();
void unxInterruptHandler(int signalNumber);
