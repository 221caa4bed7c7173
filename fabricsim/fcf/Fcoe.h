// FCoE encapsulation (FC-BB-5): an FC frame between a start-of-frame and an end-of-frame
// delimiter, with the frame's CRC, as the Ethernet payload of ethertype 0x8906.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ByteSpan.h"

namespace fabricsim::fcf {

namespace sof {
constexpr std::uint8_t kInitiate3 = 0x2E;  // first frame of a class 3 sequence
constexpr std::uint8_t kNormal3 = 0x36;
}  // namespace sof

namespace eof {
constexpr std::uint8_t kNormal = 0x41;
constexpr std::uint8_t kTerminate = 0x42;  // last frame of a sequence
}  // namespace eof

// Version and reserved bytes, then SOF; after the frame its CRC (little-endian, as the
// kernel reads it) and EOF with three reserved bytes.
constexpr std::size_t kFcoeHeaderSize = 14;
constexpr std::size_t kFcoeTrailerSize = 8;

// The FC frame CRC (FC-FS: the CRC-32 of IEEE 802.3) over header and payload.
std::uint32_t fcCrc(const std::uint8_t* data, std::size_t size);

std::vector<std::uint8_t> encapsulateFc(std::uint8_t startOfFrame, const std::vector<std::uint8_t>& fcFrame,
                                        std::uint8_t endOfFrame);

struct FcoeFrame {
    std::uint8_t version = 0;      // upper four bits of the first byte
    std::uint8_t startOfFrame = 0;
    std::uint8_t endOfFrame = 0;
    ByteSpan fc;                   // FC header and payload
    bool crcGood = false;
};

// The Ethernet payload of an FCoE frame: the FC frame is what lies between the header and
// the last 8 bytes. False when there is no room for an FC header between them.
bool decapsulateFc(ByteSpan payload, FcoeFrame& out);

}  // namespace fabricsim::fcf
