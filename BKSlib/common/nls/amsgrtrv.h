// The message catalog object: English and local catalogs, a small cache of
// message records per catalog, and the building of message texts.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "amsgtext.h"

struct NLSMsg {
    std::uint16_t number = 0;
    std::uint8_t severity = 0;
    std::string extraCode;
    std::string text;  // may hold NUL bytes (compiled form)
};

struct NlsMessage {
    std::string text;
    std::uint8_t severity = 0;
};

// Guards the catalog object, its caches and the text building.
extern std::recursive_mutex nls_mutex;

// Creates the catalog object; catalogLocale names the local catalog's
// directory, or is empty to use the process's message locale.
int nlCreate(const std::string& catalogLocale, char thousandsSeparator, char decimalSeparator);
// 0, or 610 when a name is too long or the English catalog cannot be opened.
int nlOpenCatalogs(const std::string& messageDir, const std::string& localName,
                   const std::string& englishName, const std::string& errorLogPath,
                   unsigned cacheLimit = 10);
void nlDestroy();
bool nlIsSetUp();

// 0 when opened (handle set), 2 when not.
int openCat(const std::string& dir, const std::string& lang, const std::string& file, void** handle);

// The cached record of a message, read from the catalog on a miss; null when
// the message is missing, suppressed or damaged. Call with nls_mutex held.
const NLSMsg* GetMsg(unsigned number);
// The next lookup uses the English catalog.
void nlUseEnglishOnce();

std::optional<NlsMessage> nlGetMessageTextV(unsigned number, va_list inserts);
std::optional<NlsMessage> nlGetMessageTextArgs(unsigned number, const std::vector<MsgArg>& inserts);
std::optional<std::string> nlGetMessageText(unsigned number, ...);
// Severity code; 255 when the message cannot be found, 6 when the mutex cannot be taken.
int nlGetSeverity(unsigned number);
// The last catalog error report (ANS0101E, ANS0102W, ANS9999E, ...), empty when none.
std::string nlLastReport();
std::string nlErrorLogPath();
std::string nlCatalogLocale();
