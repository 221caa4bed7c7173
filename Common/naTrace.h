// The trace call every function makes, and the start/end of tracing.
#pragma once

#include <cstdint>
#include <string>

#include "ut/trace.h"

// Filled at the call site; only the part of `file` after its last '/' is printed.
struct TraceLocation {
    const char* file;
    std::uint32_t line;
};

// Trace class flags: nonzero means the class is on. Call sites pass the flag's
// current value and may test it themselves to skip costly preparation.
// TR_ENTER, TR_EXIT and the line-prefix flags TR_PREFIX, TR_TIMESTAMP, TR_PID
// and TR_TID come with the trace facility (ut/trace.h).
extern unsigned char TR_MIN;
extern unsigned char TR_MID;
extern unsigned char TR_MAX;

// The agent's classes (NA_MIN ... NA_EXIT) and the -debug words that switch them.
extern const TraceClass naTrcClassTable[];
extern const TraceAggregate naAgrClassTable[];

// Writes one trace line when classFlag is nonzero; never changes errno.
void naTrace(TraceLocation where, unsigned char classFlag, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// 0 on success, 30 when the directory or facility cannot be set up, 1 when the
// trace file cannot be opened. An empty traceFile means no tracing.
int naInitTrace(const std::string& traceFile, const std::string& debugWord, int maxLogSize);
void naEndTrace();
// The first file naInitTrace writes for that name and -maxLogSize (kilobytes).
std::string naTraceFirstFile(const std::string& traceFile, int maxLogSize);

// Cuts an unbounded text for tracing: first 4,604 characters, "<NULL>" when empty.
std::string naTraceText(const std::string& text);

#define NA_HERE (TraceLocation{__FILE__, static_cast<std::uint32_t>(__LINE__)})
// The usual call: one byte test when the class is off, no allocation.
#define NATRACE(flag, ...)                             \
    do {                                               \
        if (flag) naTrace(NA_HERE, (flag), __VA_ARGS__); \
    } while (0)
