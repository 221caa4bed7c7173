#include "ZoneDecode.h"

#include <cstdio>
#include <utility>

#include "HexText.h"

namespace {

// Zone set names, zone names and member identifiers all start after a
// 4-byte prefix (length or type code, then reserved/flag bytes).
constexpr std::size_t kPrefixSize = 4;
constexpr std::size_t kCountSize = 4;
constexpr std::size_t kZoneSetObjectOffset = 16;  // after the CT header

void appendHex(std::string& text, const std::uint8_t* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        char digits[2];
        putHexByte(digits, bytes[i]);
        text.append(digits, 2);
    }
}

enum class NameForm { wwn8, domainPort, fcid, zeros, wwnLun, fcidLun };

struct MemberType {
    std::uint8_t code;
    const char* name;
    NameForm form;
    std::size_t size;
};

constexpr MemberType kMemberTypes[] = {
    {0x01, "PortWWN", NameForm::wwn8, 12},
    {0x02, "DomainPort", NameForm::domainPort, 12},
    {0x03, "FCID", NameForm::fcid, 12},
    {0x04, "NodeWWN", NameForm::wwn8, 12},
    {0xE5, "FabricWWN", NameForm::wwn8, 12},
    {0xE6, "SymbolicNodeName", NameForm::zeros, 12},
    {0xE7, "InterfaceSwitchWwn", NameForm::zeros, 12},
    {0xE8, "IP", NameForm::zeros, 12},
    {0xE9, "InterfaceDomainId", NameForm::zeros, 12},
    {0xF1, "WwnLun", NameForm::wwnLun, 20},
    {0xF3, "FCIDLun", NameForm::fcidLun, 20},
};

// Every other code, vendor-specific ones (0xE0-0xFF) among them.
constexpr MemberType kUnknownMember = {0x00, "Unknown", NameForm::zeros, 12};

const MemberType& findMemberType(std::uint8_t code) {
    for (const MemberType& type : kMemberTypes)
        if (type.code == code) return type;
    return kUnknownMember;
}

// The member's name into `name`, whose buffer is reused.
void assignMemberName(std::string& name, const MemberType& type, const std::uint8_t* m) {
    name.clear();
    switch (type.form) {
        case NameForm::wwn8: appendHex(name, m + 4, 8); return;
        case NameForm::domainPort: {
            char text[16];
            int domain = m[4];
            int port = static_cast<std::int16_t>(static_cast<std::uint16_t>((m[5] << 8) | m[6]));
            std::snprintf(text, sizeof text, "%d,%d", domain, port);
            name = text;
            return;
        }
        case NameForm::fcid: appendHex(name, m + 5, 3); return;
        case NameForm::zeros: name.assign(16, '0'); return;
        case NameForm::wwnLun: appendHex(name, m + 4, 16); return;
        case NameForm::fcidLun:
            appendHex(name, m + 5, 3);
            appendHex(name, m + 12, 8);
            return;
    }
    name.assign(16, '0');
}

}  // namespace

bool decodeNameObject(ByteSpan span, std::size_t offset, std::string& name, std::size_t& next) {
    std::uint8_t length = 0;
    if (!span.u8(offset, length)) return false;
    const std::size_t total = kPrefixSize + length + namePadding(length);
    if (!span.holds(offset, total)) return false;
    const char* text = reinterpret_cast<const char*>(span.at(offset + kPrefixSize));
    std::size_t used = 0;
    while (used < length && text[used] != '\0') ++used;
    name.assign(text, used);
    next = offset + total;
    return true;
}

bool decodeZoneSetHeader(ByteSpan span, ZoneSetHeader& header) {
    std::size_t countOffset = 0;
    if (!decodeNameObject(span, kZoneSetObjectOffset, header.name, countOffset)) return false;
    if (!span.be32(countOffset, header.zoneCount)) return false;
    header.firstZoneOffset = countOffset + kCountSize;
    return true;
}

bool decodeZoneHeader(ByteSpan span, std::size_t offset, ZoneHeader& header) {
    std::size_t countOffset = 0;
    if (!decodeNameObject(span, offset, header.name, countOffset)) return false;
    if (!span.be32(countOffset, header.memberCount)) return false;
    header.memberCountOffset = countOffset;
    return true;
}

MemberDecode decodeZoneMember(ByteSpan span, std::size_t offset, ZoneMemberText& member) {
    std::uint8_t code = 0;
    if (!span.u8(offset, code)) return MemberDecode::pastBuffer;
    const MemberType& type = findMemberType(code);
    if (!span.holds(offset, type.size)) return MemberDecode::pastBuffer;
    assignMemberName(member.name, type, span.at(offset));
    member.typeName = type.name;
    member.size = type.size;
    return MemberDecode::ok;
}

bool decodeZoneSetNameList(ByteSpan span, std::vector<std::string>& names) {
    names.clear();
    std::uint32_t count = 0;
    if (!span.be32(kZoneSetObjectOffset, count)) return false;
    std::size_t offset = kZoneSetObjectOffset + kCountSize;
    // Each entry takes at least 8 bytes, so a count the span cannot hold ends
    // at the span's end long before the loop counter matters.
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string name;
        std::size_t countOffset = 0;
        if (!decodeNameObject(span, offset, name, countOffset)) return false;
        if (!span.holds(countOffset, kCountSize)) return false;
        names.push_back(std::move(name));
        offset = countOffset + kCountSize;
    }
    return true;
}

bool decodeZoneSetNames(ByteSpan span, ZoneSetNames& out) {
    if (!span.be32(kZoneSetObjectOffset, out.count)) return false;
    out.whole = decodeZoneSetNameList(span, out.names);
    return true;
}
