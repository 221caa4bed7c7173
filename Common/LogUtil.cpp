#include "LogUtil.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "naTrace.h"
#include "psclock.h"
#include "psfilehold.h"
#include "psnautil.h"
#include "ut/filemodes.h"

namespace {

constexpr int kNumberDigits = 6;
// More digits than int32 holds would wrap the number.
constexpr int kMaxNumberDigits = 9;
// Traces of a large size limit are split into "<name>.1", "<name>.2", ...
const char kSegmentedExt[] = ".trace";
// Numbers tried past the chosen one before a trace gives up on its own file.
constexpr int kMaxReserveAttempts = 1000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool allDigits(const std::string& text, std::size_t from) {
    if (from >= text.size()) return false;
    for (std::size_t i = from; i < text.size(); ++i)
        if (!isDigit(text[i])) return false;
    return true;
}

// "<component>_<number><ext>" with at least six digits and exactly that
// extension, or one of its segments "<...><ext>.<n>" when the extension has
// them; the file number, or -1. *baseLength: the length of the name without
// the segment suffix.
std::int32_t fileNumberOf(const std::string& name, const std::string& component, const std::string& ext,
                          std::size_t* baseLength) {
    if (name.compare(0, component.size(), component) != 0) return -1;
    std::size_t lastDot = name.rfind('.');
    if (lastDot == std::string::npos) return -1;
    if (ext == kSegmentedExt && lastDot > 0 && allDigits(name, lastDot + 1)) {
        *baseLength = lastDot;
        lastDot = name.rfind('.', lastDot - 1);
        if (lastDot == std::string::npos) return -1;
    } else {
        *baseLength = name.size();
    }
    if (name.compare(lastDot, *baseLength - lastDot, ext) != 0 || *baseLength - lastDot != ext.size()) return -1;
    std::size_t pos = component.size();
    if (pos >= name.size() || name[pos] != '_') return -1;
    ++pos;
    std::size_t digits = 0;
    std::int32_t number = 0;
    while (pos + digits < lastDot && isDigit(name[pos + digits])) {
        if (static_cast<int>(digits) >= kMaxNumberDigits) return -1;
        number = number * 10 + (name[pos + digits] - '0');
        ++digits;
    }
    if (static_cast<int>(digits) < kNumberDigits || pos + digits != lastDot) return -1;
    return number;
}

std::string numberedName(const std::string& component, std::int32_t number, const std::string& ext) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", static_cast<int>(number));
    return component + "_" + digits + ext;
}

std::string withoutTrailingSlash(std::string dir) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// Something an operator left that is neither a file nor a link: a directory, a
// FIFO, a device. It keeps its number from being used and is never deleted.
bool isOddEntry(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode);
}

// The number getNextLogName chooses.
std::int32_t nextLogNumber(LogConfig& config, const std::string& dir, const std::string& component,
                           const std::string& ext, bool reuse) {
    const LogFileMap files = getMatchingFilesMap(dir, component, ext);
    if (files.empty()) return 1;
    const auto& newest = *files.rbegin();
    NATRACE(TR_MAX, "lastLogName = %s\n", newest.second.c_str());
    config.newFile = true;
    if (!reuse) return newest.first + 1;
    struct stat st {};
    if (::stat(newest.second.c_str(), &st) != 0) {
        NATRACE(TR_MAX, "psFileSize failed on  = %s\n", newest.second.c_str());
        return newest.first + 1;
    }
    if (!S_ISREG(st.st_mode)) return newest.first + 1;
    const long long size = static_cast<long long>(st.st_size);
    NATRACE(TR_MAX, "psFileSize got fileSize64  = %lli\n", size);
    NATRACE(TR_MAX, "maxSize = %d\n", static_cast<int>(config.maxLogSize));
    const long long roomLeft = static_cast<long long>(config.maxLogSize) * 1024 - size;
    if (roomLeft < 1024) return newest.first + 1;
    config.newFile = false;
    return newest.first;
}

std::string dirEntry(const std::string& dir, const std::string& name) { return withoutTrailingSlash(dir) + "/" + name; }

// The number to use: a directory or FIFO at the chosen one would lose every
// line written to it, so it is passed over.
std::int32_t chooseLogNumber(LogConfig& config, const std::string& dir, const std::string& component,
                             const std::string& ext, bool reuse) {
    std::int32_t number = nextLogNumber(config, dir, component, ext, reuse);
    while (isOddEntry(dirEntry(dir, numberedName(component, number, ext)))) {
        ++number;
        config.newFile = true;
    }
    return number;
}

// Creates the first file of the trace exclusively, so that no two runs ever
// write one trace: a number another run took meanwhile is passed over. With
// hold, the file is held from its creation on; one pruned before its hold was
// taken is given up for the next number.
std::int32_t reserveTraceNumber(const std::string& dir, const std::string& component, std::int32_t number,
                                int maxLogSize, PsFileHold* hold) {
    bool madeDirectory = false;
    for (int attempt = 0; attempt < kMaxReserveAttempts; ++attempt) {
        const std::string first = naTraceFirstFile(dirEntry(dir, numberedName(component, number, ".trace")), maxLogSize);
        const int fd = ::open(first.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kPrivateFileMode);
        if (fd >= 0) {
            if (!hold) {
                ::close(fd);
                return number;
            }
            if (psHoldOpenFile(fd, *hold)) return number;
            ++number;
            continue;
        }
        if (errno == ENOENT && !madeDirectory) {
            madeDirectory = true;
            if (logMakeDirectories(withoutTrailingSlash(dir)) == 0) continue;
        }
        // Anything but "taken" is left for the trace's own open to report.
        if (errno != EEXIST) return number;
        ++number;
    }
    return number;
}

// The segment files ("<base>.1", ...) of the numbered files of a map, by base path.
std::multimap<std::string, std::string> segmentsOf(const LogFileMap& files) {
    std::multimap<std::string, std::string> segments;
    if (files.empty()) return segments;
    const std::string& any = files.begin()->second;
    const std::string dir = any.substr(0, any.rfind('/'));
    std::set<std::string> bases;
    for (const auto& entry : files) bases.insert(entry.second);
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
    while (d) {
        const dirent* entry = ::readdir(d.get());
        if (!entry) break;
        const std::string path = dir + "/" + entry->d_name;
        const std::size_t dot = path.rfind('.');
        if (dot != std::string::npos && allDigits(path, dot + 1) && bases.count(path.substr(0, dot)))
            segments.emplace(path.substr(0, dot), path);
    }
    return segments;
}

// The newest modification time of a numbered file and its segments; false when none can be read.
bool lastModified(const std::string& path, const std::multimap<std::string, std::string>& segments, long long* time) {
    bool found = false;
    auto consider = [&](const std::string& file) {
        struct stat st {};
        if (::stat(file.c_str(), &st) != 0) return;
        const long long modified = static_cast<long long>(st.st_mtime);
        if (!found || modified > *time) *time = modified;
        found = true;
    };
    consider(path);
    const auto range = segments.equal_range(path);
    for (auto it = range.first; it != range.second; ++it) consider(it->second);
    return found;
}

// Deletes a numbered file with its segments (unlink: a directory of that name
// stays); an odd entry in their place is left alone, and so is a file that a
// run still writing holds: a later run's pruning deletes it.
void removeNumbered(const std::string& path, const std::multimap<std::string, std::string>& segments) {
    std::vector<std::string> files;
    if (!isOddEntry(path)) files.push_back(path);
    const auto range = segments.equal_range(path);
    for (auto it = range.first; it != range.second; ++it)
        if (!isOddEntry(it->second)) files.push_back(it->second);
    if (!psRemoveUnlessHeld(files)) NATRACE(TR_MAX, "File \"%s\" is held by a running probe; kept\n", path.c_str());
}

}  // namespace

LogFileMap getMatchingFilesMap(const std::string& dir, const std::string& component, const std::string& ext) {
    static const char fn[] = "getMatchingFilesMap(string dir, string component, string ext)";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    LogFileMap files;
    std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dir.c_str()), ::closedir);
    if (d) {
        const std::string base = withoutTrailingSlash(dir);
        while (const dirent* entry = ::readdir(d.get())) {
            const std::string name = entry->d_name;
            std::size_t baseLength = 0;
            const std::int32_t number = fileNumberOf(name, component, ext, &baseLength);
            // A segment stands for its trace, under the trace's own name.
            if (number >= 0 && (baseLength == name.size() || !files.count(number)))
                files[number] = base + "/" + name.substr(0, baseLength);
        }
    }
    if (files.empty()) NATRACE(TR_MAX, "Found no matching file\n");
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return files;
}

std::string getNextLogName(LogConfig& config, const std::string& dir, const std::string& component,
                           const std::string& ext, bool reuse) {
    static const char fn[] = "getNextLogName";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    NATRACE(TR_MAX, "prefix = %s, ext = %s \n", component.c_str(), ext.c_str());
    const std::int32_t number = chooseLogNumber(config, dir, component, ext, reuse);
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return numberedName(component, number, ext);
}

void purgeLogFiles(const LogConfig& config, const LogFileMap& files, bool ageFlag) {
    static const char fn[] = "purgeLogFiles";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    const auto segments = segmentsOf(files);
    if (ageFlag && config.maxNumDays > 0) {
        const long long oldest = static_cast<long long>(psTimeNow()) - static_cast<long long>(config.maxNumDays) * 86400;
        for (const auto& entry : files) {
            long long modified = 0;
            if (!lastModified(entry.second, segments, &modified)) continue;
            NATRACE(TR_MAX, ">> lastModTime = %llu\n", static_cast<unsigned long long>(modified));
            if (modified < oldest) {
                removeNumbered(entry.second, segments);
                NATRACE(TR_MAX, "File \"%s\" will be deleted\n", entry.second.c_str());
            }
        }
    }
    const long long count = static_cast<long long>(files.size()) + (config.newFile ? 1 : 0);
    const long long limit = ageFlag ? config.maxNumLogs : config.maxNumRuns;
    // A negative limit is a mistake on the command line, not a wish to lose every log.
    if (limit >= 0 && count > limit) {
        long long toDelete = count - limit;
        for (auto it = files.begin(); it != files.end() && toDelete > 0; ++it, --toDelete) {
            NATRACE(TR_MAX, "File \"%s\" with run number %d will be deleted\n", it->second.c_str(),
                    static_cast<int>(it->first));
            removeNumbered(it->second, segments);
        }
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
}

std::string nameActivityLog(const std::string& installLoc, const std::string& serverName,
                            const std::string& component, const LogConfig& config, PsFileHold* hold) {
    // Without an installation the log goes where temporary files go.
    std::string dir = installLoc.empty() ? std::string("/tmp/") : installLoc + "/log/";
    if (!serverName.empty()) dir += serverName + "/";
    LogConfig settings = config;
    const LogFileMap files = getMatchingFilesMap(dir, component, ".log");
    const std::string logFile = dir + getNextLogName(settings, dir, component, ".log", true);
    if (hold) *hold = psHoldFile(logFile);
    purgeLogFiles(settings, files, true);
    return logFile;
}

std::string nameTraceFile(const std::string& logFile, const std::string& installLoc, const std::string& component,
                          int componentNumber, const LogConfig& config, PsFileHold* hold) {
    const std::size_t slash = logFile.rfind('/');
    const std::string dir = (logFile.empty() || slash == std::string::npos)
                                ? withoutTrailingSlash(installLoc + "/log/")
                                : logFile.substr(0, slash);
    LogConfig settings = config;
    const LogFileMap files = getMatchingFilesMap(dir, component, ".trace");
    std::string name = "agent.trace";
    if (componentNumber != 0) {
        const std::int32_t chosen = chooseLogNumber(settings, dir, component, ".trace", false);
        name = numberedName(component, reserveTraceNumber(dir, component, chosen, config.maxLogSize, hold), ".trace");
    }
    purgeLogFiles(settings, files, true);
    return dir + "/" + name;
}

std::string nameDataFile(const std::string& installLoc, const std::string& serverName, const std::string& component) {
    std::string path = installLoc + "/output/";
    if (!serverName.empty()) path += serverName + "/";
    return path + component + ".dat";
}
