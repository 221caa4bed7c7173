// The trace output: opening, the ring file with its header, line prefixes,
// wrapping, segments, closing and stopping.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../nls/amsgtime.h"
#include "buildinfo.h"
#include "filemodes.h"
#include "logutils.h"
#include "traceheader.h"
#include "traceinternal.h"

TraceState* traceObj = nullptr;

namespace {

TraceState theState;

constexpr std::uint64_t kMiB = 1048576;
// A limit of this many megabytes or more is split into segment files.
constexpr unsigned long kSegmentedFrom = 1001;
constexpr unsigned long kDefaultSegmentSize = 1000;
// Room kept free past every line: the end marker and the longest wrap notice
// always fit, so a full ring never grows past its limit.
constexpr std::uint64_t kWrapReserve = 64;
const char kEndOfData[] = "\nEND OF DATA\n\n";

unsigned currentThreadId() { return static_cast<unsigned>(::syscall(SYS_gettid)); }

// What a stop forgets: the file's name, size and segments.
void resetSizing(TraceState& s) {
    s.maxSize = s.segmentSize = 0;
    s.numSegments = 1;
    s.currentSegment = 1;
    s.ringMode = false;
    s.sizeGiven = false;
    s.openedOnce = false;
    s.firstSwitch = true;
    s.configuredName.clear();
}

void resetState(TraceState& s) {
    resetSizing(s);
    s.fd = -1;
    s.console = nullptr;
    s.dataStart = s.nextWrite = 0;
    s.lastThread = 0;
    s.clientType = 0;
    s.consoleFlag = true;
    s.actualName.clear();
    s.previousSegment = 0;
    s.lastSegmentSize = 0;
    s.segmentSwitch = false;
    s.active = false;
    s.tidProc = nullptr;
}

bool writeAt(int fd, std::uint64_t offset, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool equalsNoCase(const std::string& a, const char* b) {
    return ::strcasecmp(a.c_str(), b) == 0;
}

bool isConsoleName(const std::string& name) {
    return equalsNoCase(name, "STDOUT") || equalsNoCase(name, "STDERR") || equalsNoCase(name, "CONSOLE");
}

std::uint64_t limitBytes(const TraceState& s) {
    unsigned long mb = s.maxSize;
    if (s.numSegments > 1) mb = s.currentSegment == s.numSegments ? s.lastSegmentSize : s.segmentSize;
    return static_cast<std::uint64_t>(mb) * kMiB;
}

void applySegmentSize(TraceState& s, unsigned long size) {
    if (size == 0) return;
    if (s.maxSize == 0) {
        s.segmentSize = size;
        return;
    }
    s.segmentSize = size < s.maxSize ? size : s.maxSize;
    s.numSegments = (s.maxSize - 1) / s.segmentSize + 1;
    s.lastSegmentSize = s.maxSize % s.segmentSize;
    if (s.lastSegmentSize == 0) s.lastSegmentSize = s.segmentSize;
}

void nameActual(TraceState& s) {
    s.actualName = s.configuredName;
    if (s.numSegments > 1 && !isConsoleName(s.configuredName))
        s.actualName += "." + std::to_string(s.currentSegment);
}

bool openOutputLocked(TraceState& s);
void closeOutputLocked(TraceState& s);

// Before every ring write of n bytes: go back to the start of the data (or on
// to the next segment) when the line would not fit.
bool wrapCheck(TraceState& s, std::size_t n) {
    if (s.nextWrite + n + kWrapReserve <= limitBytes(s)) return true;
    char notice[96];
    if (s.numSegments <= 1)
        std::snprintf(notice, sizeof notice, "\nContinued at beginning of file\n\n");
    else
        std::snprintf(notice, sizeof notice, "\nContinued at beginning of segment %lu\n\n",
                      s.currentSegment % s.numSegments + 1);
    if (!writeAt(s.fd, s.nextWrite, notice, std::strlen(notice))) return false;
    s.nextWrite = s.dataStart;
    if (s.numSegments > 1) {
        s.segmentSwitch = true;
        closeOutputLocked(s);
        s.previousSegment = s.currentSegment;
        s.currentSegment = s.currentSegment % s.numSegments + 1;
        const bool reopened = openOutputLocked(s);
        s.segmentSwitch = false;
        if (!reopened) return false;
    }
    return true;
}

bool ringWrite(TraceState& s, std::string data) {
    // A line larger than the whole ring is cut rather than written past its end.
    auto capacity = [&s]() -> std::uint64_t {
        const std::uint64_t limit = limitBytes(s);
        return limit > s.dataStart + kWrapReserve ? limit - s.dataStart - kWrapReserve : 0;
    };
    if (data.size() > capacity()) {
        data.resize(capacity());
        if (!data.empty()) data.back() = '\n';
    }
    if (!wrapCheck(s, data.size())) return false;
    if (data.size() > capacity()) {  // the next segment may be smaller
        data.resize(capacity());
        if (!data.empty()) data.back() = '\n';
    }
    if (!writeAt(s.fd, s.nextWrite, data.data(), data.size())) return false;
    s.nextWrite += data.size();
    const std::string field = formatTraceNextField(s.nextWrite);
    if (!writeAt(s.fd, kTraceNextFieldOffset, field.data(), field.size())) return false;
    return writeAt(s.fd, s.nextWrite, kEndOfData, sizeof kEndOfData - 1);
}

bool createRing(TraceState& s) {
    if (::ftruncate(s.fd, 0) != 0) return false;
    const std::string header = formatTraceHeader(std::nullopt, s.maxSize, buildDate);
    if (!writeAt(s.fd, 0, header.data(), header.size())) return false;
    s.dataStart = s.nextWrite = header.size();
    const std::string field = formatTraceNextField(s.nextWrite);
    return writeAt(s.fd, kTraceNextFieldOffset, field.data(), field.size());
}

// An earlier run's file is continued only when its header can be trusted and
// it fits the current limit; anything else is created anew.
bool continueOrCreateRing(TraceState& s, bool existed) {
    if (existed && s.numSegments == 1) {
        char head[kTraceHeaderLineMax];
        ssize_t got = ::pread(s.fd, head, sizeof head, 0);
        struct stat st {};
        if (got > 0 && ::fstat(s.fd, &st) == 0) {
            const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
            const std::uint64_t limit = static_cast<std::uint64_t>(s.maxSize) * kMiB;
            auto h = parseTraceHeader(head, static_cast<std::size_t>(got), size);
            const std::string sizeLine = formatTraceSizeLine(s.maxSize, buildDate);
            if (h && size <= limit && h->maxMegabytes <= s.maxSize &&
                h->nextWrite + kWrapReserve <= limit &&
                kTraceSizeFieldOffset + sizeLine.size() == h->firstLineLength) {
                s.dataStart = h->firstLineLength;
                s.nextWrite = h->nextWrite;
                return writeAt(s.fd, kTraceSizeFieldOffset, sizeLine.data(), sizeLine.size());
            }
        }
    }
    return createRing(s);
}

// Opens a regular file without following a symbolic link: a link in the
// trace file's place is removed, never written through.
int openTraceFile(const std::string& name, int flags, bool* existed) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd = ::open(name.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, kPrivateFileMode);
        if (fd < 0 && errno == ELOOP && attempt == 0 && ::unlink(name.c_str()) == 0) continue;
        if (fd < 0) return -1;
        struct stat st {};
        const bool asked = ::fstat(fd, &st) == 0;
        if (!asked || !S_ISREG(st.st_mode)) {
            const int error = asked ? logNotRegularError(st.st_mode) : errno;
            ::close(fd);
            errno = error;
            return -1;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        *existed = st.st_size > 0;
        return fd;
    }
    return -1;
}

bool openOutputLocked(TraceState& s) {
    nameActual(s);
    if (equalsNoCase(s.actualName, "STDOUT") || equalsNoCase(s.actualName, "STDERR")) {
        s.console = equalsNoCase(s.actualName, "STDOUT") ? stdout : stderr;
        s.ringMode = false;
        return true;
    }
    if (equalsNoCase(s.actualName, "CONSOLE")) return false;  // no console is ever installed here
    bool existed = false;
    if (s.ringMode) {
        s.fd = openTraceFile(s.actualName, O_RDWR | O_CREAT, &existed);
        if (s.fd < 0) return false;
        bool ok = s.segmentSwitch ? createRing(s) : continueOrCreateRing(s, existed);
        if (ok) {
            char notice[80];
            if (s.segmentSwitch)
                std::snprintf(notice, sizeof notice, "Continued from end of segment %lu\n\n", s.previousSegment);
            else
                std::snprintf(notice, sizeof notice, "BEGINNING NEW TRACE\n\n");
            ok = ringWrite(s, notice);
        }
        if (!ok) {
            ::close(s.fd);
            s.fd = -1;
        }
        return ok;
    }
    s.fd = openTraceFile(s.actualName, O_WRONLY | O_APPEND | O_CREAT, &existed);
    if (s.fd < 0) return false;
    char banner[200];
    std::snprintf(banner, sizeof banner,
                  "ORX Trace   Vexlo Orxan 5.1.1.14  \nBuild Date: %s\nBEGINNING NEW TRACE\n\n", buildDate);
    if (!writeAll(s.fd, banner, std::strlen(banner))) {
        ::close(s.fd);
        s.fd = -1;
        return false;
    }
    return true;
}

void closeOutputLocked(TraceState& s) {
    if (s.fd >= 0) {
        if (s.ringMode && !s.segmentSwitch) {
            static const char closing[] = "\nEND OF DATA - close\n\n";
            writeAt(s.fd, s.nextWrite, closing, sizeof closing - 1);
        }
        if (::close(s.fd) != 0 && s.consoleFlag)
            std::printf("Unable to close trace output file %s: %s \n", s.actualName.c_str(), std::strerror(errno));
        s.fd = -1;
    }
    if (s.console) std::fflush(s.console);
    s.console = nullptr;
    s.actualName.clear();
}

std::string linePrefix(TraceState& s, std::string* banner) {
    std::string prefix;
    char buf[128];
    if (TR_TIMESTAMP) {
        NlDateTime now = nlDateTimeNow();
        std::snprintf(buf, sizeof buf, "%s %s.%03lu ", now.date, now.time, now.millis);
        prefix += buf;
    }
    if (TR_PID) {
        std::snprintf(buf, sizeof buf, "[%.6u] ", static_cast<unsigned>(::getpid()));
        prefix += buf;
    }
    if (TR_TID && s.tidProc) {
        char bannerBuf[128] = "";
        char tag[48] = "";
        s.tidProc(bannerBuf, sizeof bannerBuf, tag, sizeof tag);
        *banner = bannerBuf;
        prefix += tag;
    }
    if (TR_TIMESTAMP || TR_PID || TR_TID) prefix += ": ";
    return prefix;
}

// Writes finished text to the current output; false when the write failed.
bool emit(TraceState& s, const std::string& text) {
    if (s.console) {
        if (!s.consoleFlag) return true;
        return std::fputs(text.c_str(), s.console) >= 0 && std::fflush(s.console) == 0;
    }
    if (s.fd < 0) return true;
    if (s.ringMode) return ringWrite(s, text);
    return writeAll(s.fd, text.data(), text.size());
}

// Runs f on the trace state under its lock; nothing while no trace is set up.
template <class F>
void underLock(F f) {
    if (!traceObj) return;
    std::lock_guard<std::recursive_mutex> lock(traceObj->mutex);
    f(*traceObj);
}

}  // namespace

int trInit(int clientType, unsigned threadId, TraceTidProc tidProc) {
    if (traceObj) return 0;
    resetState(theState);
    traceObj = &theState;
    trClearClassFlags(ClassTable);
    theState.lastThread = threadId;
    theState.clientType = clientType;
    theState.tidProc = tidProc;
    return 0;
}

void trTerm() {
    underLock([](TraceState& s) {
        closeOutputLocked(s);
        trClearClassFlags(ClassTable);
        resetState(s);
    });
    traceObj = nullptr;
}

int trSetMaxSize(unsigned long megabytes) {
    if (!traceObj || megabytes == 0) return 0;
    std::lock_guard<std::recursive_mutex> lock(traceObj->mutex);
    TraceState& s = *traceObj;
    s.maxSize = megabytes;
    s.ringMode = true;
    s.sizeGiven = true;
    if (s.segmentSize > 0 || megabytes >= kSegmentedFrom)
        applySegmentSize(s, s.segmentSize ? s.segmentSize : kDefaultSegmentSize);
    return 0;
}

std::string trFirstFileName(const std::string& name, unsigned long megabytes) {
    return megabytes >= kSegmentedFrom ? name + ".1" : name;
}

int trSetSegmentSize(unsigned long megabytes) {
    underLock([megabytes](TraceState& s) { applySegmentSize(s, megabytes); });
    return 0;
}

int trSetFileName(const char* name) {
    if (!traceObj) return -1;
    if (!name || !*name || std::strlen(name) >= 1024) {
        std::printf("Invalid trace file name\n");
        return -1;
    }
    std::string n = name;
    if (n[0] == '"' || n[0] == '\'') {
        const char q = n[0];
        n.erase(0, 1);
        if (!n.empty() && n.back() == q) n.pop_back();
        if (n.empty()) {
            std::printf("Invalid trace file name\n");
            return -1;
        }
    }
    if (!isConsoleName(n) && n.find('/') == std::string::npos) {
        std::size_t blanks = n.find_first_not_of(' ');
        n.erase(0, blanks == std::string::npos ? n.size() : blanks);
        std::string dir;
        if (const char* pwd = std::getenv("PWD"); pwd && *pwd) {
            dir = pwd;
        } else {
            char cwd[4096];
            if (::getcwd(cwd, sizeof cwd)) dir = cwd;
        }
        n = dir + "/" + n;
    }
    std::lock_guard<std::recursive_mutex> lock(traceObj->mutex);
    if (traceObj->configuredName.empty()) traceObj->configuredName = n;
    nameActual(*traceObj);
    return 0;
}

int trOpen(const char* name, bool announce) {
    if (!traceObj) return 426;
    int rc = trSetFileName(name);
    if (rc != 0) return rc;
    std::lock_guard<std::recursive_mutex> lock(traceObj->mutex);
    TraceState& s = *traceObj;
    if (s.fd < 0 && !s.console && !openOutputLocked(s)) {
        const std::string failed = s.actualName;
        if (s.consoleFlag) std::printf("Unable to open trace output file %s\n", failed.c_str());
        trStop(true);
        return 426;
    }
    if (!s.openedOnce) {
        s.openedOnce = true;
        if (s.sizeGiven) {
            TR_TIMESTAMP = 1;
            TR_PREFIX = 1;
        }
        s.active = true;
        if (s.console) {
            trLibPrintf(__FILE__, __LINE__, s.console == stdout ? "Tracing to stdout\n" : "Tracing to stderr\n");
        } else if (announce) {
            trLibPrintf(__FILE__, __LINE__, "Tracing to file: %s\n", s.actualName.c_str());
            trLibPrintf(__FILE__, __LINE__, "Tracefile maximum length set to %lu MB.\n", s.maxSize);
            NlDateTime now = nlDateTimeNow();
            trLibPrintf(__FILE__, __LINE__, "%s\n", std::string(64, '-').c_str());
            trLibPrintf(__FILE__, __LINE__, "%s %s - Trace begun.\n", now.date, now.time);
        }
    }
    s.active = true;
    return 0;
}

void trClose() {
    underLock(closeOutputLocked);
}

void trStop(bool closeOutput) {
    underLock([closeOutput](TraceState& s) {
        trClearClassFlags(ClassTable);
        if (closeOutput) closeOutputLocked(s);
        resetSizing(s);
    });
}

int trIsActive() {
    TraceState* s = traceObj;
    if (!s || !s->active) return 0;
    if (s->console) return s->consoleFlag ? 1 : 0;
    return s->fd >= 0 ? 1 : 0;
}

int trOutput(const char* line) {
    if (!traceObj || !line) return 0;
    std::lock_guard<std::recursive_mutex> lock(traceObj->mutex);
    TraceState& s = *traceObj;
    if (s.fd < 0 && !s.console) return 0;
    std::string banner;
    std::string text = linePrefix(s, &banner);
    text += line;
    bool ok = banner.empty() || emit(s, banner);
    ok = ok && emit(s, text);
    if (!ok) {
        const std::string failed = s.actualName;
        trStop(true);
        std::printf("Unable to write to trace file %s. Tracing disabled.\n", failed.c_str());
        return -1;
    }
    return static_cast<int>(text.size());
}

void trTIDProc(char* banner, std::size_t bannerSize, char* tag, std::size_t tagSize) {
    const unsigned tid = currentThreadId();
    if (tag && tagSize) std::snprintf(tag, tagSize, "[%u] ", tid);
    if (!banner || !bannerSize) return;
    banner[0] = '\0';
    if (!traceObj || traceObj->lastThread == tid) return;
    traceObj->lastThread = tid;
    const int type = traceObj->clientType;
    const char* kind = type == 6 ? "CAD    " : (type == 7 || type == 12) ? "Agent  " : "       ";
    std::snprintf(banner, bannerSize, "\n%32s thread %s%2d================>\n", "New", kind, 0);
}

const char* trActualName() { return traceObj ? traceObj->actualName.c_str() : ""; }
