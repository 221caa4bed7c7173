// Splits a data line into its quoted fields. A field is '"', the value with each
// '"' written as '\"', '"'; fields are joined by single commas. A backslash is
// written as it is, so a value ending in one closes with what looks like an
// escaped quote: the split tries both readings of such a quote and keeps the one
// that makes a whole line of the section's number of fields.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct FieldSplit {
    bool ok = false;
    std::vector<std::string> fields;  // values with '\"' turned back into '"'
    std::size_t errorColumn = 0;      // 1-based, when !ok
    std::string error;                // when !ok
};

// Lines longer than this many bytes are not tried every way (kept well above any
// line the probe writes).
constexpr std::size_t kMaxSplitLine = 1 << 16;

FieldSplit splitFields(std::string_view line, int expectedFields);
