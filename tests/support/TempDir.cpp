#include "TempDir.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "Files.h"

TempDir::TempDir() {
    char pattern[] = "/tmp/fabricprobe-test-XXXXXX";
    if (!::mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::write(const std::string& relative, const std::string& content) const {
    writeFile(file(relative), content);
    return file(relative);
}

std::string TempDir::read(const std::string& relative) const { return readFile(file(relative)); }

std::string TempDir::mkdirs(const std::string& relative) const {
    makeDirs(file(relative));
    return file(relative);
}
