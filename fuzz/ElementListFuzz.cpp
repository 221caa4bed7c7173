// GIEL, GPL and GAPNL answers (12-byte entries: WWN, type) and the short
// single-value answers (GIELN and GIEIL among them), decoded as the discovery
// drivers decode them.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "TopologyDecode.h"
#include "TopologyWriters.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteSpan response{data, size};
    const ListCount count = decodeListCount(response, kWwnTypeEntrySize);
    if (count.usable > count.declared) __builtin_trap();
    for (std::uint32_t i = 0; i < count.usable; ++i) {
        WwnTypeEntry entry;
        // Every entry the count allows must lie wholly inside the response.
        if (!decodeWwnTypeEntry(listEntry(response, kWwnTypeEntrySize, i), entry)) __builtin_trap();
        const WwnText text = formatWwn(entry.wwn.bytes);
        if (text.text[16] != '\0') __builtin_trap();
        (void)isZeroWwn(entry.wwn);
        const int index = portTypeIndex(entry.type);
        if (index < 0 || index > 0xFF) __builtin_trap();
        if (index < kPortTypeCount && portTypeTable[index] == nullptr) __builtin_trap();
    }
    // A count larger than the response ends where the response ends.
    if (count.usable < count.declared && listEntry(response, kWwnTypeEntrySize, count.usable).size != 0)
        __builtin_trap();

    Wwn wwn;
    (void)decodeWwnAt16(response, wwn);
    std::uint8_t id[3];
    if (decodeIdAt17(response, id)) (void)formatFcId(id);
    std::uint8_t byte = 0;
    (void)decodeDomainId(response, byte);
    (void)decodePortState(response, byte);
    std::uint32_t word = 0;
    if (decodeWordAt16(response, word)) (void)physicalPortNumber(word);
    LogicalName name;
    if (decodeLogicalName(response, name) && std::memchr(name, '\0', sizeof name) == nullptr) __builtin_trap();
    ElementAttributeTexts texts;
    (void)decodeElementAttributes(response, texts);
    return 0;
}
