// Text forms of the output file's field values.
#pragma once

#include <cstdint>
#include <string_view>

bool isUpperHex(std::string_view text, std::size_t digits);
// 16 upper-case hexadecimal digits.
inline bool isWwn(std::string_view text) { return isUpperHex(text, 16); }
// A decimal number as "%d" writes it, within [low, high].
bool isDecimal(std::string_view text, std::int64_t low, std::int64_t high);
// "%d,%d": a domain 0..255 and a signed 16-bit port.
bool isDomainPort(std::string_view text);
bool startsWith(std::string_view text, std::string_view prefix);
bool endsWith(std::string_view text, std::string_view suffix);

// A 64-bit FNV-1a hash, the same on every platform.
std::uint64_t hash64(std::string_view text, std::uint64_t seed = 14695981039346656037ull);
