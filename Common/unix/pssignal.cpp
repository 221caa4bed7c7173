// Placeholder until the signal services land.
#include "pssignal.h"

volatile unsigned char agentStop = 0;

int psSetSignals() { return 0; }
void unxInterruptHandler(int) {}
