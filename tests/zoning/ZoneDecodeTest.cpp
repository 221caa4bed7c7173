// Decoders of zone server responses, on plain buffers: identifiers that a zero-filled golden
// file would not tell apart, and the bounds of every object. Every member type in place is
// the golden files' (tests/cases/zoning); arbitrary bytes are fuzz/ZoneWalkFuzz.cpp's and
// fuzz/ZoneSetNamesFuzz.cpp's.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "GsBytes.h"
#include "ZoneDecode.h"

namespace {

// The zone server's accepted answer: what follows its preamble is added by each test.
const GsBytes kZoneAnswer = GsBytes::accept(0xFA, 0x03);

ByteSpan spanOf(const Bytes& bytes, std::size_t size = std::string::npos) {
    return ByteSpan{bytes.data(), std::min(size, bytes.size())};
}

const Bytes kEight = {0x10, 0x00, 0x00, 0x00, 0xC9, 0xA0, 0x00, 0x01};

// Each member must end inside the span: 12 bytes, 20 for the LUN types, 12 for a type
// outside the table (an "Unknown" member).
TEST(ZoneMemberDecode, IdentifiersAndSizes) {
    const struct {
        std::uint8_t type;
        Bytes id;
        const char *name, *typeName;
    } cases[] = {
        {0x02, {0x07, 0x80, 0x00, 0, 0, 0, 0, 0}, "7,-32768", "DomainPort"},
        {0x02, {0xFF, 0x7F, 0xFF, 0, 0, 0, 0, 0}, "255,32767", "DomainPort"},
        {0x03, {0x00, 0x01, 0x0A, 0xEF, 0, 0, 0, 0}, "010AEF", "FCID"},
        {0xF1, fromHex("500601603B201ABC0001000000000000"), "500601603B201ABC0001000000000000", "WwnLun"},
        // The FCID from identifier bytes 1-3, the LUN from bytes 8-15.
        {0xF3, fromHex("00010AEFAABBCCDD0002000000000007"), "010AEF0002000000000007", "FCIDLun"},
        {0x00, kEight, "0000000000000000", "Unknown"},
        {0xE4, kEight, "0000000000000000", "Unknown"},
        {0xF2, kEight, "0000000000000000", "Unknown"},
        {0xFF, kEight, "0000000000000000", "Unknown"},
    };
    for (const auto& c : cases) {
        GsBytes bytes = kZoneAnswer;
        bytes.member(c.type, c.id);
        ZoneMemberText member;
        ASSERT_EQ(decodeZoneMember(spanOf(bytes.bytes()), 16, member), MemberDecode::ok) << int(c.type);
        EXPECT_EQ(member.name, c.name) << int(c.type);
        EXPECT_STREQ(member.typeName, c.typeName);
        EXPECT_EQ(member.size, 4 + c.id.size());
        EXPECT_EQ(decodeZoneMember(spanOf(bytes.bytes(), 15 + member.size), 16, member), MemberDecode::pastBuffer);
    }
    ZoneMemberText none;
    EXPECT_EQ(decodeZoneMember(spanOf(kZoneAnswer.bytes()), 16, none), MemberDecode::pastBuffer);
}

TEST(ZoneNameDecode, PaddingAndBounds) {
    for (std::size_t length = 0; length <= 9; ++length) {
        GsBytes bytes = kZoneAnswer;
        bytes.name(std::string(length, 'a')).be32(7);
        std::string name;
        std::size_t next = 0;
        ASSERT_TRUE(decodeNameObject(spanOf(bytes.bytes()), 16, name, next));
        EXPECT_EQ(name, std::string(length, 'a'));
        EXPECT_EQ(next, 16 + 4 + length + namePadding(length));
        EXPECT_EQ(next % 4, 0u);
        // One byte short of the padding is not enough.
        EXPECT_FALSE(decodeNameObject(spanOf(bytes.bytes(), next - 1), 16, name, next));
    }
    GsBytes withNul = kZoneAnswer;
    withNul.name(std::string("ab\0cd", 5));
    std::string name;
    std::size_t next = 0;
    ASSERT_TRUE(decodeNameObject(spanOf(withNul.bytes()), 16, name, next));
    EXPECT_EQ(name, "ab");
    EXPECT_EQ(next, 28u);
}

TEST(ZoneSetDecode, HeaderGivesNameCountAndFirstZone) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("cfg_prod", 3).zone("z1", 0xFFFFFFFFu);
    ZoneSetHeader header;
    ASSERT_TRUE(decodeZoneSetHeader(spanOf(bytes.bytes()), header));
    EXPECT_EQ(header.name, "cfg_prod");
    EXPECT_EQ(header.zoneCount, 3u);
    EXPECT_EQ(header.firstZoneOffset, 32u);
    ZoneHeader zone;
    ASSERT_TRUE(decodeZoneHeader(spanOf(bytes.bytes()), 32, zone));
    EXPECT_EQ(zone.name, "z1");
    EXPECT_EQ(zone.memberCount, 0xFFFFFFFFu);
    EXPECT_EQ(zone.memberCountOffset, 40u);
    // The member count itself must be inside.
    EXPECT_FALSE(decodeZoneHeader(spanOf(bytes.bytes(), 43), 32, zone));
    EXPECT_FALSE(decodeZoneSetHeader(spanOf(bytes.bytes(), 31), header));
    EXPECT_FALSE(decodeZoneSetHeader(spanOf(bytes.bytes(), 27), header)) << "cut in its name";
}

TEST(ZoneSetNameListDecode, AnEntryPastTheBufferFailsTheList) {
    // 123 entries of 260 bytes fill bytes 20 to 31999 exactly.
    const std::string name251(251, 'n');
    auto list = [&](std::uint32_t count, std::size_t entries) {
        GsBytes bytes = kZoneAnswer;
        bytes.be32(count);
        for (std::size_t i = 0; i < entries; ++i) bytes.name(name251).be32(1);
        return bytes;
    };
    std::vector<std::string> names;
    GsBytes exact = list(123, 123);
    ASSERT_EQ(exact.size(), 32000u);
    EXPECT_TRUE(decodeZoneSetNameList(spanOf(exact.bytes()), names));
    EXPECT_EQ(names.size(), 123u);
    // One more entry announced: it would start at 32000.
    EXPECT_FALSE(decodeZoneSetNameList(spanOf(list(124, 123).bytes()), names));
    EXPECT_EQ(names.size(), 123u);
    // The last entry's name fits but its zone count would take 32000-32003.
    GsBytes cut = list(123, 122);
    cut.name(std::string(255, 'n'));
    ASSERT_EQ(cut.size(), 32000u);
    EXPECT_FALSE(decodeZoneSetNameList(spanOf(cut.bytes()), names));
    EXPECT_EQ(names.size(), 122u);
    // A count of all ones runs out of buffer.
    GsBytes ones = kZoneAnswer;
    const Bytes buffer = ones.be32(0xFFFFFFFFu).name("cfg").be32(1).inBuffer(32000);
    EXPECT_FALSE(decodeZoneSetNameList(spanOf(buffer), names));
    EXPECT_EQ(names.front(), "cfg");
    EXPECT_FALSE(decodeZoneSetNameList(spanOf(buffer, 19), names));
}

// A GZSN answer shorter than its count: the names that arrived, and the note that some did not.
TEST(ZoneSetNameListDecode, AnAnswerShorterThanItsCountIsNotWhole) {
    GsBytes bytes = kZoneAnswer;
    bytes.be32(3).name("cfg_a").be32(1).name("cfg_b").be32(1);
    ZoneSetNames list;
    ASSERT_TRUE(decodeZoneSetNames(spanOf(bytes.bytes()), list));
    EXPECT_EQ(3u, list.count);
    EXPECT_FALSE(list.whole);
    EXPECT_EQ(list.names, (std::vector<std::string>{"cfg_a", "cfg_b"}));
    // The same bytes in a cleared buffer: the third entry would have been an empty name.
    const Bytes buffer = bytes.inBuffer(32000);
    ASSERT_TRUE(decodeZoneSetNames(spanOf(buffer), list));
    EXPECT_TRUE(list.whole);
    EXPECT_EQ(list.names.back(), "");
    EXPECT_FALSE(decodeZoneSetNames(spanOf(buffer, 19), list));
}

}  // namespace
