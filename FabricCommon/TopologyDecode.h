// Pure decoders of the Fabric Configuration Server and Name Server answers. Each
// takes the answer (the bytes that arrived, or a part of them) as a ByteSpan and
// never reads outside it, whatever its counts say. Single values report false,
// leaving their output untouched, when the answer is too short to hold them.
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

// A counted list as it arrived: its count, and its entries lying wholly inside
// the answer (the bytes that arrived, never the zero fill after them).
struct CountedList {
    ListCount count;
    ByteSpan answer;
    std::size_t entrySize = 0;
    ByteSpan entry(std::uint32_t index) const { return listEntry(answer, entrySize, index); }
};
// False when the answer does not even hold the count.
bool decodeWwnTypeList(ByteSpan answer, CountedList& out);    // GIEL, GPL, GAPNL: 12-byte entries
bool decodeNameEntryList(ByteSpan answer, CountedList& out);  // GMAL, GPNL, GPLML: 256-byte entries
bool decodeNodeList(ByteSpan answer, CountedList& out);       // GPLNL: 8-byte node WWNs

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
// The GIEIL answer: its list (response bytes 16-271, as far as they arrived);
// false when not even the list's leading word arrived.
bool decodeElementAttributes(ByteSpan answer, ElementAttributeTexts& out);

// The GIELN answer: the logical name of the 256-byte name field at byte 16;
// false when the answer ends before the name its length byte announces.
using LogicalName = char[256];
bool decodeLogicalName(ByteSpan answer, LogicalName& out);

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
bool decodeByteAt16(ByteSpan response, std::uint8_t& out);     // GZC capability flags
// Any answer at all: the answer itself, for the zone walk to read.
bool keepAnswer(ByteSpan response, ByteSpan& out);

// Copies text into a field of fieldSize bytes, cut to fieldSize - 1 characters.
void copyCut(char* field, std::size_t fieldSize, const char* text);
