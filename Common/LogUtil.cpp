#include "LogUtil.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "naTrace.h"
#include "psclock.h"

namespace {

constexpr int kNumberDigits = 6;
// More digits than int32 holds would wrap the number.
constexpr int kMaxNumberDigits = 9;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// "<component>_<number><ext>" with at least six digits and exactly that
// extension; the file number, or -1.
std::int32_t fileNumberOf(const std::string& name, const std::string& component, const std::string& ext) {
    if (name.compare(0, component.size(), component) != 0) return -1;
    const std::size_t lastDot = name.rfind('.');
    if (lastDot == std::string::npos || name.compare(lastDot, std::string::npos, ext) != 0) return -1;
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
            const std::int32_t number = fileNumberOf(name, component, ext);
            if (number >= 0) files[number] = base + "/" + name;
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
    const LogFileMap files = getMatchingFilesMap(dir, component, ext);
    std::int32_t number = 1;
    if (!files.empty()) {
        const auto& newest = *files.rbegin();
        NATRACE(TR_MAX, "lastLogName = %s\n", newest.second.c_str());
        number = newest.first + 1;
        config.newFile = true;
        struct stat st {};
        if (reuse) {
            if (::stat(newest.second.c_str(), &st) != 0) {
                NATRACE(TR_MAX, "psFileSize failed on  = %s\n", newest.second.c_str());
            } else {
                const long long size = static_cast<long long>(st.st_size);
                NATRACE(TR_MAX, "psFileSize got fileSize64  = %lli\n", size);
                NATRACE(TR_MAX, "maxSize = %d\n", static_cast<int>(config.maxLogSize));
                const long long roomLeft = static_cast<long long>(config.maxLogSize) * 1024 - size;
                if (roomLeft >= 1024) {
                    number = newest.first;
                    config.newFile = false;
                }
            }
        }
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return numberedName(component, number, ext);
}

void purgeLogFiles(const LogConfig& config, const LogFileMap& files, bool ageFlag) {
    static const char fn[] = "purgeLogFiles";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    if (ageFlag && config.maxNumDays > 0) {
        const long long oldest = static_cast<long long>(psTimeNow()) - static_cast<long long>(config.maxNumDays) * 86400;
        for (const auto& [number, path] : files) {
            struct stat st {};
            if (::stat(path.c_str(), &st) != 0) continue;
            const long long modified = static_cast<long long>(st.st_mtime);
            NATRACE(TR_MAX, ">> lastModTime = %llu\n", static_cast<unsigned long long>(modified));
            if (modified < oldest) {
                std::remove(path.c_str());
                NATRACE(TR_MAX, "File \"%s\" will be deleted\n", path.c_str());
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
            std::remove(it->second.c_str());
        }
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
}

std::string nameActivityLog(const std::string& installLoc, const std::string& serverName,
                            const std::string& component, const LogConfig& config) {
    // Without an installation the log goes where temporary files go.
    std::string dir = installLoc.empty() ? std::string("/tmp/") : installLoc + "/log/";
    if (!serverName.empty()) dir += serverName + "/";
    LogConfig settings = config;
    const LogFileMap files = getMatchingFilesMap(dir, component, ".log");
    const std::string logFile = dir + getNextLogName(settings, dir, component, ".log", true);
    purgeLogFiles(settings, files, true);
    return logFile;
}

std::string nameTraceFile(const std::string& logFile, const std::string& installLoc, const std::string& component,
                          int componentNumber, const LogConfig& config) {
    const std::size_t slash = logFile.rfind('/');
    const std::string dir = (logFile.empty() || slash == std::string::npos)
                                ? withoutTrailingSlash(installLoc + "/log/")
                                : logFile.substr(0, slash);
    LogConfig settings = config;
    const LogFileMap files = getMatchingFilesMap(dir, component, ".trace");
    const std::string name =
        componentNumber == 0 ? std::string("agent.trace") : getNextLogName(settings, dir, component, ".trace", false);
    purgeLogFiles(settings, files, true);
    return dir + "/" + name;
}

std::string nameDataFile(const std::string& installLoc, const std::string& serverName, const std::string& component) {
    std::string path = installLoc + "/output/";
    if (!serverName.empty()) path += serverName + "/";
    return path + component + ".dat";
}
