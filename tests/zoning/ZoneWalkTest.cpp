// The zone walk over whole response buffers: records, identifiers, bounds.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

#include "Capture.h"
#include "GsBytes.h"
#include "ReturnCodes.h"
#include "ZoneWalk.h"

namespace {

// The zone server's accepted answer: what follows its preamble is added by each test.
const GsBytes kZoneAnswer = GsBytes::accept(0xFA, 0x03);

constexpr std::size_t kBuffer = 256000;
const char kFabric[] = "100000000000A001";
const Bytes kWwn = {0x10, 0x00, 0x00, 0x00, 0xC9, 0xA0, 0x00, 0x01};

std::string block(const std::string& section, std::initializer_list<std::string> fields) {
    std::string out = "[" + section + "]\n";
    bool first = true;
    for (const std::string& f : fields) {
        if (!first) out += ",";
        first = false;
        out += "\"" + f + "\"";
    }
    return out + "\n[/" + section + "]\n";
}

std::string zoneRecords(const std::string& zoneSet, const std::string& zone, bool active) {
    const std::string x = active ? "1" : "0";
    const std::string zoneId = std::string(kFabric) + ":" + zoneSet + ":" + zone + ":" + x;
    return block("ZoneSetToZone", {std::string(kFabric) + ":" + zoneSet + ":" + x, zoneId}) +
           block("Zone", {zoneId, zone, "None"});
}

std::string memberRecords(const std::string& zoneSet, const std::string& zone, bool active,
                          const std::string& name, const std::string& type) {
    const std::string id = std::string(kFabric) + ":" + name + ":" + type;
    const std::string zoneId =
        std::string(kFabric) + ":" + zoneSet + ":" + zone + ":" + (active ? "1" : "0");
    return block("ZoneMember", {id, name, type}) + block("ZoneToMember", {id, zoneId});
}

struct Walk {
    int result;
    std::string output;
};

Walk walk(const Bytes& buffer, const char* zoneSetName, int isActiveCopy) {
    StreamCapture out;
    ZoneWalkSource source;
    source.handle = 1;
    source.fabricWwn = kFabric;
    source.zoneSetName = zoneSetName;
    source.isActiveCopy = isActiveCopy;
    source.command = isActiveCopy ? "GAZS" : "GZS";
    RecordSink sink(out.get(), "");
    const int result = walkZoneSet(source, ByteSpan{buffer.data(), buffer.size()}, sink, 1);
    return {result, out.text()};
}

TEST(ZoneWalk, ZonesAndMembersInResponseOrder) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("cfg_prod", 3)
        .zone("z_host17", 2)
        .member(0x01, kWwn)
        .member(0x02, {0x07, 0x80, 0x00, 0, 0, 0, 0, 0})
        .zone("z_empty", 0)
        .zone("z_lun", 2)
        .member(0xF1, {0x50, 0x06, 0x01, 0x60, 0x3B, 0x20, 0x1A, 0xBC, 0, 0, 0, 0, 0, 0, 0, 0x05})
        .member(0x01, kWwn);  // read 20 bytes after the LUN member
    for (int active : {0, 1}) {
        const Walk w = walk(bytes.inBuffer(kBuffer), "cfg_prod", active);
        ASSERT_EQ(w.result, 0);
        const bool a = active == 1;
        EXPECT_EQ(w.output,
                  zoneRecords("cfg_prod", "z_host17", a) +
                      memberRecords("cfg_prod", "z_host17", a, "10000000C9A00001", "PortWWN") +
                      memberRecords("cfg_prod", "z_host17", a, "7,-32768", "DomainPort") +
                      zoneRecords("cfg_prod", "z_empty", a) + zoneRecords("cfg_prod", "z_lun", a) +
                      memberRecords("cfg_prod", "z_lun", a, "500601603B201ABC0000000000000005",
                                    "WwnLun") +
                      memberRecords("cfg_prod", "z_lun", a, "10000000C9A00001", "PortWWN"));
    }
}

TEST(ZoneWalk, RecordNameComesFromTheCallerNotTheBuffer) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("other", 1).zone("z", 0);
    const Walk w = walk(bytes.inBuffer(kBuffer), "cfg_listed", 0);
    ASSERT_EQ(w.result, 0);
    EXPECT_EQ(w.output, zoneRecords("cfg_listed", "z", false));
}

TEST(ZoneWalk, QuoteInAZoneNameIsEscapedEverywhere) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("cfg", 1).zone("z\"q", 1).member(0xE8, kWwn);
    const Walk w = walk(bytes.inBuffer(kBuffer), "cfg", 0);
    ASSERT_EQ(w.result, 0);
    EXPECT_EQ(w.output, zoneRecords("cfg", "z\\\"q", false) +
                            memberRecords("cfg", "z\\\"q", false, "0000000000000000", "IP"));
}

TEST(ZoneWalk, MemberInTwoZonesKeepsOneIdentifier) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("cfg", 2).zone("a", 1).member(0xE8, kWwn).zone("b", 1).member(0xE8, kWwn);
    const Walk w = walk(bytes.inBuffer(kBuffer), "cfg", 0);
    ASSERT_EQ(w.result, 0);
    EXPECT_EQ(w.output, zoneRecords("cfg", "a", false) +
                            memberRecords("cfg", "a", false, "0000000000000000", "IP") +
                            zoneRecords("cfg", "b", false) +
                            memberRecords("cfg", "b", false, "0000000000000000", "IP"));
}

// A zone set name that puts a zone of tailSize bytes, after a first zone of
// 12-byte members, exactly at the end of the buffer.
std::string nameFillingTo(std::size_t tailSize, std::uint32_t& fill) {
    for (std::size_t length = 1;; ++length) {
        GsBytes head = kZoneAnswer;
        const std::string name(length, 's');
        head.zoneSet(name, 2).zone("first", 0);
        const std::size_t room = kBuffer - head.size() - tailSize;
        if (room % 12 == 0) {
            fill = std::uint32_t(room / 12);
            return name;
        }
    }
}

TEST(ZoneWalkBounds, LastMemberMayEndAtTheLastByte) {
    std::uint32_t fill = 0;
    const std::string cfg = nameFillingTo(4 + 4 + 4 + 12, fill);  // zone "last", one member
    GsBytes exact = kZoneAnswer;
    exact.zoneSet(cfg, 2).zone("first", fill);
    for (std::uint32_t i = 0; i < fill; ++i) exact.member(0xE6, kWwn);
    exact.zone("last", 1).member(0x04, kWwn);
    ASSERT_EQ(exact.size(), kBuffer);
    Walk w = walk(exact.bytes(), "cfg", 0);
    EXPECT_EQ(w.result, 0);
    EXPECT_NE(w.output.find("10000000C9A00001\",\"NodeWWN\""), std::string::npos);

    // The same zone with a LUN member runs 8 bytes past the end: the records
    // written before stay, the run ends with -1002.
    Bytes over = exact.bytes();
    over[kBuffer - 12] = 0xF1;
    w = walk(over, "cfg", 0);
    EXPECT_EQ(w.result, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
    EXPECT_NE(w.output.find(zoneRecords("cfg", "last", false)), std::string::npos);
    EXPECT_EQ(w.output.find("NodeWWN"), std::string::npos);
    EXPECT_EQ(w.output.find("WwnLun"), std::string::npos);
}

TEST(ZoneWalkBounds, ZoneHeaderMustEndInsideTheBuffer) {
    std::uint32_t fill = 0;
    const std::string cfg = nameFillingTo(4 + 4 + 4, fill);  // zone "last" with its count
    for (std::size_t cut : {std::size_t(0), std::size_t(1), std::size_t(4)}) {
        GsBytes bytes = kZoneAnswer;
        bytes.zoneSet(cfg, 2).zone("first", fill);
        for (std::uint32_t i = 0; i < fill; ++i) bytes.member(0xE6, kWwn);
        bytes.zone("last", 0);
        ASSERT_EQ(bytes.size(), kBuffer);
        Bytes buffer = bytes.bytes();
        buffer.resize(kBuffer - cut);
        const Walk w = walk(buffer, "cfg", 1);
        if (cut == 0) {
            EXPECT_EQ(w.result, 0);
            EXPECT_NE(w.output.find(zoneRecords("cfg", "last", true)), std::string::npos);
        } else {
            EXPECT_EQ(w.result, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT) << cut;
            EXPECT_EQ(w.output.find("\"last\""), std::string::npos);
            EXPECT_EQ(w.output.rfind(memberRecords("cfg", "first", true, "0000000000000000",
                                                   "SymbolicNodeName")),
                      w.output.size() - memberRecords("cfg", "first", true, "0000000000000000",
                                                      "SymbolicNodeName")
                                            .size());
        }
    }
}

TEST(ZoneWalkBadInput, EmptyZoneNameEndsTheWalkKeepingEarlierRecords) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("cfg", 3).zone("good", 1).member(0x01, kWwn).zone("", 1).member(0x01, kWwn)
        .zone("never", 0);
    const Walk w = walk(bytes.inBuffer(kBuffer), "cfg", 0);
    EXPECT_EQ(w.result, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
    EXPECT_EQ(w.output, zoneRecords("cfg", "good", false) +
                            memberRecords("cfg", "good", false, "10000000C9A00001", "PortWWN"));
}

TEST(ZoneWalkBadInput, CountsOfAllOnes) {
    GsBytes zones = kZoneAnswer;
    zones.zoneSet("cfg", 0xFFFFFFFFu).zone("z", 1).member(0x01, kWwn);
    Walk w = walk(zones.inBuffer(kBuffer), "cfg", 1);
    EXPECT_EQ(w.result, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
    EXPECT_EQ(w.output, zoneRecords("cfg", "z", true) +
                            memberRecords("cfg", "z", true, "10000000C9A00001", "PortWWN"));

    // Zero bytes after the answer read as members of unknown type up to the
    // buffer's end; the one that would end past it ends the walk.
    GsBytes members = kZoneAnswer;
    members.zoneSet("cfg", 1).zone("z", 0xFFFFFFFFu).member(0x01, kWwn);
    w = walk(members.inBuffer(kBuffer), "cfg", 0);
    EXPECT_EQ(w.result, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
    const std::string unknown =
        memberRecords("cfg", "z", false, "0000000000000000", "Unknown");
    const std::string head = zoneRecords("cfg", "z", false) +
                             memberRecords("cfg", "z", false, "10000000C9A00001", "PortWWN");
    const std::size_t unknownCount = (kBuffer - members.size()) / 12;
    ASSERT_EQ(w.output.size(), head.size() + unknownCount * unknown.size());
    EXPECT_EQ(w.output.compare(0, head.size(), head), 0);
    EXPECT_EQ(w.output.compare(w.output.size() - unknown.size(), unknown.size(), unknown), 0);

    // Members of a known type up to the very end of the buffer, and no further.
    Bytes full = members.inBuffer(kBuffer);
    for (std::size_t at = members.size(); at + 12 <= kBuffer; at += 12) full[at] = 0x03;
    w = walk(full, "cfg", 0);
    EXPECT_EQ(w.result, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
}

TEST(ZoneWalkMembers, UnknownMemberTypeIsWrittenAndStepsTwelveBytes) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("cfg", 1).zone("z", 4).member(0x03, {0, 1, 2, 3, 0, 0, 0, 0}).member(0x42, kWwn)
        .member(0xFA, kWwn).member(0x01, kWwn);
    const Walk w = walk(bytes.inBuffer(kBuffer), "cfg", 0);
    EXPECT_EQ(w.result, 0);
    const std::string unknown = memberRecords("cfg", "z", false, "0000000000000000", "Unknown");
    EXPECT_EQ(w.output, zoneRecords("cfg", "z", false) +
                            memberRecords("cfg", "z", false, "010203", "FCID") + unknown + unknown +
                            memberRecords("cfg", "z", false, "10000000C9A00001", "PortWWN"));

    // An unknown member whose 12 bytes would end past the buffer is still a bad response.
    GsBytes cut = kZoneAnswer;
    cut.zoneSet("cfg", 1).zone("z", 2).member(0x01, kWwn).member(0x42, kWwn);
    Bytes buffer = cut.bytes();
    buffer.resize(buffer.size() - 1);
    const Walk over = walk(buffer, "cfg", 0);
    EXPECT_EQ(over.result, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
    EXPECT_EQ(over.output.find("Unknown"), std::string::npos);
}

TEST(ZoneWalkBadInput, BufferTooShortForTheZoneSetHeader) {
    Bytes tiny(20, 0);
    const Walk w = walk(tiny, "cfg", 1);
    EXPECT_EQ(w.result, FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
    EXPECT_EQ(w.output, "");
}

TEST(ZoneWalkBadInput, ArbitraryBytesNeverReadPastTheBuffer) {
    FILE* devNull = std::fopen("/dev/null", "w");
    ASSERT_NE(devNull, nullptr);
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes(16 + random() % 300);
        for (std::uint8_t& b : bytes) {
            const unsigned pick = random() % 8;
            b = pick == 0 ? 0x01 : pick == 1 ? 0xF1 : pick == 2 ? 0 : std::uint8_t(random() % 16);
        }
        ZoneWalkSource source;
        source.fabricWwn = kFabric;
        source.zoneSetName = "fuzz";
        RecordSink sink(devNull, "");
        const int result = walkZoneSet(source, ByteSpan{bytes.data(), bytes.size()}, sink, 1);
        EXPECT_TRUE(result == 0 || result == FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT) << result;
    }
    std::fclose(devNull);
}

TEST(ZoneWalkWrites, FailedWriteIsReturnedUnchanged) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("cfg", 2).zone("a", 2).member(0x01, kWwn).member(0x04, kWwn).zone("b", 0);
    const Bytes buffer = bytes.inBuffer(kBuffer);
    Walk whole = walk(buffer, "cfg", 0);
    ASSERT_EQ(whole.result, 0);
    // Fail at every byte of the output in turn: the walk hands back the
    // writer's EOF and leaves exactly the bytes the stream took.
    for (std::size_t capacity = 0; capacity < whole.output.size(); capacity += 7) {
        FailingStream out(capacity);
        ZoneWalkSource source;
        source.fabricWwn = kFabric;
        source.zoneSetName = "cfg";
        RecordSink sink(out.get(), "");
        const int result = walkZoneSet(source, ByteSpan{buffer.data(), buffer.size()}, sink, 1);
        EXPECT_EQ(result, EOF) << capacity;
        EXPECT_EQ(out.text(), whole.output.substr(0, capacity)) << capacity;
    }
}

TEST(ZoneInfo, HandsBackTheOffsetAfterTheLastMember) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("cfg", 1).zone("z", 2).member(0xF3, Bytes(16, 1)).member(0x01, kWwn);
    const Bytes buffer = bytes.inBuffer(kBuffer);
    StreamCapture out;
    RecordSink sink(out.get(), "");
    std::size_t next = 0;
    const std::size_t countOffset = 28 + 4 + 4;  // zone "z" at 28: length, reserved, name, padding
    ASSERT_EQ(getZoneInfo(1, kFabric, "cfg", "z", ByteSpan{buffer.data(), buffer.size()},
                          countOffset, sink, 1, 1, next),
              0);
    EXPECT_EQ(next, countOffset + 4 + 20 + 12);
    EXPECT_EQ(next, bytes.size());
    EXPECT_EQ(out.text(), zoneRecords("cfg", "z", true) +
                              memberRecords("cfg", "z", true, "0101010101010101010101", "FCIDLun") +
                              memberRecords("cfg", "z", true, "10000000C9A00001", "PortWWN"));
    // A count offset at the very end cannot hold the count.
    EXPECT_EQ(getZoneInfo(1, kFabric, "cfg", "z", ByteSpan{buffer.data(), buffer.size()},
                          kBuffer - 3, sink, 1, 1, next),
              FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT);
}

}  // namespace
