#include "logutils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>

#include "../nls/amsglog.h"
#include "../nls/amsgtime.h"
#include "filemodes.h"

namespace {

constexpr std::size_t kMaxLogName = 1023;

void reportOpenFailure(const LogFileRecord& record, const std::string& errorText) {
    nlPrintMessage(kMsgLogOpenFailed, record.name.c_str(), record.lastError, errorText.c_str());
}

void reportOpenFailure(const LogFileRecord& record) { reportOpenFailure(record, std::strerror(record.lastError)); }

// O_NOFOLLOW refuses a symbolic link in the log's place, and O_WRONLY a
// directory. O_NONBLOCK makes a FIFO that nobody reads fail at once instead of
// stalling the open; regular files, the only kind written, ignore it.
int openForAppend(const std::string& name) {
    return ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kPrivateFileMode);
}

const char* kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "an unknown kind of file";
}

// What is left in the log's place after opening it for appending can still be
// a FIFO with a reader or a device. Asking the kernel costs a system call per
// line, so the kind is asked once per name and second: the open refuses the
// other kinds by itself, every line.
bool regularChecked(LogFileRecord& record, int fd) {
    const std::int64_t second = static_cast<std::int64_t>(std::time(nullptr));
    if (second == record.checkedSecond && record.name == record.checkedName) return true;
    struct stat st {};
    const bool asked = ::fstat(fd, &st) == 0;
    const int askError = errno;
    if (asked && S_ISREG(st.st_mode)) {
        record.checkedName = record.name;
        record.checkedSecond = second;
        return true;
    }
    ::close(fd);
    record.checkedName.clear();
    record.checkedSecond = INT64_MIN;
    record.lastError = asked ? logNotRegularError(st.st_mode) : askError;
    reportOpenFailure(record, asked ? logNotRegularText(st.st_mode) : std::string(std::strerror(askError)));
    return false;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int logNotRegularError(mode_t mode) { return S_ISDIR(mode) ? EISDIR : ENXIO; }

std::string logNotRegularText(mode_t mode) {
    return std::string(std::strerror(logNotRegularError(mode))) + " (" + kindOf(mode) + ", not a regular file)";
}

int logMakeDirectories(const std::string& dir) {
    if (dir.empty()) return 0;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        const std::string part = dir.substr(0, pos);
        if (part.empty()) continue;
        if (::mkdir(part.c_str(), kPrivateDirectoryMode) != 0 && errno != EEXIST) return errno;
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int logOpen(LogFileRecord& record) {
    record.open = false;
    record.fd = -1;
    if (record.name.empty() || record.name.size() > kMaxLogName) {
        record.lastError = ENAMETOOLONG;
        if (!record.name.empty()) reportOpenFailure(record);
        return -1;
    }
    // The log is opened for every line: the usual case costs open, write and
    // close; only a failed open looks further.
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
    if (fd < 0) {
        record.lastError = errno;
        reportOpenFailure(record);
        return -1;
    }
    if (!regularChecked(record, fd)) return -1;
    record.fd = fd;
    record.open = true;
    record.lastError = 0;
    return 0;
}

void logWriteLine(LogFileRecord& record, const char* text) {
    if (record.fd < 0) return;
    if (!text) text = "";
    const NlDateTime& now = nlDateTimeNow(record.stamp);
    const std::size_t dateLen = std::strlen(now.date), timeLen = std::strlen(now.time), len = std::strlen(text);
    const bool needLineFeed = len == 0 || text[len - 1] != '\n';
    // "<date> <time>.<ms> <text>", put together and written with one call: one
    // write per line keeps the lines of runs appending at once whole.
    const std::size_t size = dateLen + 1 + timeLen + 5 + len + (needLineFeed ? 1 : 0);
    char small[1536];
    std::string large;
    char* line = small;
    if (size > sizeof small) {
        large.resize(size);
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
    if (!writeAll(record.fd, line, static_cast<std::size_t>(p - line))) record.lastError = errno;
}

void logBoundSize(const std::string& path, int fd, std::int32_t maxKilobytes) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
    const long long roomLeft = static_cast<long long>(maxKilobytes) * 1024 - static_cast<long long>(st.st_size);
    if (roomLeft >= 1024) return;
    // Runs side by side may all find it full: only the file just written is
    // moved, never the new one another run has started meanwhile.
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || named.st_ino != st.st_ino || named.st_dev != st.st_dev) return;
    const std::string previous = path + ".1";
    ::rename(path.c_str(), previous.c_str());
}
