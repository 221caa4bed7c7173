#include "KeywordMatch.h"

#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>

namespace {

constexpr std::size_t kMaxKeywordChars = 2302;

// A byte the locale cannot decode stands for itself, so any argument compares.
std::wstring widen(const char* text) {
    std::wstring out;
    std::mbstate_t state{};
    std::size_t left = std::strlen(text);
    while (left > 0 && out.size() < kMaxKeywordChars) {
        wchar_t wc = 0;
        std::size_t used = std::mbrtowc(&wc, text, left, &state);
        if (used == static_cast<std::size_t>(-1) || used == static_cast<std::size_t>(-2)) {
            wc = static_cast<wchar_t>(static_cast<unsigned char>(*text));
            used = 1;
            state = std::mbstate_t{};
        } else if (used == 0) {
            break;
        }
        out += wc;
        text += used;
        left -= used;
    }
    return out;
}

}  // namespace

bool keywordEquals(const char* a, const char* b) {
    if (!a || !b) return a == b;
    const std::wstring wa = widen(a);
    const std::wstring wb = widen(b);
    if (wa.size() != wb.size()) return false;
    for (std::size_t i = 0; i < wa.size(); ++i) {
        if (std::towupper(static_cast<wint_t>(wa[i])) != std::towupper(static_cast<wint_t>(wb[i])))
            return false;
    }
    return true;
}
