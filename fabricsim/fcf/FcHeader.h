// The 24-byte Fibre Channel frame header (FC-FS) and the values this fabric puts in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ByteSpan.h"

namespace fabricsim::fcf {

constexpr std::size_t kFrameHeaderSize = 24;

namespace rctl {
constexpr std::uint8_t kCtRequest = 0x02;   // unsolicited control (FC-GS request)
constexpr std::uint8_t kCtReply = 0x03;     // solicited control
constexpr std::uint8_t kElsRequest = 0x22;
constexpr std::uint8_t kElsReply = 0x23;
constexpr std::uint8_t kAbts = 0x81;
constexpr std::uint8_t kBasicAccept = 0x84;
}  // namespace rctl

namespace fctype {
constexpr std::uint8_t kBasicLinkService = 0x00;
constexpr std::uint8_t kExtendedLinkService = 0x01;
constexpr std::uint8_t kCt = 0x20;
}  // namespace fctype

namespace fctl {
constexpr std::uint32_t kExchangeResponder = 0x800000;
constexpr std::uint32_t kLastSequence = 0x100000;
constexpr std::uint32_t kEndSequence = 0x080000;
constexpr std::uint32_t kRelativeOffsetPresent = 0x000008;
constexpr std::uint32_t kFillBytesMask = 0x000003;
// The last frame of a reply that ends its exchange.
constexpr std::uint32_t kReply = kExchangeResponder | kLastSequence | kEndSequence;
}  // namespace fctl

namespace wellknown {
constexpr std::uint32_t kManagementServer = 0xFFFFFA;
constexpr std::uint32_t kDirectoryServer = 0xFFFFFC;
constexpr std::uint32_t kFabricController = 0xFFFFFD;
constexpr std::uint32_t kFabricLogin = 0xFFFFFE;
constexpr std::uint32_t kFirst = 0xFFFC00;  // lowest address of the well-known range
}  // namespace wellknown

struct FcHeader {
    std::uint8_t rCtl = 0;
    std::uint32_t dId = 0;
    std::uint8_t csCtl = 0;
    std::uint32_t sId = 0;
    std::uint8_t type = 0;
    std::uint32_t fCtl = 0;
    std::uint8_t seqId = 0;
    std::uint8_t dfCtl = 0;
    std::uint16_t seqCnt = 0;
    std::uint16_t oxId = 0;
    std::uint16_t rxId = 0xFFFF;
    std::uint32_t parameter = 0;
};

// Appends the 24 header bytes; 24-bit fields take the low 24 bits of their value.
void encodeFcHeader(const FcHeader& header, std::vector<std::uint8_t>& out);
// Reads the first 24 bytes of `frame`; false, with `header` untouched, when fewer arrived.
bool decodeFcHeader(ByteSpan frame, FcHeader& header);

// The header of a reply to `request`: addresses swapped, the request's OX_ID, TYPE kept.
FcHeader replyHeader(const FcHeader& request, std::uint8_t rCtl, std::uint16_t rxId);

}  // namespace fabricsim::fcf
