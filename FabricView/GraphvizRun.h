// Renders a DOT graph to SVG with the Graphviz "dot" program found on PATH.
#pragma once

#include <string>

// Writes the SVG to outPath through a temporary file created exclusively beside
// it (never through a link), so a failed run leaves no half picture and no
// temporary file. Returns an empty string on success, else what went wrong; a
// missing directory is named.
std::string renderSvg(const std::string& dot, const std::string& outPath);
