// Appends big-endian wire values to a growing payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Hex.h"

namespace fabricsim {

class PayloadWriter {
public:
    explicit PayloadWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint32_t v) {
        u8(static_cast<std::uint8_t>(v >> 8));
        u8(static_cast<std::uint8_t>(v));
    }
    void u24(std::uint32_t v) {
        u8(static_cast<std::uint8_t>(v >> 16));
        u8(static_cast<std::uint8_t>(v >> 8));
        u8(static_cast<std::uint8_t>(v));
    }
    void u32(std::uint32_t v) {
        u8(static_cast<std::uint8_t>(v >> 24));
        u24(v);
    }
    void wwn(Wwn v) {
        std::size_t at = out_.size();
        out_.resize(at + 8);
        writeWwn(v, out_.data() + at);
    }
    void zeros(std::size_t n) { out_.insert(out_.end(), n, 0); }
    void bytes(const void* data, std::size_t n) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        out_.insert(out_.end(), p, p + n);
    }
    void text(const std::string& s) { bytes(s.data(), s.size()); }
    void padToWord() { zeros((4 - out_.size() % 4) % 4); }
    std::size_t size() const { return out_.size(); }

    // A length byte, the text, and zeros up to fieldSize (names, addresses: 256 bytes).
    void countedField(const std::string& s, std::size_t fieldSize) {
        u8(static_cast<std::uint8_t>(s.size()));
        text(s);
        zeros(fieldSize - 1 - s.size());
    }
    // A length byte, three reserved bytes, the name and zeros to a word boundary (zoning names).
    void nameObject(const std::string& s) {
        u8(static_cast<std::uint8_t>(s.size()));
        zeros(3);
        text(s);
        zeros((4 - s.size() % 4) % 4);
    }

private:
    std::vector<std::uint8_t>& out_;
};

}  // namespace fabricsim
