#include "amsgrtrv.h"

#include <nl_types.h>
#include <locale.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <list>
#include <memory>
#include <system_error>

#include "../ut/trace.h"
#include "amsglang.h"
#include "amsglog.h"

std::recursive_mutex nls_mutex;

namespace {

const char kDefaultText[] = "ANS1111M Error retrieving message %d from rvqclientV3.cat.\n";
const char kModulePath[] = "BKSlib/common/nls/amsgrtrv.cpp";
constexpr std::size_t kMaxDirLength = 1023;
constexpr std::size_t kMaxNameLength = 1279;

nl_catd badCatalog() { return reinterpret_cast<nl_catd>(-1); }

struct Catalog {
    nl_catd handle = badCatalog();
    std::string fileName;
    std::list<NLSMsg> cache;  // most recently used first
};

struct NlsObject {
    Catalog english;
    Catalog local;
    bool localIsEnglish = true;
    unsigned cacheLimit = 10;
    bool englishOnce = false;
    std::string errorLogPath;
    std::string messageDir;
    std::string lastReport;
    std::string applicationTag = "ANS";
    std::string catalogLocale;
    char thousandsSeparator = ',';
    char decimalSeparator = '.';
};

std::unique_ptr<NlsObject> nlsObject;

void flushCache(Catalog& c) {
    for (const NLSMsg& m : c.cache) TR_LIB(TR_NLS, "Flushing cache entry for message: %d\n", m.number);
    c.cache.clear();
}

void closeCatalog(Catalog& c) {
    flushCache(c);
    if (c.handle != badCatalog()) catclose(c.handle);
    c.handle = badCatalog();
}

// The local catalog may be the English one itself; it is closed once.
void closeCatalogs(NlsObject& o) {
    flushCache(o.local);
    if (!o.localIsEnglish) closeCatalog(o.local);
    o.local.handle = badCatalog();
    o.localIsEnglish = true;
    closeCatalog(o.english);
}

void report(const std::string& text) {
    if (nlsObject) nlsObject->lastReport = text;
    nlReport(text.c_str());
}

void reportMessageProblem(unsigned line, unsigned number, const char* what) {
    char buf[256];
    std::snprintf(buf, sizeof buf, "ANS9999E %s(%u): Message No %u %s.\n", kModulePath, line, number, what);
    report(buf);
}

std::optional<NlsMessage> buildMessage(unsigned number, const std::vector<MsgArg>* typed, va_list* inserts) {
    std::lock_guard<std::recursive_mutex> lock(nls_mutex);
    if (!nlsObject) return std::nullopt;
    const NLSMsg* rec = GetMsg(number);
    if (!rec) return std::nullopt;
    std::optional<std::vector<MsgArg>> collected;
    if (!typed) {
        collected = nlCollectArgs(rec->text, rec->severity, *inserts);
        if (!collected) {
            reportMessageProblem(__LINE__, number, "is corrupted");
            return std::nullopt;
        }
        typed = &*collected;
    }
    auto text = nlOrderInsert(rec->text, rec->severity, *typed);
    if (!text) {
        reportMessageProblem(__LINE__, number, "is corrupted");
        return std::nullopt;
    }
    TR_LIB(TR_NLS, "return from nlOrderInsert (char), msgLen %d:\n", static_cast<int>(text->size()));
    // Inserts may carry NUL bytes; the message ends at the first one.
    text->resize(std::strlen(text->c_str()));
    return NlsMessage{std::move(*text), rec->severity};
}

}  // namespace

int nlCreate(const std::string& catalogLocale, char thousandsSeparator, char decimalSeparator) {
    std::lock_guard<std::recursive_mutex> lock(nls_mutex);
    if (nlsObject) closeCatalogs(*nlsObject);
    nlsObject = std::make_unique<NlsObject>();
    nlsObject->catalogLocale = catalogLocale;
    nlsObject->thousandsSeparator = thousandsSeparator;
    nlsObject->decimalSeparator = decimalSeparator;
    nlsObject->applicationTag = "NQA";
    return 0;
}

int openCat(const std::string& dir, const std::string& lang, const std::string& file, void** handle) {
    TR_LIB(TR_NLS, "openCat(): lang: '%s', reposFile: '%s', dsdir: '%s', eitherCatP: %p\n", lang.c_str(),
           file.c_str(), dir.c_str(), static_cast<void*>(handle));
    if (dir.size() + lang.size() + file.size() > kMaxNameLength) {
        TR_LIB(TR_NLS, "openCat(): The passed arguments are too long\n");
        return 2;
    }
    const std::string name = file.empty() ? std::string("rvqclientV3.cat") : file;
    std::string path = dir + "/" + lang + "/" + name;
    nl_catd cat = catopen(path.c_str(), NL_CAT_LOCALE);
    if (cat == badCatalog()) cat = catopen(name.c_str(), NL_CAT_LOCALE);
    TR_LIB(TR_NLS, "catopen() returned %p (%d) errno = %d '%s'\n", static_cast<void*>(cat),
           cat == badCatalog() ? -1 : 0, errno, std::strerror(errno));
    if (cat == badCatalog()) {
        bool unknown = false;
        const std::string shorter = nlShortLanguage(lang, &unknown);
        if (unknown)
            TR_LIB(TR_NLS, "Language \"%s\" not found, substituting US English\n", lang.c_str());
        path = dir + "/" + shorter + "/" + name;
        cat = catopen(path.c_str(), NL_CAT_LOCALE);
    }
    if (cat == badCatalog()) return 2;
    *handle = static_cast<void*>(cat);
    return 0;
}

int nlOpenCatalogs(const std::string& messageDir, const std::string& localName, const std::string& englishName,
                   const std::string& errorLogPath, unsigned cacheLimit) {
    std::lock_guard<std::recursive_mutex> lock(nls_mutex);
    if (!nlsObject) return 610;
    NlsObject& o = *nlsObject;
    if (messageDir.size() > kMaxDirLength || localName.size() > kMaxNameLength ||
        englishName.size() > kMaxNameLength)
        return 610;
    closeCatalogs(o);
    o.cacheLimit = cacheLimit == 0 ? 1 : cacheLimit;
    o.messageDir = messageDir;
    o.errorLogPath = errorLogPath;

    void* handle = nullptr;
    if (openCat(messageDir, "en_US", englishName, &handle) != 0) {
        char buf[1400];
        std::snprintf(buf, sizeof buf, "ANS0101E Unable to open English message repository '%s'.\n",
                      englishName.c_str());
        report(buf);
        return 610;
    }
    o.english.handle = static_cast<nl_catd>(handle);
    o.english.fileName = englishName;

    std::string language = o.catalogLocale;
    if (language.empty()) {
        const char* current = setlocale(LC_MESSAGES, nullptr);
        language = (!current || !*current || std::strcmp(current, "C") == 0) ? "en_US" : current;
    }
    handle = nullptr;
    if (openCat(messageDir, language, localName, &handle) == 0) {
        o.local.handle = static_cast<nl_catd>(handle);
        o.local.fileName = localName;
        o.localIsEnglish = false;
    } else {
        o.local.handle = o.english.handle;
        o.local.fileName = englishName;
        o.localIsEnglish = true;
        o.catalogLocale = "en_US";
        std::string where = messageDir + "/" + language + "/" + localName;
        if (where.size() >= 1280) where = "???";
        o.lastReport = "ANS0102W Unable to open the message repository " + where +
                       ". The American English repository will be used instead.\n";
    }
    return 0;
}

void nlDestroy() {
    std::lock_guard<std::recursive_mutex> lock(nls_mutex);
    if (!nlsObject) return;
    closeCatalogs(*nlsObject);
    nlsObject.reset();
}

bool nlIsSetUp() {
    std::lock_guard<std::recursive_mutex> lock(nls_mutex);
    return nlsObject && nlsObject->english.handle != badCatalog();
}

void nlUseEnglishOnce() {
    std::lock_guard<std::recursive_mutex> lock(nls_mutex);
    if (nlsObject) nlsObject->englishOnce = true;
}

const NLSMsg* GetMsg(unsigned number) {
    std::lock_guard<std::recursive_mutex> lock(nls_mutex);
    if (!nlsObject || nlsObject->english.handle == badCatalog()) return nullptr;
    NlsObject& o = *nlsObject;
    TR_LIB(TR_NLS, "Searching for message number: %d\n", static_cast<int>(number));
    Catalog& cat = o.englishOnce ? o.english : o.local;
    o.englishOnce = false;
    for (auto it = cat.cache.begin(); it != cat.cache.end(); ++it) {
        if (it->number == number) {
            TR_LIB(TR_NLS, "Found message: %d in cache.\n", static_cast<int>(number));
            cat.cache.splice(cat.cache.begin(), cat.cache, it);
            return &cat.cache.front();
        }
    }
    if (number > 0xFFFF) {
        reportMessageProblem(__LINE__, number, "could not be found");
        return nullptr;
    }
    TR_LIB(TR_NLS, "Going to catgets() for localCatP = %p (%d)\n", static_cast<void*>(cat.handle),
           static_cast<int>(number));
    errno = 0;
    const char* raw = catgets(cat.handle, 1, static_cast<int>(number), kDefaultText);
    if (!raw || raw == kDefaultText || std::strcmp(raw, kDefaultText) == 0) {
        TR_LIB(TR_NLS, "Returned from catgets() errno = %d/%s\n", errno, std::strerror(errno));
        reportMessageProblem(__LINE__, number, "could not be found");
        return nullptr;
    }
    TR_LIB(TR_NLS, "Returned from catgets() msgP = %s\n", raw);
    CatalogText parsed = nlParseCatalogText(raw);
    if (parsed.status == MsgTextStatus::Suppressed) return nullptr;
    if (parsed.status != MsgTextStatus::Ok) {
        reportMessageProblem(__LINE__, number, "is corrupted");
        return nullptr;
    }
    NLSMsg rec;
    rec.number = static_cast<std::uint16_t>(number);
    rec.severity = parsed.severity;
    rec.extraCode = std::move(parsed.extraCode);
    rec.text = std::move(parsed.stored);
    try {
        if (cat.cache.size() >= o.cacheLimit) {
            TR_LIB(TR_NLS, "Deleting message: %d from the cache.\n", cat.cache.back().number);
            cat.cache.pop_back();
        }
        TR_LIB(TR_NLS, "Adding message: %d to the cache.\n", static_cast<int>(number));
        cat.cache.push_front(std::move(rec));
    } catch (const std::bad_alloc&) {
        report("ANS0109E Insufficient memory for allocation of message structure.\n");
        return nullptr;
    }
    return &cat.cache.front();
}

std::optional<NlsMessage> nlGetMessageTextV(unsigned number, va_list inserts) {
    va_list ap;
    va_copy(ap, inserts);
    auto m = buildMessage(number, nullptr, &ap);
    va_end(ap);
    return m;
}

std::optional<NlsMessage> nlGetMessageTextArgs(unsigned number, const std::vector<MsgArg>& inserts) {
    return buildMessage(number, &inserts, nullptr);
}

std::optional<std::string> nlGetMessageText(unsigned number, ...) {
    va_list ap;
    va_start(ap, number);
    auto m = nlGetMessageTextV(number, ap);
    va_end(ap);
    if (!m) return std::nullopt;
    return std::move(m->text);
}

int nlGetSeverity(unsigned number) {
    std::unique_lock<std::recursive_mutex> lock(nls_mutex, std::defer_lock);
    try {
        lock.lock();
    } catch (const std::system_error&) {
        TR_LIB(TR_NLS, "Unable to acquire NLS mutex\n");
        return 6;
    }
    const NLSMsg* rec = GetMsg(number);
    return rec ? rec->severity : 255;
}

std::string nlLastReport() {
    std::lock_guard<std::recursive_mutex> lock(nls_mutex);
    return nlsObject ? nlsObject->lastReport : std::string();
}

std::string nlErrorLogPath() {
    std::lock_guard<std::recursive_mutex> lock(nls_mutex);
    return nlsObject ? nlsObject->errorLogPath : std::string();
}

std::string nlCatalogLocale() {
    std::lock_guard<std::recursive_mutex> lock(nls_mutex);
    return nlsObject ? nlsObject->catalogLocale : std::string();
}
