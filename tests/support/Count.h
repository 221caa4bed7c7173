// Counting what a text or the lines of a log hold.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

// Occurrences of part in text, none overlapping another.
inline std::size_t countOf(const std::string& text, const std::string& part) {
    if (part.empty()) return 0;
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// Lines holding every one of the parts.
template <typename... Parts>
std::size_t linesWith(const std::vector<std::string>& lines, const Parts&... parts) {
    return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return ((line.find(parts) != std::string::npos) && ...);
    }));
}

inline bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
