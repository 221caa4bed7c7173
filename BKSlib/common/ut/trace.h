// The process's trace facility: class switches, the output (a size-limited ring
// file, a plain file, standard output or standard error) and line prefixes.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <string>

// Class flags of the runtime library; nonzero means on.
extern unsigned char TR_ERROR, TR_GENERAL, TR_NLS, TR_EVENT, TR_FILEOPS, TR_MEMORY, TR_THREAD,
    TR_TEST, TR_EXTRC, TR_EXTRC_DETAIL, TR_INSTRUMENT, TR_STATUSLOG, TR_CLIENTTYPE;
// Shared with the agent's own classes and the line prefixes.
extern unsigned char TR_ENTER, TR_EXIT, TR_PREFIX, TR_TIMESTAMP, TR_PID, TR_TID;

struct TraceClass {
    const char* name;  // null ends the table
    unsigned char* flag;
    int detail;
};

struct TraceAggregate {
    const char* name;  // null ends the table
    const char* expansion;  // blank-separated class, aggregate or "-"negated names
};

extern const TraceClass ClassTable[];
extern const TraceAggregate AggregateTable[];

struct TraceState;
extern TraceState* traceObj;  // null until trInit

using TraceTidProc = void (*)(char* banner, std::size_t bannerSize, char* tag, std::size_t tagSize);

int trInit(int clientType, unsigned threadId, TraceTidProc tidProc);
void trTerm();
// 0, or -1 when a word matches nothing (printed unless quiet).
int trSetClasses(const char* words, bool quiet, const TraceClass* classes,
                 const TraceAggregate* aggregates);
int trSetMaxSize(unsigned long megabytes);
// The first file a trace of that name and size limit writes: the name itself, or
// its first segment ("<name>.1") when the limit makes segments.
std::string trFirstFileName(const std::string& name, unsigned long megabytes);
int trSetSegmentSize(unsigned long megabytes);
// 0, or -1 with "Invalid trace file name" printed.
int trSetFileName(const char* name);
// 0, or 426 when the output cannot be opened.
int trOpen(const char* name, bool announce);
void trClose();
void trStop(bool closeOutput);
int trIsActive();
// Characters written, negative on failure.
int trOutput(const char* line);
// Formats one line ("\n" added when the format lacks it); returns the text's
// length, 0 when tracing is not active, 102 when memory runs out.
int trPrintf(const char* baseName, unsigned line, const char* format, va_list args)
    __attribute__((format(printf, 3, 0)));
// The library's own lines: bounded to one fixed area, the caller tests the flag.
int trLibPrintf(const char* file, unsigned line, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
void trTIDProc(char* banner, std::size_t bannerSize, char* tag, std::size_t tagSize);

// Name of the file now written (with its segment suffix), empty without one.
const char* trActualName();

#define TR_LIB(flag, ...)                                          \
    do {                                                           \
        if (flag) trLibPrintf(__FILE__, __LINE__, __VA_ARGS__);    \
    } while (0)
