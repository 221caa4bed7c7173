// CPU time (user + system) of this process and a monotonic wall clock, in
// microseconds, for the benchmark tools.
#pragma once

#include <sys/resource.h>

#include <ctime>

inline double cpuMicros() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e6 + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
}

inline double wallMicros() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}
