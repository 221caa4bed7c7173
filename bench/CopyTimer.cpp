// Preloaded into a probe run by bench/run.sh: times the copy of the output file
// into the activity log inside the run itself. The copy opens the output file
// for reading and closes it at its end; the CPU time (user + system, of the
// process) and the wall time between that open and that close are the copy's.
//
// BENCH_COPY_FILE names the output file, BENCH_COPY_REPORT the file that gets
// "copy_cpu_us=C copy_wall_us=W" appended when the copy ends.
// fopen and fopen64 are defined here by their own names, whatever the build's file offset size.
#undef _FILE_OFFSET_BITS
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BenchClock.h"

namespace {

FILE* copyStream = nullptr;
double cpuAtOpen = 0;
double wallAtOpen = 0;

template <typename F>
F real(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

FILE* openWatched(FILE* (*next)(const char*, const char*), const char* path, const char* mode) {
    const char* watched = std::getenv("BENCH_COPY_FILE");
    const bool copy = watched && path && mode && std::strcmp(mode, "r") == 0 && std::strcmp(path, watched) == 0;
    if (copy) {
        cpuAtOpen = cpuMicros();
        wallAtOpen = wallMicros();
    }
    FILE* stream = next(path, mode);
    if (copy) copyStream = stream;
    return stream;
}
}  // namespace

// A program built with a 64-bit file offset calls fopen64, any other fopen.
extern "C" FILE* fopen(const char* path, const char* mode) {
    static auto next = real<FILE* (*)(const char*, const char*)>("fopen");
    return openWatched(next, path, mode);
}

extern "C" FILE* fopen64(const char* path, const char* mode) {
    static auto next = real<FILE* (*)(const char*, const char*)>("fopen64");
    return openWatched(next, path, mode);
}

extern "C" int fclose(FILE* stream) {
    static auto next = real<int (*)(FILE*)>("fclose");
    const int result = next(stream);
    if (stream && stream == copyStream) {
        const double cpu = cpuMicros() - cpuAtOpen, wall = wallMicros() - wallAtOpen;
        copyStream = nullptr;
        if (const char* report = std::getenv("BENCH_COPY_REPORT")) {
            if (FILE* out = std::fopen(report, "a")) {
                std::fprintf(out, "copy_cpu_us=%.0f copy_wall_us=%.0f\n", cpu, wall);
                next(out);
            }
        }
    }
    return result;
}
