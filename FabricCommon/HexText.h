// Upper-case hexadecimal text of raw bytes: the one encoding behind WWN and
// port-identifier texts, trace dumps and escaped characters.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr char kHexDigits[] = "0123456789ABCDEF";

// Writes the byte's two digits at out; returns the position after them.
inline char* putHexByte(char* out, std::uint8_t byte) {
    out[0] = kHexDigits[byte >> 4];
    out[1] = kHexDigits[byte & 0x0F];
    return out + 2;
}

// The text of N bytes in a fixed buffer, so that formatting allocates nothing.
template <std::size_t N>
struct HexText {
    char text[2 * N + 1];
};

template <std::size_t N>
HexText<N> hexText(const std::uint8_t* bytes) {
    HexText<N> t;
    char* out = t.text;
    for (std::size_t i = 0; i < N; ++i) out = putHexByte(out, bytes[i]);
    *out = '\0';
    return t;
}
