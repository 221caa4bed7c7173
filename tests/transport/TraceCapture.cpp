#include "TraceCapture.h"

#include <unistd.h>

#include "ProbeRun.h"
#include "naTrace.h"

TraceCapture::TraceCapture(const std::string& name)
    : path_(std::string(TRANSPORT_TEST_DIR) + "/traces/" + name + "." + std::to_string(::getpid()) + ".trace") {
    ::unlink(path_.c_str());
    // 16 MB: large enough that the ring never wraps within one test.
    initStatus_ = naInitTrace(path_, "MAX", 16 * 1024);
    active_ = true;
}

TraceCapture::~TraceCapture() {
    if (active_) naEndTrace();
}

std::string TraceCapture::finish() {
    if (active_) naEndTrace();
    active_ = false;
    return readFile(path_);
}

std::size_t countOf(const std::string& text, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}
