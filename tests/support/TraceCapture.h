// Switches the debug trace on at its most detailed level into a file of its own, so that a
// test reads what the code under test traced.
#pragma once

#include <string>

#include "Files.h"
#include "TempDir.h"
#include "naTrace.h"

class TraceCapture {
public:
    // 16 MB: large enough that the ring never wraps within one test. Off: the code under test
    // runs untraced, as without -debug, and finish() returns nothing.
    explicit TraceCapture(bool on = true) : active_(on) {
        if (on) naInitTrace(dir_.file("capture.trace"), "MAX", 16 * 1024);
    }
    ~TraceCapture() {
        if (active_) naEndTrace();
    }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // Ends tracing and returns everything written to the file.
    std::string finish() {
        if (active_) naEndTrace();
        active_ = false;
        return readFile(dir_.file("capture.trace"));  // empty when it was off
    }

private:
    TempDir dir_;
    bool active_;
};
