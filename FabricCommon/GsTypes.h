// Small value types shared by the HBA access, the transport and discovery.
#pragma once

#include <cstddef>
#include <cstdint>

#include "HexText.h"

using HbaHandle = std::uint32_t;  // 0: no adapter open

// A World Wide Name: 8 bytes in wire order.
struct Wwn {
    std::uint8_t bytes[8];
};

// 16 upper-case hexadecimal digits ("%02X" per byte).
using WwnText = HexText<8>;
inline WwnText formatWwn(const std::uint8_t* eightBytes) { return hexText<8>(eightBytes); }
inline WwnText formatWwn(const Wwn& wwn) { return formatWwn(wwn.bytes); }
// A 3-byte FC port identifier, most significant byte first.
using FcId = std::uint8_t[3];
// 6 upper-case hexadecimal digits of a 3-byte port identifier.
using FcIdText = HexText<3>;
inline FcIdText formatFcId(const std::uint8_t* threeBytes) { return hexText<3>(threeBytes); }
