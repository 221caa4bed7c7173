// Small value types shared by the HBA access, the transport and discovery.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

using HbaHandle = std::uint32_t;  // 0: no adapter open

// A World Wide Name: 8 bytes in wire order.
struct Wwn {
    std::uint8_t bytes[8];
};

// 16 upper-case hexadecimal digits ("%02X" per byte).
std::string wwnText(const std::uint8_t* eightBytes);
inline std::string wwnText(const Wwn& wwn) { return wwnText(wwn.bytes); }
// 6 upper-case hexadecimal digits of a 3-byte port identifier.
std::string fcIdText(const std::uint8_t* threeBytes);
