// Running the installed fabricprobe-view and probes of model files, for the
// view's end-to-end tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ProbeRun.h"

// Runs the staged fabricprobe-view; `input` (if any) is streamed to its standard input.
RunResult runView(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                  const std::function<void(int)>& input = nullptr);

// Probes a model (default: the example SAN) with "Topology" or "ZoningOnly" in a
// private installation; returns the output file's path. fileSizeBlocks cuts the file.
std::string runModel(const std::string& test, const std::string& command, const std::string& model,
                     ProbeRunResult* result = nullptr, const std::string& fileSizeBlocks = "");
std::string runExample(const std::string& test, const std::string& command, ProbeRunResult* result = nullptr,
                       const std::string& fileSizeBlocks = "");

// The value cells of a summary row, by its label.
std::vector<std::string> summaryRow(const std::string& table, const std::string& label);

// --json of the file parsed back: its counts per fabric are those --summary gives.
::testing::AssertionResult jsonCountsMatchSummary(const std::string& path);
