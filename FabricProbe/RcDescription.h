// Name texts of the run's return codes.
#pragma once

#include <cstddef>

#include "ReturnCodes.h"

// Copies the name text of rc (terminating null included) into buffer; the
// longest text is 45 characters, so 46 bytes always suffice.
void getFpRcDescription(int rc, char* buffer, std::size_t bufferSize);
