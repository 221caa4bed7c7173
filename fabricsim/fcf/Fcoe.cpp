#include "Fcoe.h"

#include <array>

#include "FcHeader.h"

namespace fabricsim::fcf {
namespace {

constexpr std::array<std::uint32_t, 256> crcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = crcTable();

}  // namespace

std::uint32_t fcCrc(const std::uint8_t* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

std::vector<std::uint8_t> encapsulateFc(std::uint8_t startOfFrame, const std::vector<std::uint8_t>& fcFrame,
                                        std::uint8_t endOfFrame) {
    std::vector<std::uint8_t> out(kFcoeHeaderSize - 1, 0);  // version 0 and reserved bytes
    out.push_back(startOfFrame);
    out.insert(out.end(), fcFrame.begin(), fcFrame.end());
    const std::uint32_t crc = fcCrc(fcFrame.data(), fcFrame.size());
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
    out.push_back(endOfFrame);
    out.insert(out.end(), 3, 0);
    return out;
}

bool decapsulateFc(ByteSpan payload, FcoeFrame& out) {
    if (!payload.holds(0, kFcoeHeaderSize + kFrameHeaderSize + kFcoeTrailerSize)) return false;
    const std::size_t fcSize = payload.size - kFcoeHeaderSize - kFcoeTrailerSize;
    const std::uint8_t* trailer = payload.data + kFcoeHeaderSize + fcSize;
    const std::uint32_t crc = std::uint32_t(trailer[0]) | (std::uint32_t(trailer[1]) << 8) |
                              (std::uint32_t(trailer[2]) << 16) | (std::uint32_t(trailer[3]) << 24);
    out.version = payload.data[0] >> 4;
    out.startOfFrame = payload.data[kFcoeHeaderSize - 1];
    out.endOfFrame = trailer[4];
    out.fc = ByteSpan{payload.data + kFcoeHeaderSize, fcSize};
    out.crcGood = fcCrc(out.fc.data, fcSize) == crc;
    return true;
}

}  // namespace fabricsim::fcf
