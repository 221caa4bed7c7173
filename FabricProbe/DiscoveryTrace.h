// Trace lines shared by the discovery drivers.
#pragma once

#include "TopologyDecode.h"

// Notes a list count larger than its answer holds; only the entries inside are used.
void traceDroppedEntries(const char* command, const ListCount& count);
