// Decoders of zone server responses, on plain buffers.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "GsBytes.h"
#include "ZoneDecode.h"

namespace {

// The zone server's accepted answer: what follows its preamble is added by each test.
const GsBytes kZoneAnswer = GsBytes::accept(0xFA, 0x03);

ByteSpan spanOf(const Bytes& bytes) { return ByteSpan{bytes.data(), bytes.size()}; }

struct MemberCase {
    std::uint8_t type;
    Bytes id;
    const char* name;
    const char* typeName;
    std::size_t size;
};

const Bytes kEight = {0x10, 0x00, 0x00, 0x00, 0xC9, 0xA0, 0x00, 0x01};
const Bytes kSixteen = {0x50, 0x06, 0x01, 0x60, 0x3B, 0x20, 0x1A, 0xBC, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

TEST(ZoneMemberDecode, EveryTypeOfTheTable) {
    const std::vector<MemberCase> cases = {
        {0x01, kEight, "10000000C9A00001", "PortWWN", 12},
        {0x02, {0x07, 0x80, 0x00, 0, 0, 0, 0, 0}, "7,-32768", "DomainPort", 12},
        {0x02, {0xFF, 0x7F, 0xFF, 0, 0, 0, 0, 0}, "255,32767", "DomainPort", 12},
        {0x02, {0x01, 0x00, 0x0C, 0, 0, 0, 0, 0}, "1,12", "DomainPort", 12},
        {0x03, {0x00, 0x01, 0x0A, 0xEF, 0, 0, 0, 0}, "010AEF", "FCID", 12},
        {0x04, kEight, "10000000C9A00001", "NodeWWN", 12},
        {0xE5, kEight, "10000000C9A00001", "FabricWWN", 12},
        {0xE6, kEight, "0000000000000000", "SymbolicNodeName", 12},
        {0xE7, kEight, "0000000000000000", "InterfaceSwitchWwn", 12},
        {0xE8, kEight, "0000000000000000", "IP", 12},
        {0xE9, kEight, "0000000000000000", "InterfaceDomainId", 12},
        {0xF1, kSixteen, "500601603B201ABC0001000000000000", "WwnLun", 20},
        // FCID from bytes 5-7, the LUN from bytes 12-19.
        {0xF3, {0x00, 0x01, 0x0A, 0xEF, 0xAA, 0xBB, 0xCC, 0xDD, 0x00, 0x02, 0, 0, 0, 0, 0, 0x07},
         "010AEF0002000000000007", "FCIDLun", 20},
    };
    for (const MemberCase& c : cases) {
        GsBytes bytes = kZoneAnswer;
        bytes.member(c.type, c.id);
        ZoneMemberText member;
        ASSERT_EQ(decodeZoneMember(spanOf(bytes.bytes()), 16, member), MemberDecode::ok)
            << int(c.type);
        EXPECT_EQ(member.name, c.name) << int(c.type);
        EXPECT_STREQ(member.typeName, c.typeName);
        EXPECT_EQ(member.size, c.size);
    }
}

TEST(ZoneMemberDecode, TypesOutsideTheTableAreUnknownMembersOf12Bytes) {
    for (int type : {0x00, 0x05, 0x7F, 0xE0, 0xE4, 0xEA, 0xF0, 0xF2, 0xFF}) {
        GsBytes bytes = kZoneAnswer;
        bytes.member(std::uint8_t(type), kEight);
        ZoneMemberText member;
        ASSERT_EQ(decodeZoneMember(spanOf(bytes.bytes()), 16, member), MemberDecode::ok) << type;
        EXPECT_EQ(member.name, "0000000000000000") << type;
        EXPECT_STREQ(member.typeName, "Unknown");
        EXPECT_EQ(member.size, 12u);
        // Its 12 bytes must still lie inside the span.
        EXPECT_EQ(decodeZoneMember(ByteSpan{bytes.bytes().data(), 27}, 16, member),
                  MemberDecode::pastBuffer)
            << type;
    }
}

TEST(ZoneMemberDecode, MemberMustEndInsideTheSpan) {
    GsBytes bytes = kZoneAnswer;
    bytes.member(0xF1, kSixteen);  // 20 bytes: 16..35
    Bytes& b = bytes.bytes();
    ZoneMemberText member;
    EXPECT_EQ(decodeZoneMember(ByteSpan{b.data(), 36}, 16, member), MemberDecode::ok);
    EXPECT_EQ(decodeZoneMember(ByteSpan{b.data(), 35}, 16, member), MemberDecode::pastBuffer);
    // A 12-byte type fits where a LUN member would not.
    b[16] = 0x01;
    EXPECT_EQ(decodeZoneMember(ByteSpan{b.data(), 28}, 16, member), MemberDecode::ok);
    EXPECT_EQ(decodeZoneMember(ByteSpan{b.data(), 27}, 16, member), MemberDecode::pastBuffer);
    EXPECT_EQ(decodeZoneMember(ByteSpan{b.data(), 16}, 16, member), MemberDecode::pastBuffer);
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
        EXPECT_FALSE(decodeNameObject(ByteSpan{bytes.bytes().data(), next - 1}, 16, name, next));
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
    bytes.zoneSet("cfg_prod", 3);
    ZoneSetHeader header;
    ASSERT_TRUE(decodeZoneSetHeader(spanOf(bytes.bytes()), header));
    EXPECT_EQ(header.name, "cfg_prod");
    EXPECT_EQ(header.zoneCount, 3u);
    EXPECT_EQ(header.firstZoneOffset, 32u);

    ZoneHeader zone;
    bytes.zone("z1", 0xFFFFFFFFu);
    ASSERT_TRUE(decodeZoneHeader(spanOf(bytes.bytes()), 32, zone));
    EXPECT_EQ(zone.name, "z1");
    EXPECT_EQ(zone.memberCount, 0xFFFFFFFFu);
    EXPECT_EQ(zone.memberCountOffset, 40u);
    // The member count itself must be inside.
    EXPECT_FALSE(decodeZoneHeader(ByteSpan{bytes.bytes().data(), 43}, 32, zone));
    EXPECT_FALSE(decodeZoneSetHeader(ByteSpan{bytes.bytes().data(), 31}, header));
}

TEST(ZoneSetNameListDecode, EntriesInOrder) {
    GsBytes bytes = kZoneAnswer;
    bytes.be32(3).name("cfg_prod").be32(4).name("a").be32(1).name("").be32(0);
    Bytes buffer = bytes.inBuffer(32000);
    std::vector<std::string> names;
    ASSERT_TRUE(decodeZoneSetNameList(spanOf(buffer), names));
    EXPECT_EQ(names, (std::vector<std::string>{"cfg_prod", "a", ""}));
}

TEST(ZoneSetNameListDecode, EntryPastTheBufferFails) {
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
    GsBytes oneMore = list(124, 123);
    EXPECT_FALSE(decodeZoneSetNameList(spanOf(oneMore.bytes()), names));
    EXPECT_EQ(names.size(), 123u);

    // The last entry's name fits but its zone count would take 32000-32003.
    GsBytes cut = list(123, 122);
    cut.name(std::string(255, 'n'));
    ASSERT_EQ(cut.size(), 32000u);
    EXPECT_FALSE(decodeZoneSetNameList(spanOf(cut.bytes()), names));
    EXPECT_EQ(names.size(), 122u);
}

TEST(ZoneSetNameListDecode, CountOfAllOnesRunsOutOfBuffer) {
    GsBytes bytes = kZoneAnswer;
    bytes.be32(0xFFFFFFFFu).name("cfg").be32(1);
    Bytes buffer = bytes.inBuffer(32000);
    std::vector<std::string> names;
    EXPECT_FALSE(decodeZoneSetNameList(spanOf(buffer), names));
    EXPECT_EQ(names.front(), "cfg");
    EXPECT_LE(names.size(), 32000u / 8);
    // Too short for even the count.
    EXPECT_FALSE(decodeZoneSetNameList(ByteSpan{buffer.data(), 19}, names));
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
    EXPECT_FALSE(decodeZoneSetNames(ByteSpan{buffer.data(), 19}, list));
}

// A zone whose members run past what arrived is a member past the span: the walk's -1002.
TEST(ZoneMemberDecode, MembersPastWhatArrivedAreNotRead) {
    GsBytes bytes = kZoneAnswer;
    bytes.be32(1).name("z1").be32(3);
    const std::size_t firstMember = bytes.size();
    Bytes arrived = bytes.bytes();
    const Bytes member = {0x01, 0, 0, 8, 0x10, 0, 0, 0, 0xC9, 0xA0, 0, 0x01};
    arrived.insert(arrived.end(), member.begin(), member.end());
    ZoneMemberText text;
    ASSERT_EQ(MemberDecode::ok, decodeZoneMember(spanOf(arrived), firstMember, text));
    EXPECT_EQ(MemberDecode::pastBuffer, decodeZoneMember(spanOf(arrived), firstMember + 12, text));
}

TEST(ZoneDecodeRobustness, ArbitraryBytesStayInsideTheSpan) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 2000; ++round) {
        // An exact-size heap copy, so a read past it shows under the sanitizers; the
        // plain build checks that what is handed back lies inside the span.
        Bytes bytes(random() % 600);
        for (std::uint8_t& b : bytes) b = std::uint8_t(random() % 4 == 0 ? 0xFF : random());
        const ByteSpan span = spanOf(bytes);
        std::vector<std::string> names;
        if (decodeZoneSetNameList(span, names)) {
            for (const std::string& name : names) ASSERT_LE(name.size(), bytes.size());
        }
        ZoneSetHeader header;
        ZoneHeader zone;
        ZoneMemberText member;
        if (decodeZoneSetHeader(span, header)) {
            ASSERT_LE(header.firstZoneOffset, bytes.size());
        }
        for (std::size_t offset = 0; offset <= bytes.size() + 2; offset += 3) {
            if (decodeZoneHeader(span, offset, zone)) {
                ASSERT_LE(zone.memberCountOffset + 4, bytes.size()) << offset;
                ASSERT_LE(zone.name.size(), bytes.size() - offset) << offset;
            }
            if (decodeZoneMember(span, offset, member) == MemberDecode::ok) {
                ASSERT_LE(offset + member.size, bytes.size()) << offset;
            }
        }
    }
}

}  // namespace
