// Catalog texts as data: reading a raw catalog text (severity letter, extra
// code) and placing inserts into it. Pure functions that never read past the
// text they are given, whatever its counts say.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One insert, already taken from the caller's argument list.
struct MsgArg {
    enum class Kind : std::uint8_t { Int, Double, Str, Ptr };
    Kind kind = Kind::Int;
    std::int64_t i = 0;  // integers (bit pattern of unsigned values) and pointers
    double d = 0;
    std::string s;

    static MsgArg ofInt(std::int64_t v) { MsgArg a; a.i = v; return a; }
    static MsgArg ofDouble(double v) { MsgArg a; a.kind = Kind::Double; a.d = v; return a; }
    static MsgArg ofStr(const char* v) { MsgArg a; a.kind = Kind::Str; a.s = v ? v : "(null)"; return a; }
};

enum class MsgTextStatus { Ok, Corrupted, Suppressed };

struct CatalogText {
    MsgTextStatus status = MsgTextStatus::Corrupted;
    std::uint8_t severity = 0;  // 0..8
    std::string extraCode;      // the characters after a 0x12 near the end
    std::string stored;         // what is cached: 0x10 bytes already turned into NUL
};

// Severity code of a letter; -1 for a letter that is not one, -2 for "M".
int nlSeverityOfLetter(char letter);
// Reads a raw catalog text as it came from the catalog.
CatalogText nlParseCatalogText(std::string_view raw);

// Places the inserts into a stored text; no value when the text is damaged or
// its conversions do not match the inserts. A printf-like body is cut at 4,859
// characters.
std::optional<std::string> nlOrderInsert(std::string_view stored, std::uint8_t severity,
                                         const std::vector<MsgArg>& args);

// Takes the caller's arguments in the order and of the types that the stored
// text's conversions ask for; no value when the text is damaged.
std::optional<std::vector<MsgArg>> nlCollectArgs(std::string_view stored, std::uint8_t severity,
                                                 va_list args);
