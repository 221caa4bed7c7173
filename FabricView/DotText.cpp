#include "DotText.h"

#include "CountText.h"

namespace {

// Length of the valid UTF-8 sequence at text[i], or 0.
std::size_t utf8Length(std::string_view text, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned min = 0;
    if (c >= 0xC2 && c <= 0xDF) { length = 2; min = 0x80; }
    else if (c >= 0xE0 && c <= 0xEF) { length = 3; min = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { length = 4; min = 0x10000; }
    else return 0;
    if (i + length > text.size()) return 0;
    unsigned code = c & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char d = static_cast<unsigned char>(text[i + k]);
        if ((d & 0xC0) != 0x80) return 0;
        code = (code << 6) | (d & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string labelText(std::string_view value, std::size_t maxChars) {
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < value.size(); ++chars) {
        if (chars == maxChars) {
            out += "\xE2\x80\xA6";  // an ellipsis
            break;
        }
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c < 0x20 || c == 0x7F) {
            out += '?';
            ++i;
        } else if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
        } else if (std::size_t n = utf8Length(value, i)) {
            out.append(value.substr(i, n));
            i += n;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
            ++i;
        }
    }
    return out;
}

std::string dotQuote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

void writeNotDrawnNote(std::ostream& out, const std::string& node, std::uint64_t n, const char* one, const char* many) {
    if (n == 0) return;
    out << "  " << node << " [shape=note, label=" << dotQuote("\xE2\x80\xA6 " + plural(n, one, many) + " not drawn")
        << "];\n";
}
