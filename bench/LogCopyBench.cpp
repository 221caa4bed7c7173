// Times the probe's copy of an output file into the activity log, set up as the
// probe sets it up (catalog from an installation, a LogManager on a log path).
//
// Usage: bench-logcopy INSTALL_DIR OUTPUT_FILE LOG_FILE [REPEAT]
// Prints "lines=N cpu_us=C wall_us=W cpu_us_per_line=P floor_us_per_line=F" for the
// best of REPEAT copies. F is what the system calls alone cost for the same lines
// (open, write, close of LOG_FILE.floor), the least any copy that opens the log
// for every line can spend.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "BenchClock.h"
#include "LogManager.h"
#include "OutputFile.h"
#include "naNls.h"

namespace {
// The system calls of one log line and nothing else, for every piece of the output file.
double syscallFloorMicros(const std::string& output, const std::string& scratch) {
    std::vector<std::string> lines;
    std::FILE* f = std::fopen(output.c_str(), "r");
    if (!f) return 0;
    char piece[1000];
    while (std::fgets(piece, sizeof piece, f)) {
        lines.emplace_back(std::string("2024-01-01 00:00:00.000 AGT0426I ") + piece);
        if (lines.back().back() != '\n') lines.back() += '\n';
    }
    std::fclose(f);
    const double cpu0 = cpuMicros();
    for (const std::string& line : lines) {
        const int fd = ::open(scratch.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd < 0) continue;
        if (::write(fd, line.data(), line.size()) < 0) std::perror("write");
        ::close(fd);
    }
    const double cpu = cpuMicros() - cpu0;
    std::remove(scratch.c_str());
    return cpu;
}

// Pieces as the copy reads them: a line longer than 999 characters counts once per piece.
long countPieces(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return -1;
    long pieces = 0;
    char piece[1000];
    while (std::fgets(piece, sizeof piece, f)) ++pieces;
    std::fclose(f);
    return pieces;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 5) {
        std::fprintf(stderr, "usage: %s INSTALL_DIR OUTPUT_FILE LOG_FILE [REPEAT]\n", argv[0]);
        return 2;
    }
    const std::string install = argv[1], output = argv[2], logPath = argv[3];
    const int repeat = argc == 5 ? std::atoi(argv[4]) : 1;
    if (naInitNls("orxna.cat", "orxna.cat", logPath, install + "/nls") != 0) {
        std::fprintf(stderr, "%s: no catalog under %s/nls\n", argv[0], install.c_str());
        return 1;
    }
    const long pieces = countPieces(output);
    if (pieces < 0) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], output.c_str());
        return 1;
    }
    LogManager log(logPath);
    naLog = &log;
    double bestCpu = 0, bestWall = 0;
    for (int i = 0; i < (repeat > 0 ? repeat : 1); ++i) {
        const double cpu0 = cpuMicros(), wall0 = wallMicros();
        copyOutputToLog(output);
        const double cpu = cpuMicros() - cpu0, wall = wallMicros() - wall0;
        if (i == 0 || cpu < bestCpu) bestCpu = cpu;
        if (i == 0 || wall < bestWall) bestWall = wall;
    }
    naLog = nullptr;
    naEndNls();
    double bestFloor = 0;
    for (int i = 0; i < (repeat > 0 ? repeat : 1); ++i) {
        const double floor = syscallFloorMicros(output, logPath + ".floor");
        if (i == 0 || floor < bestFloor) bestFloor = floor;
    }
    std::printf("lines=%ld cpu_us=%.0f wall_us=%.0f cpu_us_per_line=%.3f floor_us_per_line=%.3f\n", pieces,
                bestCpu, bestWall, pieces ? bestCpu / pieces : 0.0, pieces ? bestFloor / pieces : 0.0);
    return 0;
}
