// The trace state shared by the facility's own files; not for callers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "trace.h"

struct TraceState {
    // One lock for switching, output and the ring; re-entered when a segment
    // switch reopens the output or a failed write stops the facility.
    std::recursive_mutex mutex;
    int fd = -1;               // trace file, or -1
    FILE* console = nullptr;   // stdout or stderr when the output is a console stream
    std::uint64_t dataStart = 0;
    std::uint64_t nextWrite = 0;
    unsigned lastThread = 0;
    int clientType = 0;
    bool ringMode = false;
    bool consoleFlag = true;
    bool firstSwitch = true;
    std::string configuredName;
    std::string actualName;
    unsigned long maxSize = 0;       // megabytes
    unsigned long segmentSize = 0;   // megabytes
    bool sizeGiven = false;
    unsigned long numSegments = 1;
    unsigned long currentSegment = 1;
    unsigned long previousSegment = 0;
    unsigned long lastSegmentSize = 0;
    bool segmentSwitch = false;
    bool active = false;
    TraceTidProc tidProc = nullptr;
    bool openedOnce = false;
};

// Clears the flags of every row of a class table except the first.
void trClearClassFlags(const TraceClass* table);
