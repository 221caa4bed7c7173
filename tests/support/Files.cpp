#include "Files.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::string sourcePath(const std::string& relative) { return std::string(FABRICPROBE_SOURCE_DIR) + "/" + relative; }

std::string stagePath(const std::string& relative) { return std::string(FABRICPROBE_STAGE_DIR) + "/" + relative; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& content, int mode) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
        if (!out) throw std::runtime_error("cannot write " + path);
    }
    if (mode >= 0 && ::chmod(path.c_str(), static_cast<mode_t>(mode)) != 0)
        throw std::runtime_error("cannot set the mode of " + path);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isSymlink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

std::uint64_t sizeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

void makeDirs(const std::string& path) { std::filesystem::create_directories(path); }

void ageFile(const std::string& path, int days) {
    struct timeval now {};
    ::gettimeofday(&now, nullptr);
    struct timeval times[2] = {now, now};
    times[0].tv_sec -= static_cast<time_t>(days) * 86400;
    times[1].tv_sec -= static_cast<time_t>(days) * 86400;
    ::utimes(path.c_str(), times);
}

std::vector<std::string> filesIn(const std::string& dir, const std::string& suffix) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
        const std::string name = entry.path().filename();
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> readLines(const std::string& path) { return splitLines(readFile(path)); }

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> linesFrom(const std::vector<std::string>& lines, std::size_t first) {
    if (first >= lines.size()) return {};
    return {lines.begin() + static_cast<std::ptrdiff_t>(first), lines.end()};
}
