// An attribute of the kernel's FC transport as read from sysfs (port_name, node_name,
// port_id, port_state, proc_name), through every decoder the probe has for one.
#include <cstddef>
#include <cstdint>
#include <string>

#include "SysfsAttribute.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteSpan text{data, size};
    Wwn wwn{};
    if (decodeWwnAttribute(text, wwn) && (size < 3 || size > 19)) __builtin_trap();
    std::uint32_t id = 0;
    if (decodePortIdAttribute(text, id) && (size < 3 || size > 9 || id > 0xFFFFFFu)) __builtin_trap();
    std::string value;
    if (decodeTextAttribute(text, value)) {
        if (value.empty() || value.size() > size) __builtin_trap();
        for (const char c : value)
            if (c < 0x20 || c > 0x7E) __builtin_trap();  // safe for a log line as it is
    }
    return 0;
}
