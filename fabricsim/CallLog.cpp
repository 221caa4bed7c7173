#include "CallLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace fabricsim {
namespace {

// Keys are names from the fabric: keep the line one line of blank-separated fields.
std::string escapeKey(const std::string& key) {
    std::string out;
    for (unsigned char c : key) {
        if (c > 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(c));
            out += hex;
        }
    }
    return out;
}

}  // namespace

std::string rejectResult(std::uint8_t reason, std::uint8_t explanation) {
    char text[16];
    std::snprintf(text, sizeof text, "RJT %02X %02X", static_cast<unsigned>(reason), static_cast<unsigned>(explanation));
    return text;
}

std::string failResult(std::uint32_t status) { return "FAIL " + std::to_string(status); }

std::string errnoResult(int error) { return "ERRNO " + std::to_string(error); }

std::string formatCallRecord(const CallRecord& record) {
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%lld.%03d", static_cast<long long>(record.at.tv_sec),
                  static_cast<int>(record.at.tv_nsec / 1000000));
    std::string line = stamp;
    line += " handle=" + std::to_string(record.handle);
    line += " port=" + (record.port ? wwnText(*record.port) : std::string("-"));
    line += " v=" + (record.version == 0 ? std::string("bsg") : std::to_string(record.version));
    line += " cmd=" + record.command;
    line += " key=" + (record.key ? escapeKey(*record.key) : std::string("-"));
    line += " result=" + record.result;
    line += '\n';
    return line;
}

void CallLog::write(const CallRecord& record) {
    std::string line = formatCallRecord(record);
    int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (!warned_) std::fprintf(stderr, "fabricsim: cannot write the call log %s: %s\n", path_.c_str(), std::strerror(errno));
        warned_ = true;
        return;
    }
    const char* p = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ::close(fd);
}

}  // namespace fabricsim
