// GMAL and GPLML: management address lists of 256-byte length-counted entries,
// sorted into the fields of their kind.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "PlatformQueries.h"
#include "SwitchQueries.h"

namespace {
template <std::size_t N>
void checkField(const char (&field)[N]) {
    if (std::memchr(field, '\0', N) == nullptr) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteSpan response{data, size};
    SwitchManagementAddresses switchAddresses{};
    decodeSwitchAddresses(response, switchAddresses);
    checkField(switchAddresses.snmp);
    checkField(switchAddresses.url);
    checkField(switchAddresses.telnet);

    PlatformAddresses platformAddresses{};
    decodePlatformAddresses(response, platformAddresses);
    checkField(platformAddresses.snmp);
    checkField(platformAddresses.url);
    checkField(platformAddresses.telnet);
    checkField(platformAddresses.xml);
    checkField(platformAddresses.unknown);
    return 0;
}
