#include "Els.h"

#include "PayloadWriter.h"

namespace fabricsim::fcf {
namespace {

constexpr std::uint8_t kVersion = 0x20;
constexpr std::uint16_t kBufferToBufferCredit = 10;
constexpr std::uint16_t kFeatureIncreasingOffset = 0x8000;
constexpr std::uint16_t kFeatureFPort = 0x1000;
constexpr std::uint16_t kClassValid = 0x8000;

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
    out.u16(kBufferToBufferCredit);
    out.u16(kFeatureIncreasingOffset | (fabricLogin ? kFeatureFPort : 0));
    out.u16(receiveSize);
    if (fabricLogin) {
        out.u32(kResourceAllocationTimeoutMs);
    } else {
        out.u16(0x00FF);  // total concurrent sequences
        out.u16(0x001F);  // relative offset by information category
    }
    out.u32(kErrorDetectTimeoutMs);
    out.wwn(portName);
    out.wwn(nodeName);
    out.zeros(32);  // classes 1 and 2 not offered
    out.u16(kClassValid);
    out.zeros(4);
    out.u16(receiveSize);
    out.u16(0x00FF);  // concurrent sequences
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
    out.u16(oxId);
    out.u16(rxId);
    out.u16(0);
    out.u16(0xFFFF);
    return acc;
}

}  // namespace fabricsim::fcf
