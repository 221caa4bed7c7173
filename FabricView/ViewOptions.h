// The command line of fabricprobe-view.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "LinkChecker.h"

struct ViewOptions {
    bool check = false;
    bool summary = false;
    bool dot = false;             // the graph on standard output
    std::string svgPath;          // empty: no SVG
    std::size_t maxProblems = 100;
    std::size_t maxIds = kDefaultMaxIds;
    std::string file;             // "-": standard input
    bool help = false;
};

// Fills options; returns an empty string, or what is wrong with the arguments.
std::string parseViewOptions(const std::vector<std::string>& args, ViewOptions& options);
const char* viewUsage();
