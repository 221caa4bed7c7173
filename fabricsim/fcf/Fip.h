// FCoE Initialization Protocol (FC-BB-5) frames: a 10-byte header and a list of
// descriptors, each a type, a length in 4-byte words (its own two bytes included) and a body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ByteSpan.h"
#include "Ethernet.h"
#include "Hex.h"

namespace fabricsim::fcf {

constexpr std::size_t kFipHeaderSize = 10;
constexpr std::uint8_t kFipVersion = 1;

namespace fipop {
constexpr std::uint16_t kDiscovery = 1;    // subcodes: 1 solicitation, 2 advertisement
constexpr std::uint16_t kLinkService = 2;  // subcodes: 1 request, 2 reply
constexpr std::uint16_t kControl = 3;      // subcodes: 1 keep-alive, 2 clear virtual links
constexpr std::uint8_t kRequest = 1;
constexpr std::uint8_t kReply = 2;
}  // namespace fipop

namespace fipflag {
constexpr std::uint16_t kFabricProvidedMac = 0x8000;
constexpr std::uint16_t kFcf = 0x0020;
constexpr std::uint16_t kAvailable = 0x0004;
constexpr std::uint16_t kSolicited = 0x0002;
}  // namespace fipflag

namespace fipdesc {
constexpr std::uint8_t kPriority = 1;
constexpr std::uint8_t kMac = 2;
constexpr std::uint8_t kName = 4;
constexpr std::uint8_t kFabric = 5;
constexpr std::uint8_t kMaxFcoeSize = 6;
constexpr std::uint8_t kFlogi = 7;
constexpr std::uint8_t kFdisc = 8;
constexpr std::uint8_t kLogo = 9;
constexpr std::uint8_t kKeepAlivePeriod = 12;
}  // namespace fipdesc

struct FipDescriptor {
    std::uint8_t type = 0;
    ByteSpan body;  // after the type and length bytes
};

struct FipMessage {
    std::uint8_t version = 0;
    std::uint16_t op = 0;
    std::uint8_t subcode = 0;
    std::uint16_t flags = 0;
    std::vector<FipDescriptor> descriptors;
};

// False when the header is short or a descriptor has length 0 or runs past the descriptor
// list, or the list past the frame. Bytes after the list (Ethernet padding) are ignored.
bool decodeFip(ByteSpan payload, FipMessage& out);

// Header and descriptors, each given whole (type, length, body: see the builders below).
std::vector<std::uint8_t> encodeFip(std::uint16_t op, std::uint8_t subcode, std::uint16_t flags,
                                    const std::vector<std::vector<std::uint8_t>>& descriptors);

// Descriptors; the body is zero-padded to whole words.
std::vector<std::uint8_t> fipDescriptor(std::uint8_t type, const std::vector<std::uint8_t>& body);
std::vector<std::uint8_t> priorityDescriptor(std::uint8_t priority);
std::vector<std::uint8_t> macDescriptor(const MacAddress& mac);
std::vector<std::uint8_t> nameDescriptor(Wwn name);
std::vector<std::uint8_t> fabricDescriptor(std::uint16_t vfid, std::uint32_t fcMap, Wwn fabricName);
std::vector<std::uint8_t> keepAlivePeriodDescriptor(std::uint32_t milliseconds);
// An ELS (FLOGI, FDISC, LOGO) encapsulated whole: two reserved bytes, FC header, payload.
std::vector<std::uint8_t> encapsulatedElsDescriptor(std::uint8_t type, const std::vector<std::uint8_t>& fcFrame);

// The FC frame inside an encapsulated ELS descriptor's body (after its two reserved bytes).
ByteSpan encapsulatedFrame(const FipDescriptor& descriptor);

}  // namespace fabricsim::fcf
