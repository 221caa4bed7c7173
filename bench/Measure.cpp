// Runs a command and reports what it cost: wall time, CPU time and peak resident
// memory, as the kernel accounts them for the command and the children it waited for.
//
// Usage: bench-measure [-o FILE] CMD [ARG...]
// Appends "wall_s=W user_s=U sys_s=S maxrss_kb=K exit=E" to FILE, or writes it
// on standard error. Exits with the command's status.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {
double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }
double seconds(const timespec& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9; }
}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    const char* report = nullptr;
    if (argc > 2 && std::strcmp(argv[1], "-o") == 0) {
        report = argv[2];
        first = 3;
    }
    if (argc <= first) {
        std::fprintf(stderr, "usage: %s [-o FILE] CMD [ARG...]\n", argv[0]);
        return 2;
    }
    timespec start{}, end{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 2;
    }
    if (child == 0) {
        execvp(argv[first], argv + first);
        std::perror(argv[first]);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child) {
        std::perror("wait4");
        return 2;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::FILE* out = report ? std::fopen(report, "a") : stderr;
    if (!out) {
        std::perror(report);
        return 2;
    }
    std::fprintf(out, "wall_s=%.6f user_s=%.6f sys_s=%.6f maxrss_kb=%ld exit=%d\n",
                 seconds(end) - seconds(start), seconds(usage.ru_utime), seconds(usage.ru_stime),
                 static_cast<long>(usage.ru_maxrss), exitCode);
    if (out != stderr) std::fclose(out);
    return exitCode;
}
