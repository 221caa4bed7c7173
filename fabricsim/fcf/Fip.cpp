#include "Fip.h"

#include "PayloadWriter.h"

namespace fabricsim::fcf {
namespace {

constexpr std::size_t kWord = 4;

}  // namespace

bool decodeFip(ByteSpan payload, FipMessage& out) {
    std::uint16_t words = 0;
    if (!payload.holds(0, kFipHeaderSize)) return false;
    out.version = payload.data[0] >> 4;
    payload.be16(2, out.op);
    out.subcode = payload.data[5] & 0x0F;
    payload.be16(6, words);
    payload.be16(8, out.flags);
    const std::size_t end = kFipHeaderSize + std::size_t{words} * kWord;
    if (!payload.holds(0, end)) return false;
    out.descriptors.clear();
    for (std::size_t at = kFipHeaderSize; at < end;) {
        if (!payload.holds(at, 2)) return false;
        const std::size_t length = std::size_t{payload.data[at + 1]} * kWord;
        if (length == 0 || at + length > end) return false;
        out.descriptors.push_back(FipDescriptor{payload.data[at], ByteSpan{payload.data + at + 2, length - 2}});
        at += length;
    }
    return true;
}

std::vector<std::uint8_t> encodeFip(std::uint16_t op, std::uint8_t subcode, std::uint16_t flags,
                                    const std::vector<std::vector<std::uint8_t>>& descriptors) {
    std::size_t bytes = 0;
    for (const auto& d : descriptors) bytes += d.size();
    std::vector<std::uint8_t> fip;
    PayloadWriter out(fip);
    out.u8(static_cast<std::uint8_t>(kFipVersion << 4));
    out.u8(0);
    out.u16(op);
    out.u8(0);
    out.u8(subcode);
    out.u16(static_cast<std::uint32_t>(bytes / kWord));
    out.u16(flags);
    for (const auto& d : descriptors) out.bytes(d.data(), d.size());
    return fip;
}

std::vector<std::uint8_t> fipDescriptor(std::uint8_t type, const std::vector<std::uint8_t>& body) {
    std::vector<std::uint8_t> out{type, 0};
    out.insert(out.end(), body.begin(), body.end());
    out.resize((out.size() + kWord - 1) / kWord * kWord, 0);
    out[1] = static_cast<std::uint8_t>(out.size() / kWord);
    return out;
}

std::vector<std::uint8_t> priorityDescriptor(std::uint8_t priority) {
    return fipDescriptor(fipdesc::kPriority, {0, priority});
}

std::vector<std::uint8_t> macDescriptor(const MacAddress& mac) {
    return fipDescriptor(fipdesc::kMac, std::vector<std::uint8_t>(mac.begin(), mac.end()));
}

std::vector<std::uint8_t> nameDescriptor(Wwn name) {
    std::vector<std::uint8_t> body;
    PayloadWriter out(body);
    out.zeros(2);
    out.wwn(name);
    return fipDescriptor(fipdesc::kName, body);
}

std::vector<std::uint8_t> fabricDescriptor(std::uint16_t vfid, std::uint32_t fcMap, Wwn fabricName) {
    std::vector<std::uint8_t> body;
    PayloadWriter out(body);
    out.u16(vfid);
    out.u8(0);
    out.u24(fcMap);
    out.wwn(fabricName);
    return fipDescriptor(fipdesc::kFabric, body);
}

std::vector<std::uint8_t> keepAlivePeriodDescriptor(std::uint32_t milliseconds) {
    std::vector<std::uint8_t> body;
    PayloadWriter out(body);
    out.zeros(2);
    out.u32(milliseconds);
    return fipDescriptor(fipdesc::kKeepAlivePeriod, body);
}

std::vector<std::uint8_t> encapsulatedElsDescriptor(std::uint8_t type, const std::vector<std::uint8_t>& fcFrame) {
    std::vector<std::uint8_t> body{0, 0};
    body.insert(body.end(), fcFrame.begin(), fcFrame.end());
    return fipDescriptor(type, body);
}

ByteSpan encapsulatedFrame(const FipDescriptor& descriptor) {
    if (descriptor.body.size < 2) return ByteSpan{};
    return ByteSpan{descriptor.body.data + 2, descriptor.body.size - 2};
}

}  // namespace fabricsim::fcf
