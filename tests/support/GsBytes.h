// GS bytes for the tests: requests and answers built field by field as the probe or a
// switch lays them out, read back at their offsets, and as hex text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class GsBytes {
public:
    GsBytes() = default;  // no preamble: a payload, or a buffer whose preamble does not matter
    // A request's preamble: revision 1, the server's GS type and subtype, the command code
    // and the largest answer taken, in words after the preamble.
    static GsBytes request(std::uint8_t type, std::uint8_t subtype, std::uint16_t code, std::uint16_t maxWords = 0);
    // An answer's preamble: accepted (8002), or rejected (8001) with its reason and explanation.
    static GsBytes accept(std::uint8_t type, std::uint8_t subtype);
    static GsBytes reject(std::uint8_t type, std::uint8_t subtype, std::uint8_t reason, std::uint8_t explanation);

    GsBytes& u8(std::uint8_t v);
    GsBytes& be16(std::uint16_t v);
    GsBytes& be32(std::uint32_t v);
    GsBytes& wwn(const std::string& hex);  // eight bytes from 16 hex digits
    GsBytes& raw(const Bytes& bytes);
    GsBytes& pad(std::size_t n, std::uint8_t v = 0);
    // A length byte (declaredLength instead of the text's when given), the text, zeros to fieldSize.
    GsBytes& counted(const std::string& text, std::size_t fieldSize, int declaredLength = -1);
    // A name object: length byte, three reserved bytes, the text, zeros to a multiple of four.
    GsBytes& name(const std::string& text);
    GsBytes& zoneSet(const std::string& text, std::uint32_t zones) { return name(text).be32(zones); }
    GsBytes& zone(const std::string& text, std::uint32_t members) { return name(text).be32(members); }
    // A zone member: type, two reserved bytes, identifier length, identifier.
    GsBytes& member(std::uint8_t type, const Bytes& id);

    std::size_t size() const { return bytes_.size(); }
    Bytes& bytes() { return bytes_; }
    const Bytes& bytes() const { return bytes_; }
    // The bytes in a buffer of a caller's size, zero-filled after them.
    Bytes inBuffer(std::size_t bufferSize) const;
    std::string hex() const;

private:
    Bytes bytes_;
};

std::uint16_t be16At(const Bytes& b, std::size_t at);
std::uint32_t be32At(const Bytes& b, std::size_t at);
void setBe32(Bytes& b, std::size_t at, std::uint32_t v);
std::string wwnAt(const Bytes& b, std::size_t at);      // 16 hex digits
std::string fcidAt(const Bytes& b, std::size_t at);     // 6 hex digits
std::string countedAt(const Bytes& b, std::size_t at);  // the text after the length byte at `at`

std::string toHex(const Bytes& bytes);  // upper case, two digits a byte
Bytes fromHex(const std::string& hex);  // throws on anything but pairs of hex digits
