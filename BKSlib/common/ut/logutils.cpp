#include "logutils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "../nls/amsglog.h"
#include "../nls/amsgtime.h"

namespace {

constexpr std::size_t kMaxLogName = 1023;

void reportOpenFailure(const LogFileRecord& record) {
    nlPrintMessage(kMsgLogOpenFailed, record.name.c_str(), record.lastError, std::strerror(record.lastError));
}

// O_NOFOLLOW refuses a symbolic link in the log's place. O_NONBLOCK keeps a FIFO
// there from stalling the open; regular files, the only kind written, ignore it.
int openForAppend(const std::string& name) {
    return ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
}

int descriptorOf(void* cookie) { return static_cast<int>(reinterpret_cast<std::intptr_t>(cookie)); }

ssize_t writeDescriptor(void* cookie, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(descriptorOf(cookie), data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0;  // a cookie stream reports a failed write as 0 bytes
        done += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

int closeDescriptor(void* cookie) { return ::close(descriptorOf(cookie)); }

// A stream straight onto the descriptor: fdopen would ask the kernel for the
// descriptor's flags once more for every line.
FILE* streamOnDescriptor(int fd) {
    const cookie_io_functions_t io{nullptr, writeDescriptor, nullptr, closeDescriptor};
    return ::fopencookie(reinterpret_cast<void*>(static_cast<std::intptr_t>(fd)), "a", io);
}

}  // namespace

int logMakeDirectories(const std::string& dir) {
    if (dir.empty()) return 0;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        const std::string part = dir.substr(0, pos);
        if (part.empty()) continue;
        if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return errno;
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int logOpen(LogFileRecord& record) {
    record.open = false;
    record.stream = nullptr;
    if (record.name.empty() || record.name.size() > kMaxLogName) {
        record.lastError = ENAMETOOLONG;
        if (!record.name.empty()) reportOpenFailure(record);
        return -1;
    }
    // The log is opened for every line: the usual case costs open, fstat, write
    // and close; only a failed open looks further.
    int fd = openForAppend(record.name);
    if (fd < 0 && errno != ELOOP) {
        const int openError = errno;
        struct stat st {};
        if (::lstat(record.name.c_str(), &st) == 0) {
            errno = openError;  // it exists and cannot be opened
        } else {
            // Missing: its directory and any missing parents first.
            const std::size_t slash = record.name.rfind('/');
            if (slash != std::string::npos && slash > 0 && logMakeDirectories(record.name.substr(0, slash)) != 0) {
                record.lastError = EACCES;
                reportOpenFailure(record);
                return -1;
            }
            fd = openForAppend(record.name);
        }
    }
    if (fd < 0 && errno == ELOOP) {
        record.lastError = 9;
        nlPrintMessage(kMsgLogIsLink, record.name.c_str());
        if (::unlink(record.name.c_str()) == 0)
            nlPrintMessage(kMsgLinkDeleted, record.name.c_str());
        else
            nlPrintMessage(kMsgLinkNotDeleted, record.name.c_str(), std::strerror(errno));
        return -1;
    }
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        fd = -1;
        errno = EINVAL;
    }
    if (fd < 0) {
        record.lastError = errno;
        reportOpenFailure(record);
        return -1;
    }
    record.stream = streamOnDescriptor(fd);
    if (!record.stream) {
        record.lastError = errno;
        ::close(fd);
        reportOpenFailure(record);
        return -1;
    }
    std::setvbuf(record.stream, nullptr, _IONBF, 0);
    record.open = true;
    record.lastError = 0;
    return 0;
}

void logWriteLine(LogFileRecord& record, const char* text) {
    if (!record.stream) return;
    if (!text) text = "";
    const NlDateTime& now = nlDateTimeNow(record.stamp);
    const std::size_t dateLen = std::strlen(now.date), timeLen = std::strlen(now.time), len = std::strlen(text);
    const bool needLineFeed = len == 0 || text[len - 1] != '\n';
    // "<date> <time>.<ms> <text>", put together and written with one call (the
    // stream is unbuffered: every call would be a write of its own).
    const std::size_t size = dateLen + 1 + timeLen + 5 + len + (needLineFeed ? 1 : 0);
    char small[1536];
    std::string large;
    char* line = small;
    if (size + 1 > sizeof small) {
        large.resize(size + 1);
        line = &large[0];
    }
    char* p = line;
    std::memcpy(p, now.date, dateLen);
    p += dateLen;
    *p++ = ' ';
    std::memcpy(p, now.time, timeLen);
    p += timeLen;
    const unsigned long millis = now.millis % 1000UL;
    *p++ = '.';
    *p++ = static_cast<char>('0' + millis / 100);
    *p++ = static_cast<char>('0' + millis / 10 % 10);
    *p++ = static_cast<char>('0' + millis % 10);
    *p++ = ' ';
    std::memcpy(p, text, len);
    p += len;
    if (needLineFeed) *p++ = '\n';
    *p = '\0';
    if (std::fputs(line, record.stream) == EOF || std::fflush(record.stream) != 0) record.lastError = errno;
}
