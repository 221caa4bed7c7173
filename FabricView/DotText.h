// Texts for Graphviz: labels made valid UTF-8 and short, and DOT string quoting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

// The value as a label line: bytes that are not UTF-8 read as Latin-1, control
// characters as '?', cut to maxChars characters with an ellipsis.
std::string labelText(std::string_view value, std::size_t maxChars = 40);

// A DOT double-quoted string; '\n' in text becomes a centred line break.
std::string dotQuote(std::string_view text);

// The note "… <n> <things> not drawn" as the node named node, only when n is not 0.
void writeNotDrawnNote(std::ostream& out, const std::string& node, std::uint64_t n, const char* one, const char* many);
