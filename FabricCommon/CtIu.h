// CT_IU header layout shared by every Generic Services request and response.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::size_t kCtHeaderSize = 16;
inline constexpr std::size_t kCtGsTypeOffset = 4;    // 0xFA management service, 0xFC directory service
inline constexpr std::size_t kCtCommandOffset = 8;    // 2 bytes: command or response code
inline constexpr std::size_t kCtMaxSizeOffset = 10;   // 2 bytes: maximum or residual size, in words
inline constexpr std::size_t kCtReasonOffset = 13;
inline constexpr std::size_t kCtExplanationOffset = 14;
inline constexpr std::size_t kCtVendorUniqueOffset = 15;

// The maximum response size a request asks for, in 4-byte words after the
// header. The field holds 16 bits, so a larger buffer asks for the most it can
// rather than a wrapped-around small value.
constexpr std::uint16_t ctMaxSizeWords(std::uint32_t responseSize) {
    if (responseSize < kCtHeaderSize) return 0;
    const std::uint32_t words = (responseSize - kCtHeaderSize) / 4;
    return words > 0xFFFFu ? std::uint16_t{0xFFFF} : static_cast<std::uint16_t>(words);
}
