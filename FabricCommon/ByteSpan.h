// A read-only view of a response buffer whose accessors never read past it.
#pragma once

#include <cstddef>
#include <cstdint>

struct ByteSpan {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;

    // True when [offset, offset + length) lies inside the span.
    bool holds(std::size_t offset, std::size_t length) const {
        return offset <= size && length <= size - offset;
    }
    // Big-endian reads; false (and out untouched) when they would leave the span.
    bool u8(std::size_t offset, std::uint8_t& out) const {
        if (!holds(offset, 1)) return false;
        out = data[offset];
        return true;
    }
    bool be16(std::size_t offset, std::uint16_t& out) const {
        if (!holds(offset, 2)) return false;
        out = static_cast<std::uint16_t>((data[offset] << 8) | data[offset + 1]);
        return true;
    }
    bool be32(std::size_t offset, std::uint32_t& out) const {
        if (!holds(offset, 4)) return false;
        out = (std::uint32_t(data[offset]) << 24) | (std::uint32_t(data[offset + 1]) << 16) |
              (std::uint32_t(data[offset + 2]) << 8) | std::uint32_t(data[offset + 3]);
        return true;
    }
    const std::uint8_t* at(std::size_t offset) const { return data + offset; }
};
