// Signal dispositions and the stop flag.
#pragma once

// Set to 1 by the SIGTERM/SIGINT handler; never cleared.
extern volatile unsigned char agentStop;

// Installs the SIGTERM handler, ignores SIGPIPE and SIGHUP, and makes the
// process a process-group leader; returns the result of the latter (0 on success).
int psSetSignals();
void unxInterruptHandler(int signalNumber);
