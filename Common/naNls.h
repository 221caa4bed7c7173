// Start and end of the message catalog for this program.
#pragma once

#include <string>

// 0 on success, 1 when the catalog object cannot be set up or the English
// catalog cannot be opened.
int naInitNls(const std::string& localCatalog, const std::string& englishCatalog,
              const std::string& errorLogPath, const std::string& messageDir);
int naEndNls();
