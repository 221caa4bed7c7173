#include "Ethernet.h"

#include <cstdio>

#include "PayloadWriter.h"

namespace fabricsim::fcf {
namespace {

constexpr std::size_t kHeaderSize = 14;
constexpr std::size_t kVlanTagSize = 4;

MacAddress macAt(const std::uint8_t* p) {
    MacAddress mac;
    for (std::size_t i = 0; i < mac.size(); ++i) mac[i] = p[i];
    return mac;
}

std::uint64_t macValue(const MacAddress& mac) {
    std::uint64_t v = 0;
    for (std::uint8_t b : mac) v = (v << 8) | b;
    return v;
}

}  // namespace

bool decodeEthernet(ByteSpan frame, EthernetFrame& out) {
    std::uint16_t type = 0;
    if (!frame.be16(12, type)) return false;
    std::size_t header = kHeaderSize;
    if (type == kEtherTypeVlan) {
        if (!frame.be16(16, type)) return false;
        header += kVlanTagSize;
    }
    out.destination = macAt(frame.data);
    out.source = macAt(frame.data + 6);
    out.etherType = type;
    out.payload = ByteSpan{frame.data + header, frame.size - header};
    return true;
}

std::vector<std::uint8_t> encodeEthernet(const MacAddress& destination, const MacAddress& source,
                                         std::uint16_t etherType, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> frame;
    PayloadWriter out(frame);
    out.bytes(destination.data(), destination.size());
    out.bytes(source.data(), source.size());
    out.u16(etherType);
    out.bytes(payload.data(), payload.size());
    if (frame.size() < kMinimumFrame) out.zeros(kMinimumFrame - frame.size());
    return frame;
}

std::string macText(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

bool isMulticast(const MacAddress& mac) { return (mac[0] & 0x01) != 0; }

MacAddress fabricProvidedMac(std::uint32_t fcMap, std::uint32_t fcid) {
    return MacAddress{static_cast<std::uint8_t>(fcMap >> 16), static_cast<std::uint8_t>(fcMap >> 8),
                      static_cast<std::uint8_t>(fcMap),       static_cast<std::uint8_t>(fcid >> 16),
                      static_cast<std::uint8_t>(fcid >> 8),   static_cast<std::uint8_t>(fcid)};
}

MacAddress macForPortName(Wwn portName) {
    MacAddress mac;
    for (std::size_t i = 0; i < mac.size(); ++i) mac[i] = static_cast<std::uint8_t>(portName >> (8 * (5 - i)));
    return mac;
}

Wwn fcoePortName(const MacAddress& mac) { return (Wwn{2} << 60) | macValue(mac); }
Wwn fcoeNodeName(const MacAddress& mac) { return (Wwn{1} << 60) | macValue(mac); }

}  // namespace fabricsim::fcf
