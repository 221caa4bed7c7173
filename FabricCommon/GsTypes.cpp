#include "GsTypes.h"

namespace {
constexpr char kHex[] = "0123456789ABCDEF";

std::string hexBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string text(count * 2, '0');
    for (std::size_t i = 0; i < count; ++i) {
        text[2 * i] = kHex[bytes[i] >> 4];
        text[2 * i + 1] = kHex[bytes[i] & 0x0F];
    }
    return text;
}
}  // namespace

std::string wwnText(const std::uint8_t* eightBytes) { return hexBytes(eightBytes, 8); }
std::string fcIdText(const std::uint8_t* threeBytes) { return hexBytes(threeBytes, 3); }
