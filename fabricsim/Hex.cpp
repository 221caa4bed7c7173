#include "Hex.h"

namespace fabricsim {
namespace {

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

bool parseHexDigits(std::string_view text, std::size_t digits, std::uint64_t& out) {
    if (text.size() != digits || digits > 16) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        int d = digitValue(c);
        if (d < 0) return false;
        value = (value << 4) | static_cast<std::uint64_t>(d);
    }
    out = value;
    return true;
}

bool parseHexBytes(std::string_view text, std::vector<std::uint8_t>& out) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    std::size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size()) return false;
        int hi = digitValue(c);
        int lo = digitValue(text[i + 1]);
        if (hi < 0 || lo < 0) return false;
        bytes.push_back(static_cast<std::uint8_t>((hi << 4) | lo));
        i += 2;
    }
    out.swap(bytes);
    return true;
}

std::string hexText(std::uint64_t value, int digits) {
    static const char hex[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = hex[value & 0xF];
        value >>= 4;
    }
    return text;
}

Wwn readWwn(const std::uint8_t* bytes) {
    Wwn wwn = 0;
    for (int i = 0; i < 8; ++i) wwn = (wwn << 8) | bytes[i];
    return wwn;
}

void writeWwn(Wwn wwn, std::uint8_t* bytes) {
    for (int i = 7; i >= 0; --i) {
        bytes[i] = static_cast<std::uint8_t>(wwn & 0xFF);
        wwn >>= 8;
    }
}

}  // namespace fabricsim
