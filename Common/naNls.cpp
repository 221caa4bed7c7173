#include "naNls.h"

#include <clocale>
#include <cstdlib>

#include "nls/amsglang.h"
#include "nls/amsgrtrv.h"
#include "ut/trace.h"

int naInitNls(const std::string& localCatalog, const std::string& englishCatalog,
              const std::string& errorLogPath, const std::string& messageDir) {
    std::setlocale(LC_ALL, "");
    const std::lconv* conv = std::localeconv();
    const char thousands = conv && conv->thousands_sep && *conv->thousands_sep ? *conv->thousands_sep : ',';
    const char decimal = conv && conv->decimal_point && *conv->decimal_point ? *conv->decimal_point : '.';
    // Output and log bytes must not depend on the operator's number format.
    std::setlocale(LC_NUMERIC, "C");

    const std::string language = nlChooseLanguage(std::getenv("LANG"), std::setlocale(LC_MESSAGES, nullptr));
    if (nlCreate(nlIsCatalogLocale(language) ? language : std::string(), thousands, decimal) != 0) return 1;
    if (nlOpenCatalogs(messageDir, localCatalog, englishCatalog, errorLogPath) != 0) {
        nlDestroy();
        trTerm();
        return 1;
    }
    return 0;
}

int naEndNls() {
    nlDestroy();
    return 0;
}
