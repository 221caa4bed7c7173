// Field values as JSON strings. The file is in the host's 8-bit character set:
// a value that is valid UTF-8 is passed on as it is; any other is read as
// ISO 8859-1, each byte its own character, so nothing is lost or replaced.
#pragma once

#include <string>
#include <string_view>

bool isUtf8(std::string_view text);
std::string jsonText(std::string_view value);
