// Requests as the probe builds them, and big-endian reads of responses, for the simulator's tests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "GsCommand.h"
#include "Hex.h"

namespace fstest {

using Bytes = std::vector<std::uint8_t>;

// The probe's response buffer size for each command.
std::size_t probeResponseSize(fabricsim::GsCommand command);

// Preamble plus payload for a key given as text: a WWN, an FCID, a platform or zone set
// name, or nothing. Bytes 10-11 carry the maximum size for `responseSize`.
Bytes buildRequest(fabricsim::GsCommand command, const std::string& key, std::size_t responseSize);

inline std::uint32_t be32(const Bytes& b, std::size_t at) {
    return (std::uint32_t(b.at(at)) << 24) | (std::uint32_t(b.at(at + 1)) << 16) | (std::uint32_t(b.at(at + 2)) << 8) |
           b.at(at + 3);
}
inline std::uint16_t be16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>((b.at(at) << 8) | b.at(at + 1));
}
inline std::string wwnAt(const Bytes& b, std::size_t at) {
    if (at + 8 > b.size()) throw std::out_of_range("wwn past the response");
    return fabricsim::wwnText(fabricsim::readWwn(b.data() + at));
}
inline std::string fcidAt(const Bytes& b, std::size_t at) {
    return fabricsim::fcidText((std::uint32_t(b.at(at)) << 16) | (std::uint32_t(b.at(at + 1)) << 8) | b.at(at + 2));
}
// A length byte at `at`, the text right after it.
inline std::string countedAt(const Bytes& b, std::size_t at) {
    std::size_t n = b.at(at);
    if (at + 1 + n > b.size()) throw std::out_of_range("text past the response");
    return std::string(b.begin() + static_cast<long>(at) + 1, b.begin() + static_cast<long>(at + 1 + n));
}

std::string toHex(const Bytes& bytes);
Bytes fromHex(const std::string& hex);

}  // namespace fstest
