#include "InstallDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

std::string normaliseAbsolute(const std::string& path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += "/" + part;
    return result.empty() ? "/" : result;
}

bool isExecutableFile(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

// An empty PATH entry means the current directory.
std::string pathEntry(const std::string& dir) { return dir.empty() ? std::string(".") : dir; }

// The full path a bare name would be run from; empty without PATH.
std::string searchPath(const std::string& name) {
    const char* env = std::getenv("PATH");
    if (!env) return std::string();
    const std::string path = env;
    const std::size_t last = path.rfind(':');
    if (last != std::string::npos) {
        std::size_t start = 0;
        while (start <= last) {
            std::size_t end = path.find(':', start);
            std::string candidate = pathEntry(path.substr(start, end - start)) + "/" + name;
            if (isExecutableFile(candidate)) return candidate;
            start = end + 1;
        }
    }
    // The last entry is taken on trust, as the shell would have found it there.
    const std::size_t from = last == std::string::npos ? 0 : last + 1;
    return pathEntry(path.substr(from)) + "/" + name;
}

std::string fromAbsolute(const std::string& programPath, std::string& programName) {
    const std::string path = normaliseAbsolute(programPath);
    const std::size_t slash = path.rfind('/');
    const std::string dir = path.substr(0, slash);
    programName = path.substr(slash + 1);
    const std::size_t dirSlash = dir.rfind('/');
    if (dirSlash != std::string::npos && dir.compare(dirSlash, 4, "/bin") == 0)
        return dir.substr(0, dirSlash);
    return std::string();
}

std::string fromRelative(const std::string& programPath, std::string& programName) {
    const std::size_t slash = programPath.rfind('/');
    programName = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    std::string full = slash == std::string::npos ? searchPath(programPath) : programPath;
    if (full.empty()) return std::string();
    if (full[0] != '/') {
        char cwd[1024];
        if (!getcwd(cwd, sizeof cwd)) return std::string();
        full = std::string(cwd) + "/" + full;
    }
    const std::size_t bin = full.rfind("/bin");
    return bin == std::string::npos ? std::string() : full.substr(0, bin);
}

}  // namespace

std::string deriveInstallDir(const char* programPath, std::string& programName) {
    if (!programPath || !*programPath) return std::string();
    const std::string path = programPath;
    return path[0] == '/' ? fromAbsolute(path, programName) : fromRelative(path, programName);
}
