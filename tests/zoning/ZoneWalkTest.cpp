// The zone walk over whole response buffers: where it must stop, and what it hands back.
// Zones, members of every type, quotes, a member in two zones and a zone without a name
// are the golden files' (tests/cases/zoning); arbitrary bytes are fuzz/ZoneWalkFuzz.cpp's,
// and a failed write at any byte of a zoning probe is PortProbe's (tests/topology/SimTests.cpp).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Capture.h"
#include "GsBytes.h"
#include "ReturnCodes.h"
#include "ZoneWalk.h"

namespace {

// The zone server's accepted answer: what follows its preamble is added by each test.
const GsBytes kZoneAnswer = GsBytes::accept(0xFA, 0x03);

constexpr std::size_t kBuffer = 256000;
const std::string kFabric = "100000000000A001";
const Bytes kWwn = {0x10, 0x00, 0x00, 0x00, 0xC9, 0xA0, 0x00, 0x01};
constexpr int kBad = FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT;

std::string block(const std::string& section, const std::string& first, const std::string& second,
                  const std::string& third = "") {
    return "[" + section + "]\n\"" + first + "\",\"" + second + (third.empty() ? "" : "\",\"" + third) + "\"\n[/" +
           section + "]\n";
}

std::string zoneRecords(const std::string& zoneSet, const std::string& zone, bool active) {
    const std::string x = active ? "1" : "0";
    const std::string zoneId = kFabric + ":" + zoneSet + ":" + zone + ":" + x;
    return block("ZoneSetToZone", kFabric + ":" + zoneSet + ":" + x, zoneId) + block("Zone", zoneId, zone, "None");
}

std::string memberRecords(const std::string& zoneSet, const std::string& zone, bool active, const std::string& name,
                          const std::string& type) {
    const std::string id = kFabric + ":" + name + ":" + type;
    return block("ZoneMember", id, name, type) +
           block("ZoneToMember", id, kFabric + ":" + zoneSet + ":" + zone + ":" + (active ? "1" : "0"));
}

struct Walk {
    int result;
    std::string output;
};

Walk walk(const Bytes& buffer, const char* zoneSetName, int isActiveCopy) {
    StreamCapture out;
    ZoneWalkSource source;
    source.handle = 1;
    source.fabricWwn = kFabric.c_str();
    source.zoneSetName = zoneSetName;
    source.isActiveCopy = isActiveCopy;
    source.command = isActiveCopy ? "GAZS" : "GZS";
    RecordSink sink(out.get(), "");
    const int result = walkZoneSet(source, ByteSpan{buffer.data(), buffer.size()}, sink, 1);
    return {result, out.text()};
}

// The zone set's name in the records is the one the walk was given (the listed name).
TEST(ZoneWalk, RecordNameComesFromTheCallerNotTheBuffer) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("other", 1).zone("z", 0);
    const Walk w = walk(bytes.inBuffer(kBuffer), "cfg_listed", 0);
    ASSERT_EQ(w.result, 0);
    EXPECT_EQ(w.output, zoneRecords("cfg_listed", "z", false));
    const Walk tiny = walk(Bytes(20, 0), "cfg", 1);  // too short for the zone set's header
    EXPECT_EQ(tiny.result, kBad);
    EXPECT_EQ(tiny.output, "");
}

// A zone set name that puts a zone of tailSize bytes, after a first zone of
// 12-byte members, exactly at the end of the buffer.
GsBytes filledTo(std::size_t tailSize) {
    for (std::size_t length = 1;; ++length) {
        GsBytes bytes = kZoneAnswer;
        bytes.zoneSet(std::string(length, 's'), 2).zone("first", 0);
        const std::size_t room = kBuffer - bytes.size() - tailSize;
        if (room % 12 != 0) continue;
        bytes = kZoneAnswer;
        bytes.zoneSet(std::string(length, 's'), 2).zone("first", std::uint32_t(room / 12));
        for (std::size_t i = 0; i < room / 12; ++i) bytes.member(0xE6, kWwn);
        return bytes;
    }
}

TEST(ZoneWalkBounds, LastMemberMayEndAtTheLastByte) {
    GsBytes exact = filledTo(4 + 4 + 4 + 12);  // zone "last", one member
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
    EXPECT_EQ(w.result, kBad);
    EXPECT_NE(w.output.find(zoneRecords("cfg", "last", false)), std::string::npos);
    EXPECT_EQ(w.output.find("NodeWWN"), std::string::npos);
    EXPECT_EQ(w.output.find("WwnLun"), std::string::npos);
}

TEST(ZoneWalkBounds, ZoneHeaderMustEndInsideTheBuffer) {
    GsBytes bytes = filledTo(4 + 4 + 4);  // zone "last" with its count
    bytes.zone("last", 0);
    ASSERT_EQ(bytes.size(), kBuffer);
    const std::string lastMember = memberRecords("cfg", "first", true, "0000000000000000", "SymbolicNodeName");
    const Walk whole = walk(bytes.bytes(), "cfg", 1);
    EXPECT_EQ(whole.result, 0);
    EXPECT_NE(whole.output.find(zoneRecords("cfg", "last", true)), std::string::npos);
    for (std::ptrdiff_t cut : {1, 4}) {
        const Walk w = walk(Bytes(bytes.bytes().begin(), bytes.bytes().end() - cut), "cfg", 1);
        EXPECT_EQ(w.result, kBad) << cut;
        EXPECT_EQ(w.output.find("\"last\""), std::string::npos) << cut;
        EXPECT_EQ(w.output.rfind(lastMember), w.output.size() - lastMember.size()) << cut;
    }
}

TEST(ZoneWalkBounds, CountsOfAllOnesStopAtTheBuffersEnd) {
    GsBytes zones = kZoneAnswer;
    zones.zoneSet("cfg", 0xFFFFFFFFu).zone("z", 1).member(0x01, kWwn);
    Walk w = walk(zones.inBuffer(kBuffer), "cfg", 1);
    EXPECT_EQ(w.result, kBad);
    EXPECT_EQ(w.output, zoneRecords("cfg", "z", true) + memberRecords("cfg", "z", true, "10000000C9A00001", "PortWWN"));

    // Zero bytes after the answer read as members of unknown type up to the
    // buffer's end; the one that would end past it ends the walk.
    GsBytes members = kZoneAnswer;
    members.zoneSet("cfg", 1).zone("z", 0xFFFFFFFFu).member(0x01, kWwn);
    w = walk(members.inBuffer(kBuffer), "cfg", 0);
    EXPECT_EQ(w.result, kBad);
    const std::string unknown = memberRecords("cfg", "z", false, "0000000000000000", "Unknown");
    const std::string head = zoneRecords("cfg", "z", false) + memberRecords("cfg", "z", false, "10000000C9A00001", "PortWWN");
    ASSERT_EQ(w.output.size(), head.size() + (kBuffer - members.size()) / 12 * unknown.size());
    EXPECT_EQ(w.output.compare(0, head.size(), head), 0);
    EXPECT_EQ(w.output.compare(w.output.size() - unknown.size(), unknown.size(), unknown), 0);

    // Members of a known type up to the very end of the buffer, and no further.
    Bytes full = members.inBuffer(kBuffer);
    for (std::size_t at = members.size(); at + 12 <= kBuffer; at += 12) full[at] = 0x03;
    EXPECT_EQ(walk(full, "cfg", 0).result, kBad);

    // An unknown member whose 12 bytes would end past what arrived is a bad response too.
    GsBytes cut = kZoneAnswer;
    cut.zoneSet("cfg", 1).zone("z", 2).member(0x01, kWwn).member(0x42, kWwn);
    w = walk(Bytes(cut.bytes().begin(), cut.bytes().end() - 1), "cfg", 0);
    EXPECT_EQ(w.result, kBad);
    EXPECT_EQ(w.output.find("Unknown"), std::string::npos);
}

TEST(ZoneInfo, HandsBackTheOffsetAfterTheLastMember) {
    GsBytes bytes = kZoneAnswer;
    bytes.zoneSet("cfg", 1).zone("z", 2).member(0xF3, Bytes(16, 1)).member(0x01, kWwn);
    const Bytes buffer = bytes.inBuffer(kBuffer);
    StreamCapture out;
    RecordSink sink(out.get(), "");
    std::size_t next = 0;
    const std::size_t countOffset = 28 + 4 + 4;  // zone "z" at 28: length, reserved, name, padding
    const ByteSpan span{buffer.data(), buffer.size()};
    ASSERT_EQ(getZoneInfo(1, kFabric.c_str(), "cfg", "z", span, countOffset, sink, 1, 1, next), 0);
    EXPECT_EQ(next, countOffset + 4 + 20 + 12);
    EXPECT_EQ(next, bytes.size());
    EXPECT_EQ(out.text(), zoneRecords("cfg", "z", true) +
                              memberRecords("cfg", "z", true, "0101010101010101010101", "FCIDLun") +
                              memberRecords("cfg", "z", true, "10000000C9A00001", "PortWWN"));
    // A count offset at the very end cannot hold the count.
    EXPECT_EQ(getZoneInfo(1, kFabric.c_str(), "cfg", "z", span, kBuffer - 3, sink, 1, 1, next), kBad);
}

}  // namespace
