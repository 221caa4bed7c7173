// The pure decoders of the topology responses, on plain buffers that end at a guard page:
// whatever a response's counts say, nothing is read past it. Arbitrary bytes through every
// decoder are the fuzz targets' (fuzz/ElementListFuzz.cpp and its neighbours).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "GsBytes.h"
#include "GsCommands.h"
#include "GuardedBuffer.h"
#include "PlatformQueries.h"
#include "SwitchQueries.h"
#include "TopologyDecode.h"

namespace {

// A list response of `size` bytes stating `count`, entry i filled with byte i + 1.
Bytes listResponse(std::size_t size, std::uint32_t count, std::size_t entrySize) {
    GsBytes b;
    b.pad(16).be32(count);
    for (std::size_t i = 0; b.size() + entrySize <= size; ++i) b.pad(entrySize, static_cast<std::uint8_t>(i + 1));
    return b.inBuffer(size);
}

Bytes counted(const std::string& text, std::size_t fieldSize, int declaredLength = -1) {
    return GsBytes().counted(text, fieldSize, declaredLength).bytes();
}

// Each list command keeps only the entries lying wholly inside what arrived, whatever its
// count says: never past its response buffer, never the zero fill after a short answer.
TEST(CountedLists, OnlyEntriesWhollyInsideWhatArrivedAreKept) {
    for (const GsCommand<CountedList>* command :
         {&gs::GIEL, &gs::GPL, &gs::GAPNL, &gs::GMAL, &gs::GPNL, &gs::GPLML, &gs::GPLNL}) {
        SCOPED_TRACE(command->name);
        CountedList list;
        const Bytes layout = listResponse(command->responseSize, 0, 1);
        ASSERT_TRUE(command->decode(ByteSpan{layout.data(), layout.size()}, list));
        const std::size_t size = list.entrySize;
        const auto capacity = static_cast<std::uint32_t>((command->responseSize - 20) / size);
        for (std::uint32_t declared : {0u, 1u, capacity - 1, capacity, capacity + 1, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            GuardedBuffer buffer(listResponse(command->responseSize, declared, size));
            ASSERT_TRUE(command->decode(buffer.span(), list));
            EXPECT_EQ(declared, list.count.declared);
            ASSERT_EQ(std::min(declared, capacity), list.count.usable);
            if (declared) {
                EXPECT_EQ(static_cast<std::uint8_t>(list.count.usable), list.entry(list.count.usable - 1).data[size - 1]);
            }
            EXPECT_EQ(0u, list.entry(capacity).size);
        }
        // Two whole entries and half of a third arrived; the count says five.
        Bytes part = listResponse(command->responseSize, 5, size);
        part.resize(20 + 2 * size + size / 2);
        GuardedBuffer arrived(part);
        ASSERT_TRUE(command->decode(arrived.span(), list));
        EXPECT_EQ(5u, list.count.declared);
        EXPECT_EQ(2u, list.count.usable);
        EXPECT_EQ(0u, list.entry(2).size);
        // Not even the count arrived: the query counts as failed.
        GuardedBuffer header(Bytes(part.begin(), part.begin() + 19));
        EXPECT_FALSE(command->decode(header.span(), list));
    }
}

TEST(CountedLists, ResponsesTooShortForCountOrEntriesYieldNothing) {
    for (std::size_t size : {0u, 3u, 16u, 19u, 20u, 31u}) {
        GuardedBuffer buffer(Bytes(size, 0xFF));
        EXPECT_EQ(0u, decodeListCount(buffer.span(), 12).usable) << size;
        EXPECT_EQ(0u, listEntry(buffer.span(), 12, 0).size) << size;
    }
    GuardedBuffer exact(listResponse(32, 5, 12));
    EXPECT_EQ(1u, decodeListCount(exact.span(), 12).usable);
    EXPECT_EQ(0u, decodeListCount(exact.span(), 0).usable);
    WwnTypeEntry entry;
    EXPECT_FALSE(decodeWwnTypeEntry(GuardedBuffer(Bytes(11, 1)).span(), entry));
}

// The address lists apply only the addresses that arrived whole.
TEST(CountedLists, AddressListsShorterThanTheirCountKeepOnlyWhatArrived) {
    Bytes answer = listResponse(20, 3, 256);
    for (const char* address : {"snmp://192.0.2.9", "http://192.0.2.10"}) {
        const Bytes entry = counted(address, 256);
        answer.insert(answer.end(), entry.begin(), entry.end());
    }
    answer.resize(answer.size() - 100);  // the second address ends 100 bytes short
    GuardedBuffer arrived(answer);
    CountedList list;
    ASSERT_TRUE(decodeNameEntryList(arrived.span(), list));
    SwitchManagementAddresses switchAddresses{};
    decodeSwitchAddresses(list, switchAddresses);
    EXPECT_STREQ("snmp://192.0.2.9", switchAddresses.snmp);
    EXPECT_STREQ("", switchAddresses.url);
    PlatformAddresses platformAddresses{};
    decodePlatformAddresses(list, platformAddresses);
    EXPECT_STREQ("snmp://192.0.2.9", platformAddresses.snmp);
    EXPECT_STREQ("", platformAddresses.url);
}

// A single value whose answer ends before it leaves its output untouched, as a failed query does.
TEST(SingleValues, AnAnswerEndingBeforeTheFieldLeavesItUntouched) {
    Bytes answer(280, 0x41);
    answer[16] = 10;  // a logical name of 10 characters, an information list's leading word
    for (std::size_t size : {12u, 16u, 17u, 19u, 20u, 23u, 26u, 27u, 280u}) {
        SCOPED_TRACE(size);
        GuardedBuffer arrived(Bytes(answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(size)));
        Wwn wwn{{9, 9, 9, 9, 9, 9, 9, 9}};
        EXPECT_EQ(size >= 24, decodeWwnAt16(arrived.span(), wwn));
        EXPECT_EQ(size >= 24 ? 10 : 9, wwn.bytes[0]);
        std::uint8_t state = 9;
        EXPECT_EQ(size >= 24, decodePortState(arrived.span(), state));
        FcId id = {9, 9, 9};
        EXPECT_EQ(size >= 20, decodeIdAt17(arrived.span(), id));
        EXPECT_EQ(size >= 20 ? 0x41 : 9, id[0]);
        std::uint32_t word = 9;
        EXPECT_EQ(size >= 20, decodeWordAt16(arrived.span(), word));
        LogicalName name = "before";
        EXPECT_EQ(size >= 27, decodeLogicalName(arrived.span(), name));
        EXPECT_STREQ(size >= 27 ? "AAAAAAAAAA" : "before", name);
        ElementAttributeTexts texts{};
        EXPECT_EQ(size >= 20, decodeElementAttributes(arrived.span(), texts));
    }
}

// Raw port type bytes index the type table, or lie beyond it for the callers to reject;
// port numbers are converted by their most significant byte.
TEST(PortFields, TypeIndexAndPhysicalNumber) {
    const std::pair<std::uint8_t, int> types[] = {{0x00, 0}, {0x01, 1}, {0x02, 2}, {0x7F, 0x7F}, {0x80, 0x80},
                                                  {0x81, 5}, {0x82, 6}, {0x84, 8},  {0x85, 9},    {0x8A, 14},
                                                  {0x8B, 15}, {0xF0, 0x74}, {0xF1, 1}, {0xFE, 14},  {0xFF, 15}};
    for (const auto& [raw, index] : types) EXPECT_EQ(index, portTypeIndex(raw)) << int(raw);
    const std::pair<std::uint32_t, std::uint32_t> numbers[] = {
        {0x01234000, 553}, {0x1E000005, 6}, {0x10, 16}, {0x01FFFFFF, 3328}, {0x1EFFFFFF, 8192}, {0xFFFFFFFF, 0xFFFFFFFF}};
    for (const auto& [raw, number] : numbers) EXPECT_EQ(number, physicalPortNumber(raw)) << raw;
}

TEST(CountedTexts, TheLengthByteIsBoundedByFieldOutputAndNul) {
    const struct {
        Bytes field;
        std::size_t outputSize;
        std::string text;
    } cases[] = {
        {counted("core-1", 256), 256, "core-1"},
        {counted(std::string(255, 'n'), 256), 256, std::string(255, 'n')},
        {counted("abcdefghi", 10, 200), 256, "abcdefghi"},  // a length beyond the field is cut to it
        {counted("abcdefghi", 256), 5, "abcd"},
        {counted(std::string("ab\0cd", 5), 256), 256, "ab"},
        {Bytes{}, 256, ""},
        {counted("", 256), 256, ""},
    };
    for (const auto& c : cases) {
        GuardedBuffer b(c.field);
        std::vector<char> out(c.outputSize, 'x');
        EXPECT_EQ(c.text.size(), decodeCountedText(b.span(), out.data(), out.size())) << c.text;
        EXPECT_EQ(c.text, out.data());
    }
}

// Vendor, model and release, each starting after the previous NUL; one without its
// NUL ends at the list's end.
TEST(InformationList, ThreeTextsEachEndingAtItsNulOrTheListsEnd) {
    const struct {
        Bytes list;
        std::string vendor;
        const char* model;
        std::string release;
    } cases[] = {
        {GsBytes().u8(0xFF).pad(3).raw(fromHex("457861096D706C6500582D34380076382E322E3100")).inBuffer(256), "Exa\tmple",
         "X-48", "v8.2.1"},
        {Bytes(256, 'v'), std::string(252, 'v'), "", ""},
        {GsBytes().pad(4).raw({'V', 0, 'M', 0}).pad(248, 'r').bytes(), "V", "M", std::string(248, 'r')},
        {Bytes(5, 'x'), "x", "", ""},
        {Bytes(4, 'x'), "", "", ""},
        {Bytes(3, 'x'), "", "", ""},
        {Bytes(), "", "", ""},
    };
    for (const auto& c : cases) {
        GuardedBuffer b(c.list);
        ElementAttributeTexts out;
        decodeInformationList(b.span(), out);
        EXPECT_EQ(c.vendor, out.vendor);
        EXPECT_STREQ(c.model, out.model);
        EXPECT_EQ(c.release, out.release);
    }
}

TEST(Addresses, KindIsToldByTheFirstFourCharactersCaseSensitively) {
    const std::pair<const char*, AddressKind> cases[] = {
        {"snmp://192.0.2.10", AddressKind::Snmp},    {"http://192.0.2.10", AddressKind::Url},
        {"https://192.0.2.10", AddressKind::Url},    {"telnet://192.0.2.10", AddressKind::Telnet},
        {"xml://host", AddressKind::Xml},            {"xmlx://host", AddressKind::Other},
        {"SNMP://192.0.2.10", AddressKind::Other},   {"ftp://192.0.2.10", AddressKind::Other},
        {"snm", AddressKind::Other},                 {"", AddressKind::Other}};
    for (const auto& [address, kind] : cases) EXPECT_EQ(kind, classifyAddress(address)) << address;
}

}  // namespace
