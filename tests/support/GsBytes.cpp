#include "GsBytes.h"

#include <stdexcept>

GsBytes GsBytes::request(std::uint8_t type, std::uint8_t subtype, std::uint16_t code, std::uint16_t maxWords) {
    GsBytes b;
    b.u8(0x01).pad(3).u8(type).u8(subtype).pad(2).be16(code).be16(maxWords).pad(4);
    return b;
}

GsBytes GsBytes::accept(std::uint8_t type, std::uint8_t subtype) { return request(type, subtype, 0x8002); }

GsBytes GsBytes::reject(std::uint8_t type, std::uint8_t subtype, std::uint8_t reason, std::uint8_t explanation) {
    GsBytes b = request(type, subtype, 0x8001);
    b.bytes_[13] = reason;
    b.bytes_[14] = explanation;
    return b;
}

GsBytes& GsBytes::u8(std::uint8_t v) {
    bytes_.push_back(v);
    return *this;
}

GsBytes& GsBytes::be16(std::uint16_t v) {
    return u8(static_cast<std::uint8_t>(v >> 8)).u8(static_cast<std::uint8_t>(v));
}

GsBytes& GsBytes::be32(std::uint32_t v) {
    return be16(static_cast<std::uint16_t>(v >> 16)).be16(static_cast<std::uint16_t>(v));
}

GsBytes& GsBytes::wwn(const std::string& hex) {
    if (hex.size() != 16) throw std::invalid_argument("not a WWN: " + hex);
    return raw(fromHex(hex));
}

GsBytes& GsBytes::raw(const Bytes& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

GsBytes& GsBytes::pad(std::size_t n, std::uint8_t v) {
    bytes_.insert(bytes_.end(), n, v);
    return *this;
}

GsBytes& GsBytes::counted(const std::string& text, std::size_t fieldSize, int declaredLength) {
    Bytes field(fieldSize, 0);
    if (fieldSize > 0) {
        field[0] =
            static_cast<std::uint8_t>(declaredLength < 0 ? text.size() : static_cast<std::size_t>(declaredLength));
        for (std::size_t i = 0; i < text.size() && i + 1 < fieldSize; ++i)
            field[i + 1] = static_cast<std::uint8_t>(text[i]);
    }
    return raw(field);
}

GsBytes& GsBytes::name(const std::string& text) {
    u8(static_cast<std::uint8_t>(text.size())).pad(3);
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return pad((4 - text.size() % 4) % 4);
}

GsBytes& GsBytes::member(std::uint8_t type, const Bytes& id) {
    return u8(type).pad(2).u8(static_cast<std::uint8_t>(id.size())).raw(id);
}

Bytes GsBytes::inBuffer(std::size_t bufferSize) const {
    Bytes out(bytes_);
    out.resize(bufferSize, 0);
    return out;
}

std::string GsBytes::hex() const { return toHex(bytes_); }

std::uint16_t be16At(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>((b.at(at) << 8) | b.at(at + 1));
}

std::uint32_t be32At(const Bytes& b, std::size_t at) {
    return (std::uint32_t(be16At(b, at)) << 16) | be16At(b, at + 2);
}

void setBe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

namespace {
std::string hexAt(const Bytes& b, std::size_t at, std::size_t n) {
    if (at + n > b.size()) throw std::out_of_range("past the answer");
    return toHex(Bytes(b.begin() + static_cast<std::ptrdiff_t>(at), b.begin() + static_cast<std::ptrdiff_t>(at + n)));
}
}  // namespace

std::string wwnAt(const Bytes& b, std::size_t at) { return hexAt(b, at, 8); }

std::string fcidAt(const Bytes& b, std::size_t at) { return hexAt(b, at, 3); }

std::string countedAt(const Bytes& b, std::size_t at) {
    const std::size_t n = b.at(at);
    if (at + 1 + n > b.size()) throw std::out_of_range("text past the answer");
    return std::string(b.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                       b.begin() + static_cast<std::ptrdiff_t>(at + 1 + n));
}

std::string toHex(const Bytes& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 0xF];
    }
    return text;
}

Bytes fromHex(const std::string& hex) {
    auto digit = [&hex](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        throw std::invalid_argument("not hex: " + hex.substr(0, 40));
    };
    if (hex.size() % 2) throw std::invalid_argument("not hex: " + hex.substr(0, 40));
    Bytes bytes;
    for (std::size_t i = 0; i < hex.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(digit(hex[i]) * 16 + digit(hex[i + 1])));
    return bytes;
}
