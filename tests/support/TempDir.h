// A scratch directory of one test, removed with everything in it at the end.
#pragma once

#include <string>

class TempDir {
public:
    TempDir();  // a fresh, private directory under /tmp
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& relative) const { return path_ + "/" + relative; }
    // Writes the file and returns its path.
    std::string write(const std::string& relative, const std::string& content) const;
    std::string read(const std::string& relative) const;
    // Makes the directory with its parents and returns its path.
    std::string mkdirs(const std::string& relative) const;

private:
    std::string path_;
};
