// Opens the file the user named, or standard input for "-".
#pragma once

#include <cstdio>
#include <memory>
#include <string>

struct InputCloser {
    void operator()(std::FILE* f) const {
        if (f && f != stdin) std::fclose(f);
    }
};
using InputFile = std::unique_ptr<std::FILE, InputCloser>;

// nullptr and a message when the path cannot be read as an output file.
InputFile openInput(const std::string& path, std::string& error);
// "(standard input)" for "-".
std::string inputName(const std::string& path);
