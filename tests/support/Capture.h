// Output streams for the writers under test: one whose bytes are read back, and one that
// fails like a full disk.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

class StreamCapture {
public:
    StreamCapture();
    ~StreamCapture();
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;
    std::FILE* get() const { return stream_; }
    std::string text() const;  // everything written so far

private:
    std::FILE* stream_;
};

// An unbuffered stream that takes `capacity` bytes and then fails with ENOSPC, so the failure
// shows at the call that meets it. It fails every write after that; with `recovers`, only the
// first, taking everything again afterwards as a buffered stream may once room is back: a
// writer that goes on after a failed write then shows in text().
class FailingStream {
public:
    explicit FailingStream(std::size_t capacity, bool recovers = false);
    ~FailingStream();
    FailingStream(const FailingStream&) = delete;
    FailingStream& operator=(const FailingStream&) = delete;
    std::FILE* get() const { return stream_; }
    const std::string& text() const { return taken_; }

private:
    std::size_t capacity_;
    bool recovers_;
    std::string taken_;
    std::FILE* stream_;
};

// A writer run whole, then on streams failing at each of its bytes in turn: empty when it
// wrote and returned 1, and every failing run returned a negative result and left exactly
// the bytes the stream took; else what went wrong.
std::string failureAtEachByte(const std::function<int(std::FILE*)>& write);
