#include "RejectTexts.h"

const char* ctRejectReasonText(std::uint8_t reason) {
    switch (reason) {
        case 0x01: return "Invalid command code";
        case 0x02: return "Invalid version level";
        case 0x03: return "Logical error";
        case 0x04: return "Invalid CT_IU Size";
        case 0x05: return "Logical busy";
        case 0x07: return "Protocol error";
        case 0x09: return "Unable to perform command request";
        case 0x0B: return "Command not supported";
        case 0xFF: return "Vendor Unique Error";
        default: return "Reserved";
    }
}

const char* ctRejectExplanationText(std::uint8_t explanation) {
    switch (explanation) {
        case 0x00: return "No additional explanation";
        case 0xF0: return "Authorization Exception";
        case 0xF1: return "Authentication Exception";
        case 0xF2: return "Data base full";
        case 0xF3: return "Data base empty";
        default: return "Reserved";
    }
}
