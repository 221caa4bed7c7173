// Output-file safe form of a text that came from the fabric.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "GsTransport.h"
#include "HexText.h"
#include "naTrace.h"

namespace {
// Characters that mean something to the output file's quoting or to its readers.
bool needsEscape(unsigned char c) {
    return !std::isprint(c) || c == '%' || c == '"' || c == '&' || c == '<' || c == '>';
}

void traceCharacterCodes(const char* input, std::size_t length) {
    try {
        std::string codes;
        codes.reserve(length * 4);
        char code[8];
        for (std::size_t i = 0; i < length; ++i) {
            std::snprintf(code, sizeof code, "%u ", static_cast<unsigned>(static_cast<unsigned char>(input[i])));
            codes += code;
        }
        NATRACE(TR_MAX, "%s\n", codes.c_str());
    } catch (const std::bad_alloc&) {
        NATRACE(TR_MAX, "cannot allocate mem for trace\n");
    }
}
}  // namespace

void hexToHexString(const char* input, char* output, std::size_t outputSize) {
    static const char fn[] = "hexToHexString()";
    NATRACE(TR_ENTER, "Enter: %s \n", fn);
    if (input == nullptr) input = "";
    const std::size_t length = std::strlen(input);
    NATRACE(TR_MAX, "cLength is %d\n", static_cast<int>(length));
    if (TR_MAX) traceCharacterCodes(input, length);

    if (output == nullptr || outputSize == 0) {
        NATRACE(TR_EXIT, "Exit: %s\n", fn);
        return;
    }
    // A character is written whole or not at all, so a full buffer never ends in half an escape.
    std::size_t j = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(input[i]);
        if (!needsEscape(c)) {
            if (j + 1 >= outputSize) break;
            NATRACE(TR_MAX, "character %c is printable i is %d j is %d\n", c, static_cast<int>(i), static_cast<int>(j));
            output[j++] = static_cast<char>(c);
        } else {
            if (j + 3 >= outputSize) break;
            NATRACE(TR_MAX, "character is not printable i is %d j is %d\n", static_cast<int>(i), static_cast<int>(j));
            output[j] = '%';
            putHexByte(output + j + 1, c);
            j += 3;
        }
    }
    output[j] = '\0';
    NATRACE(TR_MAX, "cHexStrID returned is %s\n", output);
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
}
