#include "FieldFormats.h"

bool isUpperHex(std::string_view text, std::size_t digits) {
    if (text.size() != digits) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

bool isDecimal(std::string_view text, std::int64_t low, std::int64_t high) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 10) return false;
    // "%d" writes no leading zeros and no "-0".
    if (text.size() > 1 && text.front() == '0') return false;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (negative) {
        if (value == 0) return false;
        value = -value;
    }
    return value >= low && value <= high;
}

bool isDomainPort(std::string_view text) {
    const std::size_t comma = text.find(',');
    return comma != std::string_view::npos && isDecimal(text.substr(0, comma), 0, 255) &&
           isDecimal(text.substr(comma + 1), -32768, 32767);
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::uint64_t hash64(std::string_view text, std::uint64_t seed) {
    std::uint64_t h = seed;
    for (char c : text) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}
