// GIEIL: the attribute list (vendor, model, release code) of a switch, and the
// escaping of each text into its output field.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "GsTransport.h"
#include "SwitchQueries.h"
#include "TopologyDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ElementAttributeTexts texts;
    decodeInformationList(ByteSpan{data, size}, texts);
    for (const char* text : {texts.vendor, texts.model, texts.release}) {
        if (std::strlen(text) >= sizeof texts.vendor) __builtin_trap();
        char field[kSwitchTextField];
        hexToHexString(text, field, sizeof field);
        if (std::strlen(field) >= sizeof field) __builtin_trap();
    }
    return 0;
}
