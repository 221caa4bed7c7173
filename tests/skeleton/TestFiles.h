// Scratch directories and small file helpers for the skeleton's tests.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/skeleton-test-XXXXXX";
        if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }
    std::string mkdirs(const std::string& relative) const {
        std::filesystem::create_directories(*this / relative);
        return *this / relative;
    }

private:
    std::string path_;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void spit(const std::string& path, const std::string& content, mode_t mode = 0644) {
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
    }
    chmod(path.c_str(), mode);
}

inline bool exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// A program that writes each of its arguments, NUL-terminated, to <dir>/args
// and exits with the status in <dir>/exit (0 when absent).
inline std::string writeRecorder(const std::string& dir, const std::string& name) {
    const std::string path = dir + "/" + name;
    spit(path,
         "#!/bin/sh\n"
         "d=$(dirname \"$0\")\n"
         ": > \"$d/args\"\n"
         "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$d/args\"; done\n"
         "exit $(cat \"$d/exit\" 2>/dev/null || echo 0)\n",
         0755);
    return path;
}

inline std::vector<std::string> recordedArgs(const std::string& dir) {
    std::vector<std::string> args;
    const std::string data = slurp(dir + "/args");
    std::size_t start = 0;
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\0') {
            args.push_back(data.substr(start, i - start));
            start = i + 1;
        }
    }
    return args;
}

// An argument vector that lives as long as the object.
class Argv {
public:
    Argv(std::initializer_list<std::string> args) : storage_(args) { build(); }
    explicit Argv(std::vector<std::string> args) : storage_(std::move(args)) { build(); }
    Argv(const Argv&) = delete;  // the pointers point into storage_
    Argv& operator=(const Argv&) = delete;
    int argc() const { return static_cast<int>(storage_.size()); }
    char** argv() { return pointers_.data(); }

private:
    void build() {
        for (std::string& arg : storage_) pointers_.push_back(&arg[0]);
        pointers_.push_back(nullptr);
    }
    std::vector<std::string> storage_;
    std::vector<char*> pointers_;
};
