// The probe's output file: opened by main, borrowed by every writer, closed with a check.
#pragma once

#include <cstdio>
#include <string>

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile();

    // Creates or replaces path for writing as text; false with errno set when it
    // cannot, also when a symbolic link stands in its place (ELOOP).
    bool open(const std::string& path);
    FILE* stream() const { return stream_; }
    // Writes out what is buffered and closes. False when any of the file may be
    // missing: a write failed earlier, or the flush or the close failed (errno tells).
    bool close();

private:
    FILE* stream_ = nullptr;
};

// Copies the output file into the activity log, one AGT0426I message per line
// (a line longer than 999 characters in several pieces). Traces when it cannot.
void copyOutputToLog(const std::string& path);
