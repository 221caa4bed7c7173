// The pure decoders of the topology responses, on plain buffers that end at a
// guard page: whatever a response's counts say, nothing is read past it.
#include <gtest/gtest.h>

#include <random>
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

// Each list keeps only the entries that lie wholly inside its response buffer.
TEST(CountedLists, CountsBeyondTheBufferKeepOnlyTheEntriesInside) {
    struct Case {
        const char* command;
        std::size_t responseSize;
        std::size_t entrySize;
        std::uint32_t capacity;
    } cases[] = {
        {"GIEL", 3996, 12, 331}, {"GPL", 8212, 12, 682},   {"GAPNL", 1044, 12, 85},
        {"GPNL", 8212, 256, 32}, {"GPLML", 8212, 256, 32}, {"GPLNL", 8212, 8, 1024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        for (std::uint32_t declared : {0u, 1u, c.capacity - 1, c.capacity, c.capacity + 1, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            GuardedBuffer buffer(listResponse(c.responseSize, declared, c.entrySize));
            const ListCount count = decodeListCount(buffer.span(), c.entrySize);
            EXPECT_EQ(declared, count.declared);
            EXPECT_EQ(std::min(declared, c.capacity), count.usable);
            for (std::uint32_t i = 0; i < count.usable; ++i) {
                ByteSpan entry = listEntry(buffer.span(), c.entrySize, i);
                ASSERT_EQ(c.entrySize, entry.size);
                EXPECT_EQ(static_cast<std::uint8_t>(i + 1), entry.data[c.entrySize - 1]);
            }
            EXPECT_EQ(0u, listEntry(buffer.span(), c.entrySize, c.capacity).size);
        }
    }
}

TEST(CountedLists, ResponsesTooShortForCountOrEntriesYieldNothing) {
    for (std::size_t size : {0u, 3u, 16u, 19u, 20u, 31u}) {
        SCOPED_TRACE(size);
        Bytes b(size, 0xFF);
        GuardedBuffer buffer(b);
        const ListCount count = decodeListCount(buffer.span(), 12);
        EXPECT_EQ(0u, count.usable);
        EXPECT_EQ(0u, listEntry(buffer.span(), 12, 0).size);
    }
    GuardedBuffer exact(listResponse(32, 5, 12));
    EXPECT_EQ(1u, decodeListCount(exact.span(), 12).usable);
    EXPECT_EQ(0u, decodeListCount(exact.span(), 0).usable);
}

// An answer that arrived shorter than its count: each list command's decoder keeps
// the entries lying wholly inside what arrived, never the zero fill after it.
TEST(CountedLists, AnAnswerShorterThanItsCountKeepsOnlyWhatArrived) {
    const GsCommand<CountedList>* commands[] = {&gs::GIEL, &gs::GPL,   &gs::GAPNL, &gs::GMAL,
                                                &gs::GPNL, &gs::GPLML, &gs::GPLNL};
    for (const GsCommand<CountedList>* command : commands) {
        SCOPED_TRACE(command->name);
        CountedList probe;
        Bytes layout = listResponse(command->responseSize, 5, 1);
        ASSERT_TRUE(command->decode(ByteSpan{layout.data(), layout.size()}, probe));
        const std::size_t entrySize = probe.entrySize;
        // Two whole entries and half of a third arrived; the count says five.
        Bytes full = listResponse(command->responseSize, 5, entrySize);
        full.resize(20 + 2 * entrySize + entrySize / 2);
        GuardedBuffer arrived(full);
        CountedList list;
        ASSERT_TRUE(command->decode(arrived.span(), list));
        EXPECT_EQ(5u, list.count.declared);
        EXPECT_EQ(2u, list.count.usable);
        EXPECT_EQ(2, list.entry(1).data[entrySize - 1]);
        EXPECT_EQ(0u, list.entry(2).size);
        // Not even the count arrived: the query counts as failed.
        GuardedBuffer header(Bytes(full.begin(), full.begin() + 19));
        EXPECT_FALSE(command->decode(header.span(), list));
    }
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
    Bytes answer(272, 0x41);
    answer[16] = 10;  // a logical name of 10 characters, an information list's leading word
    for (std::size_t size : {16u, 17u, 19u, 20u, 23u, 26u}) {
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
        EXPECT_STREQ("before", name);
        ElementAttributeTexts texts{};
        EXPECT_EQ(size >= 20, decodeElementAttributes(arrived.span(), texts));
    }
    GuardedBuffer whole(Bytes(answer.begin(), answer.begin() + 27));
    LogicalName name = "";
    ASSERT_TRUE(decodeLogicalName(whole.span(), name));
    EXPECT_STREQ("AAAAAAAAAA", name);
}

TEST(WwnTypeEntries, WwnFromBytesZeroToSevenTypeFromByteEleven) {
    Bytes e = {0x20, 0x01, 0x00, 0x05, 0x1e, 0x01, 0x02, 0x03, 0xAA, 0xBB, 0xCC, 0x84};
    GuardedBuffer buffer(e);
    WwnTypeEntry entry;
    ASSERT_TRUE(decodeWwnTypeEntry(buffer.span(), entry));
    EXPECT_STREQ("200100051E010203", formatWwn(entry.wwn.bytes).text);
    EXPECT_EQ(0x84, entry.type);
    GuardedBuffer shortEntry(Bytes(11, 1));
    EXPECT_FALSE(decodeWwnTypeEntry(shortEntry.span(), entry));
}

TEST(PortTypes, RawTypeBytesMapOntoTheTableOrBeyondIt) {
    struct Case {
        std::uint8_t raw;
        int index;
    } cases[] = {
        {0x00, 0},   {0x01, 1},   {0x02, 2},  {0x7F, 0x7F}, {0x80, 0x80}, {0x81, 5},
        {0x82, 6},   {0x84, 8},   {0x85, 9},  {0x8A, 14},   {0x8B, 15},   {0xF0, 0x74},
        {0xF1, 1},   {0xFE, 14},  {0xFF, 15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.raw));
        EXPECT_EQ(c.index, portTypeIndex(c.raw));
    }
    // Every raw byte gives either a table index or one the callers reject.
    for (int raw = 0; raw < 256; ++raw) EXPECT_GE(portTypeIndex(static_cast<std::uint8_t>(raw)), 0);
}

TEST(PhysicalPortNumbers, ConvertedByTheirMostSignificantByte) {
    EXPECT_EQ(553u, physicalPortNumber(0x01234000));
    EXPECT_EQ(6u, physicalPortNumber(0x1E000005));
    EXPECT_EQ(16u, physicalPortNumber(0x00000010));
    EXPECT_EQ(3328u, physicalPortNumber(0x01FFFFFF));
    EXPECT_EQ(8192u, physicalPortNumber(0x1EFFFFFF));
    EXPECT_EQ(0xFFFFFFFFu, physicalPortNumber(0xFFFFFFFF));
}

TEST(CountedTexts, TheLengthByteIsBoundedByFieldAndOutput) {
    char out[256];
    {
        GuardedBuffer b(counted("core-1", 256));
        EXPECT_EQ(6u, decodeCountedText(b.span(), out, sizeof out));
        EXPECT_STREQ("core-1", out);
    }
    {
        GuardedBuffer b(counted(std::string(255, 'n'), 256));
        EXPECT_EQ(255u, decodeCountedText(b.span(), out, sizeof out));
        EXPECT_EQ(std::string(255, 'n'), out);
    }
    {
        // A length beyond the field is cut to the field.
        GuardedBuffer b(counted("abcdefghi", 10, 200));
        EXPECT_EQ(9u, decodeCountedText(b.span(), out, sizeof out));
        EXPECT_STREQ("abcdefghi", out);
    }
    {
        char small[5];
        GuardedBuffer b(counted("abcdefghi", 256));
        EXPECT_EQ(4u, decodeCountedText(b.span(), small, sizeof small));
        EXPECT_STREQ("abcd", small);
    }
    {
        GuardedBuffer b(counted(std::string("ab\0cd", 5), 256));
        EXPECT_EQ(2u, decodeCountedText(b.span(), out, sizeof out));
        EXPECT_STREQ("ab", out);
    }
    {
        GuardedBuffer b(Bytes{});
        out[0] = 'x';
        EXPECT_EQ(0u, decodeCountedText(b.span(), out, sizeof out));
        EXPECT_STREQ("", out);
    }
    {
        GuardedBuffer b(counted("", 256));
        EXPECT_EQ(0u, decodeCountedText(b.span(), out, sizeof out));
        EXPECT_STREQ("", out);
    }
}

TEST(InformationList, ThreeTextsEachStartingAfterThePreviousNul) {
    Bytes list(256, 0);
    const std::string texts = std::string("Exa\tmple\0X-48\0v8.2.1\0", 21);
    std::copy(texts.begin(), texts.end(), list.begin() + 4);
    list[0] = 0xFF;  // the leading word is skipped whatever it holds
    GuardedBuffer b(list);
    ElementAttributeTexts out;
    decodeInformationList(b.span(), out);
    EXPECT_STREQ("Exa\tmple", out.vendor);
    EXPECT_STREQ("X-48", out.model);
    EXPECT_STREQ("v8.2.1", out.release);
}

TEST(InformationList, TextsWithoutTheirNulEndAtTheListsEnd) {
    Bytes list(256, 'v');
    GuardedBuffer whole(list);
    ElementAttributeTexts out;
    decodeInformationList(whole.span(), out);
    EXPECT_EQ(std::string(252, 'v'), out.vendor);
    EXPECT_STREQ("", out.model);
    EXPECT_STREQ("", out.release);

    Bytes two(256, 'r');
    std::fill(two.begin(), two.begin() + 4, 0);
    two[4] = 'V';
    two[5] = 0;
    two[6] = 'M';
    two[7] = 0;
    GuardedBuffer partial(two);
    decodeInformationList(partial.span(), out);
    EXPECT_STREQ("V", out.vendor);
    EXPECT_STREQ("M", out.model);
    EXPECT_EQ(std::string(248, 'r'), out.release);

    for (std::size_t size : {0u, 3u, 4u, 5u}) {
        GuardedBuffer tiny(Bytes(size, 'x'));
        decodeInformationList(tiny.span(), out);
        EXPECT_EQ(size > 4 ? "x" : "", std::string(out.vendor));
        EXPECT_STREQ("", out.model);
        EXPECT_STREQ("", out.release);
    }
}

TEST(Addresses, KindIsToldByTheFirstFourCharactersCaseSensitively) {
    EXPECT_EQ(AddressKind::Snmp, classifyAddress("snmp://192.0.2.10"));
    EXPECT_EQ(AddressKind::Url, classifyAddress("http://192.0.2.10"));
    EXPECT_EQ(AddressKind::Url, classifyAddress("https://192.0.2.10"));
    EXPECT_EQ(AddressKind::Telnet, classifyAddress("telnet://192.0.2.10"));
    EXPECT_EQ(AddressKind::Xml, classifyAddress("xml://host"));
    EXPECT_EQ(AddressKind::Other, classifyAddress("xmlx://host"));
    EXPECT_EQ(AddressKind::Other, classifyAddress("SNMP://192.0.2.10"));
    EXPECT_EQ(AddressKind::Other, classifyAddress("ftp://192.0.2.10"));
    EXPECT_EQ(AddressKind::Other, classifyAddress("snm"));
    EXPECT_EQ(AddressKind::Other, classifyAddress(""));
}

// Arbitrary bytes of arbitrary sizes through every decoder: a read past the
// end would hit the guard page.
TEST(ArbitraryBytes, NoDecoderReadsPastItsBuffer) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 3000; ++round) {
        Bytes bytes(random() % 600);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        if (bytes.size() >= 20 && round % 2) setBe32(bytes, 16, 0xFFFFFFFF - round);
        GuardedBuffer buffer(bytes);
        const ByteSpan span = buffer.span();
        for (std::size_t entrySize : {8u, 12u, 256u}) {
            const ListCount count = decodeListCount(span, entrySize);
            for (std::uint32_t i = 0; i < count.usable; ++i) {
                ByteSpan entry = listEntry(span, entrySize, i);
                WwnTypeEntry e;
                if (entrySize == 12) {
                    ASSERT_TRUE(decodeWwnTypeEntry(entry, e));
                }
                char text[256];
                decodeCountedText(entry, text, sizeof text);
                classifyAddress(text);
            }
        }
        ElementAttributeTexts texts;
        decodeInformationList(span, texts);
        char name[256];
        decodeCountedText(subSpan(span, 16, 256), name, sizeof name);
        Wwn wwn;
        std::uint8_t id[3];
        std::uint8_t byte;
        std::uint32_t word;
        decodeWwnAt16(span, wwn);
        decodeIdAt17(span, id);
        decodeDomainId(span, byte);
        decodePortState(span, byte);
        decodeWordAt16(span, word);
    }
}

}  // namespace
