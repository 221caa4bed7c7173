// Ethernet frames as qemu's datagram netdev carries them (no preamble, no FCS), and the
// MAC addresses of an FCoE fabric.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ByteSpan.h"
#include "Hex.h"

namespace fabricsim::fcf {

using MacAddress = std::array<std::uint8_t, 6>;

constexpr std::uint16_t kEtherTypeVlan = 0x8100;
constexpr std::uint16_t kEtherTypeFcoe = 0x8906;
constexpr std::uint16_t kEtherTypeFip = 0x8914;
constexpr std::size_t kMinimumFrame = 60;  // without the FCS

// FIP's group addresses (FC-BB-5).
constexpr MacAddress kAllEnodeMacs{0x01, 0x10, 0x18, 0x01, 0x00, 0x01};
constexpr MacAddress kAllFcfMacs{0x01, 0x10, 0x18, 0x01, 0x00, 0x02};

struct EthernetFrame {
    MacAddress destination{};
    MacAddress source{};
    std::uint16_t etherType = 0;
    ByteSpan payload;  // after the header (and a VLAN tag), padding included
};

// False when the frame is shorter than its header. A single 802.1Q tag is skipped.
bool decodeEthernet(ByteSpan frame, EthernetFrame& out);
// Header and payload, padded with zeros to the minimum frame size.
std::vector<std::uint8_t> encodeEthernet(const MacAddress& destination, const MacAddress& source,
                                         std::uint16_t etherType, const std::vector<std::uint8_t>& payload);

std::string macText(const MacAddress& mac);  // "0e:fc:00:01:01:00"
bool isMulticast(const MacAddress& mac);

// A fabric-provided MAC address (FPMA): the fabric's FC-MAP, then the port's FC_ID.
MacAddress fabricProvidedMac(std::uint32_t fcMap, std::uint32_t fcid);

// Linux fcoe names an interface's port and node from its MAC when the NIC driver does not
// (fcoe_wwn_from_mac: NAA 2 with port 0 for the port, NAA 1 for the node), so a NIC for a
// model port gets the port WWN's low 48 bits as its MAC.
MacAddress macForPortName(Wwn portName);
Wwn fcoePortName(const MacAddress& mac);
Wwn fcoeNodeName(const MacAddress& mac);

}  // namespace fabricsim::fcf
