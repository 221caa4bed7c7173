// Which catalog language a process uses.
#pragma once

#include <string>

// The language from LANG (or, when unset, the message locale), cut at its first
// "." and with the short names mapped: "C"/"POSIX" -> "en_US", "ja" -> "ja_JP", ...
std::string nlChooseLanguage(const char* lang, const char* messageLocale);
// The languages that name their catalog directly; others use the process's message locale.
bool nlIsCatalogLocale(const std::string& language);
// A shorter directory name to try when the full one has no catalog:
// "zh_TW.BIG5" -> "Zh_TW", "xx.yy" -> "xx", two letters -> the table's locale
// ("en_US" for an unknown one; *unknown is then set).
std::string nlShortLanguage(const std::string& language, bool* unknown);
