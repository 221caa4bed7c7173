#include "Els.h"

#include "PayloadWriter.h"

namespace fabricsim::fcf {
namespace {

constexpr std::uint8_t kVersion = 0x20;
constexpr std::uint16_t kBufferToBufferCredit = 10;
constexpr std::uint16_t kFeatureIncreasingOffset = 0x8000;
constexpr std::uint16_t kFeatureFPort = 0x1000;
constexpr std::uint16_t kClassValid = 0x8000;

void put16(PayloadWriter& out, std::uint32_t v) {
    out.u8(static_cast<std::uint8_t>(v >> 8));
    out.u8(static_cast<std::uint8_t>(v));
}

}  // namespace

bool decodeLogin(ByteSpan payload, LoginRequest& out) {
    if (!payload.holds(0, kLoginPayloadSize)) return false;
    payload.be16(10, out.receiveSize);
    out.receiveSize &= 0x0FFF;
    out.portName = readWwn(payload.at(20));
    out.nodeName = readWwn(payload.at(28));
    return true;
}

std::vector<std::uint8_t> loginAccept(bool fabricLogin, Wwn portName, Wwn nodeName, std::uint16_t receiveSize) {
    std::vector<std::uint8_t> acc;
    PayloadWriter out(acc);
    out.u8(els::kAccept);
    out.zeros(3);
    out.u8(kVersion);
    out.u8(kVersion);
    put16(out, kBufferToBufferCredit);
    put16(out, kFeatureIncreasingOffset | (fabricLogin ? kFeatureFPort : 0));
    put16(out, receiveSize);
    if (fabricLogin) {
        out.u32(kResourceAllocationTimeoutMs);
    } else {
        put16(out, 0x00FF);  // total concurrent sequences
        put16(out, 0x001F);  // relative offset by information category
    }
    out.u32(kErrorDetectTimeoutMs);
    out.wwn(portName);
    out.wwn(nodeName);
    out.zeros(32);  // classes 1 and 2 not offered
    put16(out, kClassValid);
    out.zeros(4);
    put16(out, receiveSize);
    put16(out, 0x00FF);  // concurrent sequences
    out.zeros(3);
    out.u8(1);  // open sequences per exchange
    out.zeros(2);
    out.zeros(32);  // class 4, vendor version level
    return acc;
}

std::vector<std::uint8_t> lsAccept() { return {els::kAccept, 0, 0, 0}; }

std::vector<std::uint8_t> lsReject(std::uint8_t reason, std::uint8_t explanation) {
    return {els::kReject, 0, 0, 0, 0, reason, explanation, 0};
}

std::vector<std::uint8_t> basicAccept(std::uint16_t oxId, std::uint16_t rxId) {
    std::vector<std::uint8_t> acc;
    PayloadWriter out(acc);
    out.zeros(4);  // SEQ_ID not valid: every sequence of the exchange was aborted
    put16(out, oxId);
    put16(out, rxId);
    put16(out, 0);
    put16(out, 0xFFFF);
    return acc;
}

}  // namespace fabricsim::fcf
