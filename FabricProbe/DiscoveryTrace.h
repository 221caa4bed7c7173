// Trace lines shared by the discovery drivers.
#pragma once

#include "TopologyDecode.h"

// Notes a list count larger than its response can hold; only the entries inside are used.
void traceDroppedEntries(const char* command, const ListCount& count);

// A counted list's count as the drivers read it: the declared count traced with
// countLine (one %d), then any entries dropped for the command.
ListCount readListCount(ByteSpan response, std::size_t entrySize, const char* countLine, const char* command);
