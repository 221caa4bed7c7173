// The command line of fabricprobe-view.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "LinkChecker.h"

// Read: check, sum up or draw one file; the others compare, convert or search.
enum class ViewMode { Read, Diff, Json, Find };

struct ViewOptions {
    ViewMode mode = ViewMode::Read;
    std::vector<std::string> files;  // in order; file is the first
    bool check = false;
    bool summary = false;
    bool dot = false;             // the graph on standard output
    std::string svgPath;          // empty: no SVG
    std::size_t maxProblems = 100;
    std::size_t maxIds = kDefaultMaxIds;
    std::string file;             // "-": standard input
    std::string wwn;              // --find, as given
    bool jsonFormat = false;      // --format json
    bool help = false;
};

// Fills options; returns an empty string, or what is wrong with the arguments.
std::string parseViewOptions(const std::vector<std::string>& args, ViewOptions& options);
const char* viewUsage();
