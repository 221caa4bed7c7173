// GMAL and GPLML: management address lists of 256-byte length-counted entries,
// sorted into the fields of their kind.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "GsCommands.h"
#include "PlatformQueries.h"
#include "SwitchQueries.h"

namespace {
template <std::size_t N>
void checkField(const char (&field)[N]) {
    if (std::memchr(field, '\0', N) == nullptr) __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CountedList list;
    if (!gs::GMAL.decode(ByteSpan{data, size}, list)) return 0;
    if (list.count.usable > list.count.declared) __builtin_trap();
    SwitchManagementAddresses switchAddresses{};
    decodeSwitchAddresses(list, switchAddresses);
    checkField(switchAddresses.snmp);
    checkField(switchAddresses.url);
    checkField(switchAddresses.telnet);

    PlatformAddresses platformAddresses{};
    decodePlatformAddresses(list, platformAddresses);
    checkField(platformAddresses.snmp);
    checkField(platformAddresses.url);
    checkField(platformAddresses.telnet);
    checkField(platformAddresses.xml);
    checkField(platformAddresses.unknown);
    return 0;
}
