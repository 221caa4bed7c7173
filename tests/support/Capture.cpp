#include "Capture.h"

#include <sys/types.h>

#include <cerrno>
#include <stdexcept>

StreamCapture::StreamCapture() : stream_(std::tmpfile()) {
    if (!stream_) throw std::runtime_error("cannot make a temporary file");
}

StreamCapture::~StreamCapture() { std::fclose(stream_); }

std::string StreamCapture::text() const {
    std::fflush(stream_);
    std::string out;
    std::rewind(stream_);
    char chunk[4096];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, stream_)) > 0) out.append(chunk, n);
    std::fseek(stream_, 0, SEEK_END);
    return out;
}

FailingStream::FailingStream(std::size_t capacity, bool recovers) : capacity_(capacity), recovers_(recovers) {
    cookie_io_functions_t io{};
    io.write = [](void* self, const char* data, std::size_t size) -> ssize_t {
        FailingStream& s = *static_cast<FailingStream*>(self);
        const std::size_t room = s.capacity_ - s.taken_.size();
        if (room == 0) {
            if (s.recovers_) s.capacity_ = std::string::npos;
            errno = ENOSPC;
            return 0;  // a cookie writer reports failure as 0, never as a negative count
        }
        const std::size_t n = size < room ? size : room;
        s.taken_.append(data, n);
        return static_cast<ssize_t>(n);
    };
    stream_ = fopencookie(this, "w", io);
    if (!stream_) throw std::runtime_error("fopencookie failed");
    std::setvbuf(stream_, nullptr, _IONBF, 0);
}

FailingStream::~FailingStream() { std::fclose(stream_); }

std::string failureAtEachByte(const std::function<int(std::FILE*)>& write) {
    StreamCapture whole;
    if (write(whole.get()) != 1) return "the whole write did not return 1";
    const std::string bytes = whole.text();
    for (std::size_t capacity = 0; capacity < bytes.size(); ++capacity) {
        FailingStream out(capacity);
        if (write(out.get()) >= 0 || out.text() != bytes.substr(0, capacity))
            return "failing at byte " + std::to_string(capacity) + " of \"" + bytes + "\": took \"" + out.text() + "\"";
    }
    return "";
}
