// Texts of the CT_IU reject reason and explanation codes.
#pragma once

#include <cstdint>

// "Reserved" for any code without a text of its own.
const char* ctRejectReasonText(std::uint8_t reason);
const char* ctRejectExplanationText(std::uint8_t explanation);
