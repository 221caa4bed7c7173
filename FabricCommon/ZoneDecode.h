// Pure decoders of the zone server's responses. Each reads only inside the span
// it is given and reports false when the response does not hold what it claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ByteSpan.h"

// Bytes that pad a name of this length to a multiple of 4.
inline std::size_t namePadding(std::size_t length) { return (4 - length % 4) % 4; }

// A length-prefixed name object at `offset`: length byte, 3 reserved bytes, the
// name, padding. `next` is the offset right after the padding. The name ends at
// its first NUL byte, as the rest of the system treats names as C strings.
bool decodeNameObject(ByteSpan span, std::size_t offset, std::string& name, std::size_t& next);

// Header of a zone set object (GAZS and GZS responses, from byte 16).
struct ZoneSetHeader {
    std::string name;
    std::uint32_t zoneCount = 0;
    std::size_t firstZoneOffset = 0;
};
bool decodeZoneSetHeader(ByteSpan span, ZoneSetHeader& header);

// Header of one zone object: its name and where its member count lies.
struct ZoneHeader {
    std::string name;
    std::uint32_t memberCount = 0;
    std::size_t memberCountOffset = 0;  // the members follow 4 bytes later
};
bool decodeZoneHeader(ByteSpan span, std::size_t offset, ZoneHeader& header);

// One zone member object, named and typed as the output file writes it.
struct ZoneMemberText {
    std::string name;
    const char* typeName = "";
    std::size_t size = 0;  // bytes the member object takes
};
// A code outside the member table is an "Unknown" member of 12 bytes.
enum class MemberDecode { ok, pastBuffer };
MemberDecode decodeZoneMember(ByteSpan span, std::size_t offset, ZoneMemberText& member);

// The zone set names of a GZSN response, in order. False when an entry would
// end past the span; `names` then holds the entries before it.
bool decodeZoneSetNameList(ByteSpan span, std::vector<std::string>& names);

// The GZSN answer: its count, and the names of the entries lying inside it.
struct ZoneSetNames {
    std::uint32_t count = 0;
    std::vector<std::string> names;
    bool whole = false;  // every counted entry lies inside the answer
};
// False when the answer does not hold the count.
bool decodeZoneSetNames(ByteSpan span, ZoneSetNames& out);
