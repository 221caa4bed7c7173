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
// private installation; returns the output file's path.
std::string runModel(const std::string& test, const std::string& command, const std::string& model);
std::string runExample(const std::string& test, const std::string& command);

// The text with each path written as its name (OLD, NEW, FILE, ...).
std::string placeholders(std::string text, const std::vector<std::pair<std::string, std::string>>& pathNames);

// Compares with tests/view/expected/<name> (as JSON documents for .json);
// VIEW_UPDATE_EXPECTED=1 rewrites the file instead.
void expectSameAsFile(const std::string& actual, const std::string& expectedName);

// --json of the file parsed back: one document naming the file, holding every
// record block of each fabric under its section.
::testing::AssertionResult jsonHoldsEveryRecord(const std::string& path);
