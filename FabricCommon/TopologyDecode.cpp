#include "TopologyDecode.h"

#include <cstring>

namespace {
constexpr std::size_t kCountOffset = 16;
constexpr std::size_t kEntriesOffset = 20;

}  // namespace

bool isZeroWwn(const Wwn& wwn) {
    for (std::uint8_t b : wwn.bytes)
        if (b != 0) return false;
    return true;
}

ByteSpan subSpan(ByteSpan span, std::size_t offset, std::size_t length) {
    if (offset > span.size) return ByteSpan{};
    std::size_t left = span.size - offset;
    return ByteSpan{span.data + offset, length < left ? length : left};
}

ListCount decodeListCount(ByteSpan response, std::size_t entrySize) {
    ListCount count;
    if (!response.be32(kCountOffset, count.declared) || entrySize == 0) return count;
    std::size_t fit = response.size > kEntriesOffset ? (response.size - kEntriesOffset) / entrySize : 0;
    count.usable = count.declared < fit ? count.declared : static_cast<std::uint32_t>(fit);
    return count;
}

ByteSpan listEntry(ByteSpan response, std::size_t entrySize, std::uint32_t index) {
    if (entrySize == 0) return ByteSpan{};
    std::size_t fit = response.size > kEntriesOffset ? (response.size - kEntriesOffset) / entrySize : 0;
    if (index >= fit) return ByteSpan{};
    return ByteSpan{response.data + kEntriesOffset + std::size_t(index) * entrySize, entrySize};
}

namespace {
bool decodeCountedList(ByteSpan answer, std::size_t entrySize, CountedList& out) {
    if (!answer.holds(kCountOffset, 4)) return false;
    out.count = decodeListCount(answer, entrySize);
    out.answer = answer;
    out.entrySize = entrySize;
    return true;
}
}  // namespace

bool decodeWwnTypeList(ByteSpan answer, CountedList& out) { return decodeCountedList(answer, kWwnTypeEntrySize, out); }
bool decodeNameEntryList(ByteSpan answer, CountedList& out) { return decodeCountedList(answer, kNameEntrySize, out); }
bool decodeNodeList(ByteSpan answer, CountedList& out) { return decodeCountedList(answer, 8, out); }

bool decodeWwnTypeEntry(ByteSpan entry, WwnTypeEntry& out) {
    if (!entry.holds(0, kWwnTypeEntrySize)) return false;
    std::memcpy(out.wwn.bytes, entry.data, 8);
    out.type = entry.data[11];
    return true;
}

int portTypeIndex(std::uint8_t raw) {
    if (raw > 0xF0) return (raw + 0x10) % 256;
    if (raw >= 0x81) return raw - 0x7C;
    return raw;
}

std::uint32_t physicalPortNumber(std::uint32_t raw) {
    switch (raw >> 24) {
        case 0x01: return 100 * ((raw >> 19) & 0x1F) + 100 + ((raw >> 12) & 0x7F) + 1;
        case 0x1E: return (raw & 0x1FFF) + 1;
        default: return raw;
    }
}

std::size_t decodeCountedText(ByteSpan field, char* out, std::size_t outSize) {
    if (outSize == 0) return 0;
    std::size_t length = 0;
    std::uint8_t declared = 0;
    if (field.u8(0, declared)) {
        length = declared;
        if (length > field.size - 1) length = field.size - 1;
        if (length > outSize - 1) length = outSize - 1;
        const void* nul = std::memchr(field.data + 1, 0, length);
        if (nul) length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - (field.data + 1));
        std::memcpy(out, field.data + 1, length);
    }
    out[length] = '\0';
    return length;
}

void decodeInformationList(ByteSpan list, ElementAttributeTexts& out) {
    char* const texts[] = {out.vendor, out.model, out.release};
    std::size_t offset = 4;
    for (char* text : texts) {
        std::size_t length = 0;
        if (offset < list.size) {
            std::size_t left = list.size - offset;
            const void* nul = std::memchr(list.data + offset, 0, left);
            length = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - (list.data + offset))
                         : left;
            std::size_t kept = length < sizeof out.vendor - 1 ? length : sizeof out.vendor - 1;
            std::memcpy(text, list.data + offset, kept);
            text[kept] = '\0';
            // Without its NUL the text ran to the end of the list.
            offset = nul ? offset + length + 1 : list.size;
        } else {
            text[0] = '\0';
        }
    }
}

bool decodeElementAttributes(ByteSpan answer, ElementAttributeTexts& out) {
    if (!answer.holds(kCountOffset, 4)) return false;
    decodeInformationList(subSpan(answer, kCountOffset, 256), out);
    return true;
}

bool decodeLogicalName(ByteSpan answer, LogicalName& out) {
    const ByteSpan field = subSpan(answer, kCountOffset, 256);
    std::uint8_t length = 0;
    if (!field.u8(0, length) || !field.holds(1, length)) return false;
    decodeCountedText(field, out, sizeof out);
    return true;
}

AddressKind classifyAddress(const char* text) {
    if (std::strncmp(text, "snmp", 4) == 0) return AddressKind::Snmp;
    if (std::strncmp(text, "http", 4) == 0) return AddressKind::Url;
    if (std::strncmp(text, "teln", 4) == 0) return AddressKind::Telnet;
    if (std::strncmp(text, "xml:", 4) == 0) return AddressKind::Xml;
    return AddressKind::Other;
}

bool decodeWwnAt16(ByteSpan response, Wwn& out) {
    if (!response.holds(16, 8)) return false;
    std::memcpy(out.bytes, response.data + 16, 8);
    return true;
}

bool decodeIdAt17(ByteSpan response, std::uint8_t (&out)[3]) {
    if (!response.holds(17, 3)) return false;
    std::memcpy(out, response.data + 17, 3);
    return true;
}

bool decodeDomainId(ByteSpan response, std::uint8_t& out) { return response.u8(17, out); }

bool decodePortState(ByteSpan response, std::uint8_t& out) { return response.u8(23, out); }

bool decodeWordAt16(ByteSpan response, std::uint32_t& out) { return response.be32(16, out); }

bool decodeByteAt16(ByteSpan response, std::uint8_t& out) { return response.u8(16, out); }

bool keepAnswer(ByteSpan response, ByteSpan& out) {
    out = response;
    return true;
}

void copyCut(char* field, std::size_t fieldSize, const char* text) {
    if (fieldSize == 0) return;
    std::size_t length = std::strlen(text);
    if (length > fieldSize - 1) length = fieldSize - 1;
    std::memcpy(field, text, length);
    field[length] = '\0';
}
