#include "amsglang.h"

#include <cstring>

namespace {

struct LanguageRow {
    const char* code;
    const char* locale;
};

const LanguageRow kLanguages[] = {
    {"Ja", "Ja_JP"}, {"Zh", "Zh_CN"}, {"de", "de_DE"}, {"en", "en_US"}, {"es", "es_ES"}, {"fr", "fr_FR"},
    {"it", "it_IT"}, {"ja", "ja_JP"}, {"ko", "ko_KR"}, {"pt", "pt_BR"}, {"zh", "zh_CN"},
};

}  // namespace

std::string nlChooseLanguage(const char* lang, const char* messageLocale) {
    std::string language = (lang && *lang) ? lang : (messageLocale && *messageLocale) ? messageLocale : "C";
    const std::size_t dot = language.find('.');
    if (dot != std::string::npos) language.erase(dot);
    if (language == "C" || language == "POSIX" || language.empty()) return "en_US";
    if (language == "ja" || language == "japanese") return "ja_JP";
    if (language == "zh" || language == "chinese") return "zh_CN";
    if (language == "ko" || language == "korean") return "ko_KR";
    if (language == "tchinese") return "zh_TW";
    return language;
}

bool nlIsCatalogLocale(const std::string& language) {
    static const char* const direct[] = {"en_US", "ja_JP", "zh_CN", "zh_TW", "ko_KR", "Ja_JP", "Zh_TW", "Zh_CN"};
    for (const char* d : direct)
        if (language == d) return true;
    return false;
}

std::string nlShortLanguage(const std::string& language, bool* unknown) {
    if (unknown) *unknown = false;
    if (language == "zh_TW.BIG5") return "Zh_TW";
    const std::size_t dot = language.find('.');
    if (dot != std::string::npos) return language.substr(0, dot);
    if (language.size() == 2) {
        for (const LanguageRow& row : kLanguages)
            if (language == row.code) return row.locale;
        if (unknown) *unknown = true;
        return "en_US";
    }
    return language;
}
