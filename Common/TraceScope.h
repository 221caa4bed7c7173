// A function's Enter and Exit lines, so that no return path forgets its Exit line.
#pragma once

#include "naTrace.h"

// The line of every error return, "function <fn> exiting error status <status>"; returns status.
inline int traceErrorReturn(const char* fn, int status) {
    NATRACE(TR_MIN, "function %s exiting error status %d\n", fn, status);
    return status;
}

// "Enter: <fn>" when made; the Exit line, given the status passed to exit() or
// error(), when it goes out of scope. The Exit line is the caller's lambda, so
// that its format is a literal the compiler checks. A return that traces no
// Exit line (a failed writer) calls quiet() first.
template <class ExitLine>
class TraceScope {
public:
    TraceScope(const char* fn, ExitLine exitLine) : fn_(fn), exitLine_(exitLine) {
        NATRACE(TR_ENTER, "Enter: %s\n", fn);
    }
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;
    ~TraceScope() {
        if (armed_) exitLine_(status_);
    }

    int exit(int status) {
        status_ = status;
        return status;
    }
    // An error return: "function %s exiting error status %d" first.
    int error(int status) { return exit(traceErrorReturn(fn_, status)); }
    int quiet(int status) {
        armed_ = false;
        return status;
    }

private:
    const char* fn_;
    ExitLine exitLine_;
    int status_ = 0;
    bool armed_ = true;
};

// "Exit: %s" alone.
struct PlainExit {
    const char* fn;
    void operator()(int) const { NATRACE(TR_EXIT, "Exit: %s\n", fn); }
};

