// An output stream whose bytes the test can read back.
#pragma once

#include <cerrno>
#include <cstdio>
#include <sys/types.h>
#include <string>

class StreamCapture {
public:
    StreamCapture() : stream_(std::tmpfile()) {}
    ~StreamCapture() {
        if (stream_) std::fclose(stream_);
    }
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;
    FILE* get() const { return stream_; }
    std::string text() const {
        std::fflush(stream_);
        std::string out;
        std::rewind(stream_);
        char chunk[4096];
        std::size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, stream_)) > 0) out.append(chunk, n);
        std::fseek(stream_, 0, SEEK_END);
        return out;
    }

private:
    FILE* stream_;
};

// A stream that takes `capacity` bytes and then fails every write, like a full
// disk; unbuffered so the failure shows at the call that meets it.
class LimitedStream {
public:
    explicit LimitedStream(std::size_t capacity) : capacity_(capacity) {
        cookie_io_functions_t io{};
        io.write = [](void* self, const char* data, std::size_t size) -> ssize_t {
            LimitedStream& s = *static_cast<LimitedStream*>(self);
            const std::size_t room = s.capacity_ - s.taken_.size();
            if (room == 0) {
                errno = ENOSPC;
                return -1;
            }
            const std::size_t n = size < room ? size : room;
            s.taken_.append(data, n);
            return static_cast<ssize_t>(n);
        };
        stream_ = fopencookie(this, "w", io);
        std::setvbuf(stream_, nullptr, _IONBF, 0);
    }
    ~LimitedStream() { std::fclose(stream_); }
    LimitedStream(const LimitedStream&) = delete;
    LimitedStream& operator=(const LimitedStream&) = delete;
    FILE* get() const { return stream_; }
    const std::string& text() const { return taken_; }

private:
    std::size_t capacity_;
    std::string taken_;
    FILE* stream_;
};
