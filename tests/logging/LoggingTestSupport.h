// Scratch directories and file helpers for the logging tests.
#pragma once

#include <cstdint>
#include <string>

// A fresh directory under the build tree, removed with its contents at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string slurp(const std::string& path);
void spit(const std::string& path, const std::string& content);
bool exists(const std::string& path);
bool isSymlink(const std::string& path);
std::uint64_t sizeOf(const std::string& path);
// Sets the file's modification time this many days into the past.
void ageFile(const std::string& path, int days);
std::size_t countOf(const std::string& haystack, const std::string& needle);

// The catalog directories: the real one the build makes, and the test one.
inline const char* realNls() { return LOGGING_REAL_NLS; }
inline const char* testNls() { return LOGGING_TEST_NLS; }
