// Pure decoders of the topology responses. Each takes the response (or a part
// of it) as a ByteSpan and never reads outside it, whatever its counts say.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ByteSpan.h"
#include "GsTypes.h"

bool isZeroWwn(const Wwn& wwn);

// The part of span from offset on, at most length bytes; empty when offset lies outside.
ByteSpan subSpan(ByteSpan span, std::size_t offset, std::size_t length);

// Counted lists (GIEL, GPL, GAPNL, GMAL, GPNL, GPLML, GPLNL): a big-endian count
// in bytes 16-19, fixed-size entries from byte 20. Only entries lying wholly
// inside the response are usable; the rest of a larger count is dropped.
struct ListCount {
    std::uint32_t declared = 0;  // as the response states it
    std::uint32_t usable = 0;    // min(declared, entries that fit)
};
ListCount decodeListCount(ByteSpan response, std::size_t entrySize);
ByteSpan listEntry(ByteSpan response, std::size_t entrySize, std::uint32_t index);

// GIEL, GPL and GAPNL entries (12 bytes): the WWN in bytes 0-7, the type in byte 11.
struct WwnTypeEntry {
    Wwn wwn{};
    std::uint8_t type = 0;
};
constexpr std::size_t kWwnTypeEntrySize = 12;
bool decodeWwnTypeEntry(ByteSpan entry, WwnTypeEntry& out);

// Raw port type byte -> index into portTypeTable; above 14 cannot be interpreted.
constexpr int kPortTypeCount = 15;
int portTypeIndex(std::uint8_t raw);

// GPPN value -> physical port number.
std::uint32_t physicalPortNumber(std::uint32_t raw);

// A length-counted text (byte 0 the length, the text from byte 1), cut to the
// field and to outSize - 1 characters and always terminated; ends early at a
// NUL inside the text. Returns the characters kept.
std::size_t decodeCountedText(ByteSpan field, char* out, std::size_t outSize);

// GIEIL information list: a leading word, then vendor, model and release code,
// each NUL-terminated and starting after the previous one's NUL. A text missing
// its NUL ends at the list's end; the texts after it are then empty.
struct ElementAttributeTexts {
    char vendor[253];
    char model[253];
    char release[253];
};
void decodeInformationList(ByteSpan list, ElementAttributeTexts& out);

// Management addresses (GMAL, GPLML) are 256-byte length-counted entries whose
// kind is told by the first four characters, case-sensitively.
constexpr std::size_t kNameEntrySize = 256;
enum class AddressKind { Snmp, Url, Telnet, Xml, Other };
AddressKind classifyAddress(const char* text);

// Single values of the short responses; false when the response is too short.
bool decodeWwnAt16(ByteSpan response, Wwn& out);          // GFN fabric name, GNN_ID node name
bool decodeIdAt17(ByteSpan response, std::uint8_t (&out)[3]);  // GMID, GID_PN
bool decodeDomainId(ByteSpan response, std::uint8_t& out);     // GDID byte 17
bool decodePortState(ByteSpan response, std::uint8_t& out);    // GPS byte 23
bool decodeWordAt16(ByteSpan response, std::uint32_t& out);    // GPPN, GPLT

// Copies text into a field of fieldSize bytes, cut to fieldSize - 1 characters.
void copyCut(char* field, std::size_t fieldSize, const char* text);
