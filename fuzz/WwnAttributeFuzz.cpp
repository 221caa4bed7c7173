// An fc_host's port_name attribute, as read from sysfs.
#include <cstddef>
#include <cstdint>

#include "FcHostLookup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Wwn wwn{};
    if (decodeWwnAttribute(ByteSpan{data, size}, wwn) && (size < 3 || size > 19)) __builtin_trap();
    return 0;
}
