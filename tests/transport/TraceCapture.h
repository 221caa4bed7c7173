// Switches the debug trace on at its most detailed level into a fresh file, so a
// test can read what the code under test traced.
#pragma once

#include <string>

class TraceCapture {
public:
    explicit TraceCapture(const std::string& name);
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // Ends tracing and returns everything written to the file.
    std::string finish();
    const std::string& path() const { return path_; }
    int initStatus() const { return initStatus_; }

private:
    std::string path_;
    int initStatus_ = -1;
    bool active_ = false;
};

// Number of non-overlapping occurrences of needle in text.
std::size_t countOf(const std::string& text, const std::string& needle);
