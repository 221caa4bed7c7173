// The fabric probe's command line: the arguments are the input's NUL-separated
// pieces. The parse names log files and prunes old ones in the installation, so
// the program path names a scratch installation of its own; -agentcom (which
// closes descriptors the fuzzer owns) is left out. A parse that succeeds must
// name its log and trace inside the installation's log directory, with the
// paths resolved as the kernel follows them ("log/../.." does not pass).
#include <ftw.h>
#include <limits.h>
#include <stdlib.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CmdArgs.h"
#include "CmdTables.h"

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

std::string scratchInstall() {
    static std::string install = [] {
        char dir[] = "/tmp/fuzz-cmdargs-XXXXXX";
        if (!mkdtemp(dir)) __builtin_trap();
        const std::string root = dir;
        for (const std::string& d : {root + "/bin", root + "/log"})
            if (mkdir(d.c_str(), 0755) != 0) __builtin_trap();
        static std::string removed = root;
        std::atexit([] { ::nftw(removed.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS); });
        return root;
    }();
    return install;
}

// The part of path that exists through realpath (links and ".." as the kernel
// takes them), the rest with "." and ".." taken component by component.
std::string resolvedPath(const std::string& path) {
    std::vector<std::string> rest;
    std::string head = path;
    char real[PATH_MAX];
    while (!::realpath(head.c_str(), real)) {
        const std::size_t slash = head.rfind('/');
        if (slash == std::string::npos || slash == 0) return std::string();
        rest.push_back(head.substr(slash + 1));
        head.resize(slash);
    }
    std::string resolved = real;
    for (auto part = rest.rbegin(); part != rest.rend(); ++part) {
        if (part->empty() || *part == ".") continue;
        if (*part == "..") resolved.resize(resolved.rfind('/') == 0 ? 1 : resolved.rfind('/'));
        else resolved += (resolved == "/" ? "" : "/") + *part;
    }
    return resolved;
}

bool insideLogDirectory(const std::string& path, const std::string& logDir) {
    const std::string resolved = resolvedPath(path);
    return resolved.size() > logDir.size() && resolved.compare(0, logDir.size(), logDir) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string install = scratchInstall();
    std::vector<std::string> pieces(1, install + "/bin/fabricprobe");
    std::string current;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == '\0') {
            if (strcasecmp(current.c_str(), "-agentcom") == 0) return 0;
            pieces.push_back(current);
            current.clear();
            if (pieces.size() > 64) return 0;
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (size == 0) pieces.pop_back();
    std::vector<char*> argv;
    for (std::string& piece : pieces) argv.push_back(piece.data());
    argv.push_back(nullptr);

    CmdArgs args(static_cast<int>(pieces.size()), argv.data(), TOOL_FABRIC_PROBE);
    const int result = args.parse();
    if (result == CMDARGS_OK) {
        if (args.installLoc != install) __builtin_trap();
        const std::string logDir = resolvedPath(install + "/log") + "/";
        if (!insideLogDirectory(args.logFile, logDir)) __builtin_trap();
        if (!args.traceFile.empty() && !insideLogDirectory(args.traceFile, logDir)) __builtin_trap();
    }
    return 0;
}
