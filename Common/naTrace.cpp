#include "naTrace.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstring>

#include "ut/logutils.h"

unsigned char TR_MIN = 0, TR_MID = 0, TR_MAX = 0;

const TraceClass naTrcClassTable[] = {
    {"NA_MIN", &TR_MIN, 0},
    {"NA_MID", &TR_MID, 0},
    {"NA_MAX", &TR_MAX, 0},
    {"NA_ENTER", &TR_ENTER, 0},
    {"NA_EXIT", &TR_EXIT, 0},
    {nullptr, nullptr, 0},
};

const TraceAggregate naAgrClassTable[] = {
    {"MIN", "NA_MIN"},
    {"MID", "NA_MIN NA_MID"},
    {"MAX", "NA_ENTER NA_EXIT NA_MIN NA_MID NA_MAX"},
    {nullptr, nullptr},
};

namespace {

// The trace's size limit in megabytes: -maxLogSize in kilobytes, at least 1.
unsigned long traceMegabytes(int maxLogSize) {
    const int megabytes = maxLogSize / 1024;
    return megabytes > 0 ? static_cast<unsigned long>(megabytes) : 1UL;
}

void clearAgentClasses() {
    for (const TraceClass* c = naTrcClassTable; c->name; ++c) *c->flag = 0;
}

}  // namespace

void naTrace(TraceLocation where, unsigned char classFlag, const char* format, ...) {
    if (!classFlag) return;
    const int savedErrno = errno;
    const char* file = where.file ? where.file : "";
    const char* slash = std::strrchr(file, '/');
    va_list args;
    va_start(args, format);
    trPrintf(slash ? slash + 1 : file, where.line, format, args);
    va_end(args);
    errno = savedErrno;
}

int naInitTrace(const std::string& traceFile, const std::string& debugWord, int maxLogSize) {
    if (trInit(9, static_cast<unsigned>(::syscall(SYS_gettid)), trTIDProc) != 0) return 30;
    if (traceFile.empty()) return 0;
    trSetMaxSize(traceMegabytes(maxLogSize));
    const std::size_t slash = traceFile.rfind('/');
    if (slash != std::string::npos) {
        if (slash == 0) return 30;
        if (logMakeDirectories(traceFile.substr(0, slash)) != 0) return 30;
    }
    trSetClasses("PID TID", true, ClassTable, AggregateTable);
    trSetClasses(debugWord.c_str(), false, naTrcClassTable, naAgrClassTable);
    if (trOpen(traceFile.c_str(), true) != 0) {
        trTerm();
        clearAgentClasses();
        return 1;
    }
    return 0;
}

std::string naTraceFirstFile(const std::string& traceFile, int maxLogSize) {
    return trFirstFileName(traceFile, traceMegabytes(maxLogSize));
}

void naEndTrace() {
    trStop(true);
    trTerm();
    clearAgentClasses();
}

std::string naTraceText(const std::string& text) {
    if (text.empty()) return "<NULL>";
    return text.substr(0, 4604);
}
