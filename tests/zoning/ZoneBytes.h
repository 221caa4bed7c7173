// Builds zone server responses byte by byte, as a switch would send them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ZoneBytes {
public:
    // Starts with an accepted CT header.
    ZoneBytes() : bytes_(16, 0) {
        bytes_[0] = 0x01;
        bytes_[4] = 0xFA;
        bytes_[5] = 0x03;
        bytes_[8] = 0x80;
        bytes_[9] = 0x02;
    }
    ZoneBytes& u8(std::uint8_t v) {
        bytes_.push_back(v);
        return *this;
    }
    ZoneBytes& be32(std::uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(std::uint8_t(v >> shift));
        return *this;
    }
    // Length byte, three reserved bytes, the name, padding to a multiple of 4.
    ZoneBytes& name(const std::string& text) {
        u8(std::uint8_t(text.size())).u8(0).u8(0).u8(0);
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        while (bytes_.size() % 4) bytes_.push_back(0);
        return *this;
    }
    // A zone set object header: name and zone count.
    ZoneBytes& zoneSet(const std::string& text, std::uint32_t zones) { return name(text).be32(zones); }
    ZoneBytes& zone(const std::string& text, std::uint32_t members) { return name(text).be32(members); }
    // Member object: type, two reserved bytes, identifier length, identifier.
    ZoneBytes& member(std::uint8_t type, const std::vector<std::uint8_t>& id) {
        u8(type).u8(0).u8(0).u8(std::uint8_t(id.size()));
        bytes_.insert(bytes_.end(), id.begin(), id.end());
        return *this;
    }
    ZoneBytes& pad(std::size_t n, std::uint8_t v = 0) {
        bytes_.insert(bytes_.end(), n, v);
        return *this;
    }
    std::size_t size() const { return bytes_.size(); }
    std::vector<std::uint8_t>& bytes() { return bytes_; }
    // The bytes in a buffer of a caller's size, zero-filled after the answer.
    std::vector<std::uint8_t> inBuffer(std::size_t bufferSize) const {
        std::vector<std::uint8_t> out(bytes_);
        out.resize(bufferSize, 0);
        return out;
    }

private:
    std::vector<std::uint8_t> bytes_;
};
