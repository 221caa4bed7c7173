// Hexadecimal texts of World Wide Names, port identifiers and raw bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fabricsim {

// A World Wide Name as a number whose most significant byte goes first on the wire.
using Wwn = std::uint64_t;

// Exactly `digits` hexadecimal digits, either case.
bool parseHexDigits(std::string_view text, std::size_t digits, std::uint64_t& out);
// Pairs of hexadecimal digits; blanks between bytes are allowed.
bool parseHexBytes(std::string_view text, std::vector<std::uint8_t>& out);

std::string hexText(std::uint64_t value, int digits);  // upper case
inline std::string wwnText(Wwn wwn) { return hexText(wwn, 16); }
inline std::string fcidText(std::uint32_t fcid) { return hexText(fcid, 6); }

Wwn readWwn(const std::uint8_t* bytes);
void writeWwn(Wwn wwn, std::uint8_t* bytes);

}  // namespace fabricsim
