// The catalog text builder: reading a raw catalog text and placing inserts into
// printf-like and compiled texts.
//
// Input: byte 0 the mode (bit 0: the text is a stored text, not a raw catalog
// text) and byte 1 the severity for a stored text; bytes 2-3 the text's length
// (big-endian); the text; then the inserts, each a kind byte (0 int, 1 double,
// 2 string, 3 pointer) and its value: 8 bytes, or a length byte and the string.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "nls/amsgtext.h"

namespace {

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;

    bool take(std::size_t n, const std::uint8_t** out) {
        if (size - at < n) return false;
        *out = data + at;
        at += n;
        return true;
    }
    bool byte(std::uint8_t* out) {
        const std::uint8_t* p;
        if (!take(1, &p)) return false;
        *out = *p;
        return true;
    }
    bool word(std::uint64_t* out) {
        const std::uint8_t* p;
        if (!take(8, &p)) return false;
        std::memcpy(out, p, 8);
        return true;
    }
};

std::vector<MsgArg> readInserts(Reader& in) {
    std::vector<MsgArg> args;
    std::uint8_t kind = 0;
    while (args.size() < 64 && in.byte(&kind)) {
        std::uint64_t value = 0;
        std::uint8_t length = 0;
        const std::uint8_t* text = nullptr;
        switch (kind % 4) {
            case 0:
                if (!in.word(&value)) return args;
                args.push_back(MsgArg::ofInt(static_cast<std::int64_t>(value)));
                break;
            case 1: {
                if (!in.word(&value)) return args;
                double d;
                std::memcpy(&d, &value, sizeof d);
                args.push_back(MsgArg::ofDouble(d));
                break;
            }
            case 2:
                if (!in.byte(&length) || !in.take(length, &text)) return args;
                args.push_back(MsgArg::ofStr(std::string(reinterpret_cast<const char*>(text), length).c_str()));
                break;
            default: {
                if (!in.word(&value)) return args;
                MsgArg a;
                a.kind = MsgArg::Kind::Ptr;
                a.i = static_cast<std::int64_t>(value);
                args.push_back(a);
                break;
            }
        }
    }
    return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    std::uint8_t mode = 0, severity = 0, hi = 0, lo = 0;
    if (!in.byte(&mode) || !in.byte(&severity) || !in.byte(&hi) || !in.byte(&lo)) return 0;
    const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(hi) << 8 | lo, size - in.at);
    const std::uint8_t* textBytes = nullptr;
    if (!in.take(length, &textBytes)) return 0;
    const std::string_view text(reinterpret_cast<const char*>(textBytes), length);
    const std::vector<MsgArg> args = readInserts(in);

    std::string_view stored = text;
    std::string parsedText;
    std::uint8_t storedSeverity = severity % 9;
    if ((mode & 1) == 0) {
        // A raw text as catgets hands it over ends at its first NUL.
        const CatalogText parsed = nlParseCatalogText(text.substr(0, text.find('\0')));
        if (parsed.status != MsgTextStatus::Ok) return 0;
        if (parsed.severity > 8) __builtin_trap();
        parsedText = parsed.stored;
        stored = parsedText;
        storedSeverity = parsed.severity;
    }
    const auto message = nlOrderInsert(stored, storedSeverity, args);
    // A printf-like body is cut at 4,859 characters, a compiled one at 65,535;
    // the head before it is at most 9.
    if (message && message->size() > 9 + 65535) __builtin_trap();
    return 0;
}
