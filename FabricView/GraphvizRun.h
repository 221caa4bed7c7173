// Renders a DOT graph to SVG with the Graphviz "dot" program found on PATH.
#pragma once

#include <string>

// Writes the SVG to outPath through a temporary file beside it, so a failed run
// leaves no half picture. Returns an empty string on success, else what went wrong.
std::string renderSvg(const std::string& dot, const std::string& outPath);
