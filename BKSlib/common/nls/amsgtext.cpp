#include "amsgtext.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

constexpr std::size_t kPrintfArea = 4859;
constexpr std::size_t kCompiledLimit = 65535;
constexpr int kMaxWidth = 4860;
constexpr int kNoWidth = -100000;

// One conversion of a printf-like text.
struct Conversion {
    std::string flags;
    int width = -1;         // -1: none
    bool widthStar = false;
    int precision = -1;     // -1: none
    bool precisionStar = false;
    std::string length;     // "", hh, h, l, ll, j, z, t
    char conv = 0;
    std::size_t size = 0;   // characters of the text it spans, '%' included

    int stars() const { return (widthStar ? 1 : 0) + (precisionStar ? 1 : 0); }
    bool wide() const { return conv == 's' && length == "l"; }
    MsgArg::Kind kind() const {
        if (conv == 's') return MsgArg::Kind::Str;
        if (conv == 'p') return MsgArg::Kind::Ptr;
        if (std::strchr("eEfgG", conv)) return MsgArg::Kind::Double;
        return MsgArg::Kind::Int;
    }
};

bool readSmallNumber(std::string_view t, std::size_t& i, int* value) {
    int v = 0;
    int digits = 0;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') {
        if (++digits > 4) return false;
        v = v * 10 + (t[i] - '0');
        ++i;
    }
    *value = v;
    return true;
}

// Reads the conversion starting at t[start] == '%'; no value for anything
// outside c d e E f g G i o p s u x X with their usual flags and lengths.
std::optional<Conversion> parseConversion(std::string_view t, std::size_t start) {
    Conversion s;
    std::size_t i = start + 1;
    while (i < t.size() && std::strchr("-+ #0", t[i]) && t[i] != '\0') s.flags += t[i++];
    if (i < t.size() && t[i] == '*') {
        s.widthStar = true;
        ++i;
    } else if (i < t.size() && t[i] >= '1' && t[i] <= '9') {
        if (!readSmallNumber(t, i, &s.width)) return std::nullopt;
    }
    if (i < t.size() && t[i] == '.') {
        ++i;
        if (i < t.size() && t[i] == '*') {
            s.precisionStar = true;
            ++i;
        } else {
            s.precision = 0;
            if (!readSmallNumber(t, i, &s.precision)) return std::nullopt;
        }
    }
    static const char* const lengths[] = {"hh", "ll", "h", "l", "j", "z", "t"};
    for (const char* l : lengths) {
        const std::size_t n = std::strlen(l);
        if (t.substr(i, n) == l) {
            s.length = l;
            i += n;
            break;
        }
    }
    if (i >= t.size() || t[i] == '\0' || !std::strchr("cdeEfgGiopsuxX", t[i])) return std::nullopt;
    s.conv = t[i++];
    const bool isInt = std::strchr("cdiouxX", s.conv) != nullptr;
    if (s.conv == 'c' && !s.length.empty()) return std::nullopt;
    if (s.conv == 's' && !s.length.empty() && s.length != "l") return std::nullopt;
    if (s.conv == 'p' && !s.length.empty()) return std::nullopt;
    if (!isInt && s.conv != 's' && s.conv != 'p' && !s.length.empty() && s.length != "l") return std::nullopt;
    s.size = i - start;
    return s;
}

// Calls onConversion(conversion) for each conversion of t, "%%" skipped; false
// when one cannot be parsed or onConversion answers false.
template <class OnConversion>
bool forEachConversion(std::string_view t, OnConversion onConversion) {
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] != '%') {
            ++i;
        } else if (i + 1 < t.size() && t[i + 1] == '%') {
            i += 2;
        } else {
            const std::optional<Conversion> cv = parseConversion(t, i);
            if (!cv || !onConversion(*cv)) return false;
            i += cv->size;
        }
    }
    return true;
}

int clampStar(std::int64_t v) {
    if (v > kMaxWidth) return kMaxWidth;
    if (v < -kMaxWidth) return -kMaxWidth;
    return static_cast<int>(v);
}

// One conversion built here from a catalog text and validated against its
// argument: a format that is data, so it is called through a plain pointer,
// which carries no format attribute for the compiler to check it against.
int (*const formatConversion)(char*, std::size_t, const char*, ...) = std::snprintf;

template <typename T>
std::string formatValue(const std::string& cv, T value) {
    char small[128];
    int n = formatConversion(small, sizeof small, cv.c_str(), value);
    if (n < 0) return std::string();
    if (static_cast<std::size_t>(n) < sizeof small) return std::string(small, static_cast<std::size_t>(n));
    std::string big(static_cast<std::size_t>(n) + 1, '\0');
    formatConversion(big.data(), big.size(), cv.c_str(), value);
    big.resize(static_cast<std::size_t>(n));
    return big;
}

// Formats one conversion with star values already resolved into its format.
std::string formatOne(const Conversion& s, int width, int precision, const MsgArg& a) {
    std::string cv = "%" + s.flags;
    if (width != kNoWidth) {
        if (width < 0) {  // a negative star width means left alignment, as in printf
            cv += '-';
            width = -width;
        }
        cv += std::to_string(width);
    }
    if (precision >= 0) cv += "." + std::to_string(precision);
    const bool isUnsigned = std::strchr("ouxX", s.conv) != nullptr;
    switch (a.kind) {
        case MsgArg::Kind::Str:
            return formatValue(cv + "s", a.s.c_str());
        case MsgArg::Kind::Ptr:
            return formatValue(cv + "p", reinterpret_cast<void*>(static_cast<std::uintptr_t>(a.i)));
        case MsgArg::Kind::Double:
            return formatValue(cv + s.conv, a.d);
        case MsgArg::Kind::Int:
            break;
    }
    if (s.conv == 'c') return formatValue(cv + "c", static_cast<int>(a.i));
    if (s.length == "ll" || s.length == "j" || s.length == "l" || s.length == "z" || s.length == "t") {
        cv += "ll";
        cv += s.conv;
        return isUnsigned ? formatValue(cv, static_cast<unsigned long long>(a.i))
                          : formatValue(cv, static_cast<long long>(a.i));
    }
    cv += s.length;
    cv += s.conv;
    return isUnsigned ? formatValue(cv, static_cast<unsigned>(a.i)) : formatValue(cv, static_cast<int>(a.i));
}

// Formats a printf-like text with args[*next...]; no value when a conversion
// is unknown, an insert is missing or of another kind.
std::optional<std::string> formatPrintf(std::string_view t, const std::vector<MsgArg>& args,
                                        std::size_t* next, std::size_t limit) {
    std::string out;
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] != '%') {
            const std::size_t stop = std::min(t.find('%', i), t.size());
            out.append(t.data() + i, stop - i);
            i = stop;
        } else if (i + 1 < t.size() && t[i + 1] == '%') {
            out += '%';
            i += 2;
        } else if (i + 1 < t.size() && t[i + 1] == 's' && *next < args.size() &&
                   args[*next].kind == MsgArg::Kind::Str) {
            // A bare %s, the usual insert: the text up to its first NUL.
            out.append(args[(*next)++].s.c_str());
            i += 2;
        } else {
            auto cv = parseConversion(t, i);
            if (!cv) return std::nullopt;
            int width = cv->width < 0 ? kNoWidth : cv->width;
            int precision = cv->precision;
            for (int star = 0; star < cv->stars(); ++star) {
                if (*next >= args.size() || args[*next].kind != MsgArg::Kind::Int) return std::nullopt;
                const int v = clampStar(args[(*next)++].i);
                if (star == 0 && cv->widthStar) width = v;
                else precision = v < 0 ? -1 : v;
            }
            if (*next >= args.size() || args[*next].kind != cv->kind()) return std::nullopt;
            out += formatOne(*cv, width, precision, args[(*next)++]);
            i += cv->size;
        }
        if (out.size() >= limit) {
            out.resize(limit);
            break;
        }
    }
    return out;
}

// The compiled form, read without trusting its counts.
struct Slot {
    std::uint8_t extra = 0;
    std::uint8_t type = 0;
    std::string conversion;
};
struct Compiled {
    std::vector<std::uint8_t> order;  // argument i fills slot order[i]
    std::vector<Slot> slots;
    std::vector<std::string> pieces;  // slots + 1
};

// A NUL-terminated string at pos; the end of the text counts as one final NUL.
bool readCString(std::string_view b, std::size_t& pos, std::string* out) {
    if (pos > b.size()) return false;
    std::size_t end = b.find('\0', pos);
    if (end == std::string_view::npos) end = b.size();
    *out = std::string(b.substr(pos, end - pos));
    pos = end + 1;
    return true;
}

MsgArg::Kind kindOfSlot(const Slot& s) { return s.type == 0 ? MsgArg::Kind::Str : MsgArg::Kind::Int; }

// A slot's conversion text must take exactly what its descriptor says comes:
// its extra integers, then one value of its type.
bool slotIsSound(const Slot& slot) {
    int conversions = 0;
    const bool parsed = forEachConversion(slot.conversion, [&](const Conversion& cv) {
        ++conversions;
        return cv.stars() == static_cast<int>(slot.extra) && cv.kind() == kindOfSlot(slot);
    });
    return parsed && conversions == 1;
}

std::optional<Compiled> parseCompiled(std::string_view b) {
    if (b.size() < 6) return std::nullopt;
    const std::size_t n = static_cast<std::uint8_t>(b[5]);
    std::size_t pos = 6;
    if (b.size() - pos < n) return std::nullopt;
    Compiled c;
    std::vector<bool> used(n, false);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t slot = static_cast<std::uint8_t>(b[pos + i]);
        if (slot >= n || used[slot]) return std::nullopt;
        used[slot] = true;
        c.order.push_back(slot);
    }
    pos += n;
    for (std::size_t i = 0; i < n; ++i) {
        if (pos > b.size() || b.size() - pos < 2) return std::nullopt;
        Slot s;
        s.extra = static_cast<std::uint8_t>(b[pos]);
        s.type = static_cast<std::uint8_t>(b[pos + 1]);
        pos += 2;
        if (s.type > 3 || !readCString(b, pos, &s.conversion) || !slotIsSound(s)) return std::nullopt;
        c.slots.push_back(std::move(s));
    }
    for (std::size_t i = 0; i <= n; ++i) {
        std::string piece;
        if (!readCString(b, pos, &piece)) return std::nullopt;
        c.pieces.push_back(std::move(piece));
    }
    return c;
}

std::optional<std::string> buildCompiled(std::string_view body, const std::vector<MsgArg>& args) {
    auto c = parseCompiled(body);
    if (!c) return std::nullopt;
    std::vector<std::string> filled(c->slots.size());
    std::size_t next = 0;
    for (std::uint8_t slotIndex : c->order) {
        const Slot& slot = c->slots[slotIndex];
        std::vector<MsgArg> slotArgs;
        for (unsigned e = 0; e <= slot.extra; ++e) {
            if (next >= args.size()) return std::nullopt;
            const MsgArg& a = args[next++];
            const MsgArg::Kind want = e < slot.extra ? MsgArg::Kind::Int : kindOfSlot(slot);
            if (a.kind != want) return std::nullopt;
            slotArgs.push_back(a);
        }
        std::size_t used = 0;
        auto text = formatPrintf(slot.conversion, slotArgs, &used, kCompiledLimit);
        if (!text || used != slotArgs.size()) return std::nullopt;
        filled[slotIndex] = std::move(*text);
    }
    std::string out = c->pieces[0];
    for (std::size_t i = 0; i < filled.size(); ++i) {
        out += filled[i];
        out += c->pieces[i + 1];
        if (out.size() > kCompiledLimit) {
            out.resize(kCompiledLimit);
            break;
        }
    }
    return out;
}

bool keepsIdentifier(std::uint8_t severity) { return severity >= 3 && severity <= 7; }

std::string wideToMultibyte(const wchar_t* w) {
    if (!w) return "(null)";
    std::string out;
    std::mbstate_t state{};
    char buf[MB_LEN_MAX];
    for (; *w && out.size() < kCompiledLimit; ++w) {
        std::size_t n = std::wcrtomb(buf, *w, &state);
        if (n == static_cast<std::size_t>(-1)) break;
        out.append(buf, n);
    }
    return out;
}

// Reads one value of a printf conversion from the caller's list.
MsgArg takeValue(const Conversion& s, va_list& ap) {
    switch (s.kind()) {
        case MsgArg::Kind::Str:
            return s.wide() ? MsgArg::ofStr(wideToMultibyte(va_arg(ap, const wchar_t*)).c_str())
                            : MsgArg::ofStr(va_arg(ap, const char*));
        case MsgArg::Kind::Ptr: {
            MsgArg a;
            a.kind = MsgArg::Kind::Ptr;
            a.i = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(va_arg(ap, void*)));
            return a;
        }
        case MsgArg::Kind::Double:
            return MsgArg::ofDouble(va_arg(ap, double));
        case MsgArg::Kind::Int:
            break;
    }
    const bool isUnsigned = std::strchr("ouxX", s.conv) != nullptr;
    if (s.length == "ll" || s.length == "j")
        return MsgArg::ofInt(isUnsigned ? static_cast<std::int64_t>(va_arg(ap, unsigned long long))
                                        : static_cast<std::int64_t>(va_arg(ap, long long)));
    if (s.length == "l" || s.length == "z" || s.length == "t")
        return MsgArg::ofInt(isUnsigned ? static_cast<std::int64_t>(va_arg(ap, unsigned long))
                                        : static_cast<std::int64_t>(va_arg(ap, long)));
    return MsgArg::ofInt(isUnsigned ? static_cast<std::int64_t>(va_arg(ap, unsigned))
                                    : static_cast<std::int64_t>(va_arg(ap, int)));
}

bool collectPrintf(std::string_view t, va_list& ap, std::vector<MsgArg>* out) {
    return forEachConversion(t, [&](const Conversion& cv) {
        for (int star = 0; star < cv.stars(); ++star) out->push_back(MsgArg::ofInt(va_arg(ap, int)));
        out->push_back(takeValue(cv, ap));
        return true;
    });
}

bool collectCompiled(std::string_view body, va_list& ap, std::vector<MsgArg>* out) {
    auto c = parseCompiled(body);
    if (!c) return false;
    for (std::uint8_t slotIndex : c->order) {
        const Slot& slot = c->slots[slotIndex];
        for (unsigned e = 0; e < slot.extra; ++e) out->push_back(MsgArg::ofInt(va_arg(ap, int)));
        if (slot.type == 0) {
            const bool wide = slot.conversion.find("ls") != std::string::npos;
            out->push_back(wide ? MsgArg::ofStr(wideToMultibyte(va_arg(ap, const wchar_t*)).c_str())
                                : MsgArg::ofStr(va_arg(ap, const char*)));
        } else if (slot.type == 3) {
            out->push_back(MsgArg::ofInt(va_arg(ap, long long)));
        } else {
            out->push_back(MsgArg::ofInt(va_arg(ap, int)));
        }
    }
    return true;
}

// The part of a stored text that holds the inserts, and the head kept before it.
void splitStored(std::string_view stored, std::uint8_t severity, std::string_view* head, std::string_view* body) {
    *head = std::string_view();
    *body = stored;
    if (keepsIdentifier(severity)) {
        const std::size_t n = stored.size() < 9 ? stored.size() : 9;
        *head = stored.substr(0, n);
        *body = stored.substr(n);
    }
}

}  // namespace

int nlSeverityOfLetter(char letter) {
    if (letter < 'E' || letter > 'Z') return -1;
    switch (letter) {
        case 'Z': return 0;
        case 'T': return 1;
        case 'R': return 2;
        case 'K': return 3;
        case 'I': return 4;
        case 'W': return 5;
        case 'E': return 6;
        case 'S': return 7;
        case 'L': return 8;
        case 'M': return -2;
        default: return -1;
    }
}

CatalogText nlParseCatalogText(std::string_view raw) {
    CatalogText ct;
    if (raw.size() <= 4) return ct;
    std::size_t pos = 4;
    while (pos < raw.size() && raw[pos] >= '0' && raw[pos] <= '9') ++pos;
    if (pos >= raw.size()) return ct;
    const std::size_t letterPos = pos;
    const std::size_t digitsAfterFirst = letterPos - 4;
    const int code = nlSeverityOfLetter(raw[letterPos]);
    if (code == -2) {
        ct.status = MsgTextStatus::Suppressed;
        return ct;
    }
    if (code < 0) return ct;

    std::string_view text = raw;
    const std::size_t searchFrom = raw.size() > 7 ? raw.size() - 7 : 0;
    for (std::size_t i = raw.size(); i-- > searchFrom;) {
        if (raw[i] == '\x12') {
            ct.extraCode = std::string(raw.substr(i + 1));
            text = raw.substr(0, i);
            break;
        }
    }
    if (letterPos >= text.size()) {  // the extra code swallowed the letter
        ct.extraCode.clear();
        return ct;
    }

    ct.severity = static_cast<std::uint8_t>(code);
    if (code == 0 || code == 1 || code == 2 || code == 8) {
        ct.stored = letterPos + 2 <= text.size() ? std::string(text.substr(letterPos + 2)) : std::string();
    } else {
        ct.stored = std::string(text);
        if (digitsAfterFirst > 3) ct.stored.erase(3, 1);
    }
    for (char& c : ct.stored)
        if (c == '\x10') c = '\0';
    ct.status = MsgTextStatus::Ok;
    return ct;
}

std::optional<std::string> nlOrderInsert(std::string_view stored, std::uint8_t severity,
                                         const std::vector<MsgArg>& args) {
    std::string_view head, body;
    splitStored(stored, severity, &head, &body);
    std::string out(head);
    if (body.empty()) return out;
    std::optional<std::string> text;
    if (body[0] == '\0') {
        text = buildCompiled(body, args);
    } else {
        std::size_t next = 0;
        text = formatPrintf(body[0] == '\x01' ? body.substr(1) : body, args, &next, kPrintfArea);
    }
    if (!text) return std::nullopt;
    return out + *text;
}

std::optional<std::vector<MsgArg>> nlCollectArgs(std::string_view stored, std::uint8_t severity, va_list args) {
    std::string_view head, body;
    splitStored(stored, severity, &head, &body);
    std::vector<MsgArg> out;
    if (body.empty()) return out;
    va_list ap;
    va_copy(ap, args);
    bool ok = body[0] == '\0' ? collectCompiled(body, ap, &out)
                              : collectPrintf(body[0] == '\x01' ? body.substr(1) : body, ap, &out);
    va_end(ap);
    if (!ok) return std::nullopt;
    return out;
}
