// The size-limited trace file: its header, wrap-around, continuation of an
// earlier file and segments.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Count.h"
#include "Files.h"
#include "TempDir.h"
#include "naTrace.h"
#include "ut/traceheader.h"

namespace {

constexpr std::uint64_t kMiB = 1048576;

class TraceRingTest : public ::testing::Test {
protected:
    void TearDown() override { naEndTrace(); }
    TempDir dir;
};

std::string numbered(int i) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "line %05d ", i);
    return buf;
}

void writeLines(int first, int count, std::size_t width) {
    const std::string pad(width, '.');
    for (int i = first; i < first + count; ++i) NATRACE(TR_MIN, "%s%s\n", numbered(i).c_str(), pad.c_str());
}

std::uint64_t nextWriteField(const std::string& file) {
    return std::strtoull(file.substr(12, 12).c_str(), nullptr, 10);
}

TEST(TraceHeader, ParsesOnlyHeadersItCanTrust) {
    const std::string good = formatTraceHeader(std::uint64_t{5000}, 4, "2024-01-02 03:04:05");
    auto h = parseTraceHeader(good.data(), good.size(), 6000);
    ASSERT_TRUE(h);
    EXPECT_EQ(5000u, h->nextWrite);
    EXPECT_EQ(4u, h->maxMegabytes);
    EXPECT_EQ(good.find('\n') + 1, h->firstLineLength);

    EXPECT_FALSE(parseTraceHeader(good.data(), good.size(), 4999)) << "next write past the end";
    const std::string placeholder = formatTraceHeader(std::nullopt, 4, "2024-01-02 03:04:05");
    EXPECT_FALSE(parseTraceHeader(placeholder.data(), placeholder.size(), 1u << 30));
    const std::string inside = formatTraceHeader(std::uint64_t{10}, 4, "d");
    EXPECT_FALSE(parseTraceHeader(inside.data(), inside.size(), 100)) << "next write inside the header";
    const std::string garbage = "garbage line\nmore\n";
    EXPECT_FALSE(parseTraceHeader(garbage.data(), garbage.size(), 100));
    const std::string noLineEnd(300, 'O');
    EXPECT_FALSE(parseTraceHeader(noLineEnd.data(), noLineEnd.size(), 300));
    EXPECT_FALSE(parseTraceHeader(good.data(), 20, 6000)) << "cut before the line end";
    EXPECT_FALSE(parseTraceHeader(nullptr, 0, 0));
}

TEST_F(TraceRingTest, FullRingWrapsBehindItsHeaderAndStaysWithinItsLimit) {
    const std::string path = dir.file("ring.trace");
    ASSERT_EQ(0, naInitTrace(path, "MIN", 1024));
    writeLines(0, 1500, 1000);
    const std::string file = readFile(path);

    EXPECT_LE(file.size(), kMiB);
    EXPECT_EQ(1u, countOf(file, "\nContinued at beginning of file\n\n"));
    EXPECT_EQ(std::string::npos, file.find(numbered(0))) << "the oldest lines are overwritten";
    const std::size_t newest = file.find(numbered(1499));
    ASSERT_NE(std::string::npos, newest);
    const std::size_t end = file.find('\n', newest) + 1;
    EXPECT_EQ("\nEND OF DATA\n\n", file.substr(end, 14)) << "the marker follows the newest line";
    EXPECT_EQ(end, nextWriteField(file));
    EXPECT_EQ(1u, countOf(file, "END OF DATA"));
    // The data restarts right after the header line.
    EXPECT_EQ(0u, file.find("ORX Trace   "));
}

TEST_F(TraceRingTest, EarlierFileIsContinuedUnderTheSameOrALargerLimit) {
    const std::string path = dir.file("cont.trace");
    ASSERT_EQ(0, naInitTrace(path, "MIN", 1024));
    NATRACE(TR_MIN, "first-run\n");
    naEndTrace();

    ASSERT_EQ(0, naInitTrace(path, "MIN", 2048));
    NATRACE(TR_MIN, "second-run\n");
    std::string file = readFile(path);
    EXPECT_LT(file.find("first-run"), file.find("second-run"));
    EXPECT_EQ(2u, countOf(file, "BEGINNING NEW TRACE"));
    EXPECT_EQ("2         ", file.substr(24, 10));
    EXPECT_EQ(std::string::npos, file.find("END OF DATA - close")) << "the close marker was overwritten";
    naEndTrace();

    ASSERT_EQ(0, naInitTrace(path, "MIN", 1024));  // the file's limit is larger now
    NATRACE(TR_MIN, "third-run\n");
    file = readFile(path);
    EXPECT_EQ(std::string::npos, file.find("first-run"));
    EXPECT_EQ(1u, countOf(file, "BEGINNING NEW TRACE"));
}

TEST_F(TraceRingTest, WrappedFileIsContinuedByTheNextRun) {
    const std::string path = dir.file("wrapped.trace");
    ASSERT_EQ(0, naInitTrace(path, "MIN", 1024));
    writeLines(0, 1200, 1000);
    naEndTrace();
    ASSERT_EQ(0, naInitTrace(path, "MIN", 1024));
    NATRACE(TR_MIN, "after-wrap\n");
    const std::string file = readFile(path);
    EXPECT_NE(std::string::npos, file.find(numbered(1199)));
    EXPECT_LT(file.find(numbered(1199)), file.find("after-wrap"));
    EXPECT_LE(file.size(), kMiB);
}

TEST_F(TraceRingTest, GarbageOrOversizedFileIsCreatedAnew) {
    const std::string garbage = dir.file("garbage.trace");
    writeFile(garbage, "not a trace header\nold data\n");
    ASSERT_EQ(0, naInitTrace(garbage, "MIN", 1024));
    naEndTrace();
    std::string file = readFile(garbage);
    EXPECT_EQ(0u, file.find("ORX Trace   "));
    EXPECT_EQ(std::string::npos, file.find("old data"));

    const std::string oversized = dir.file("oversized.trace");
    std::string content = formatTraceHeader(std::uint64_t{200}, 1, "2024-01-02 03:04:05");
    content += "old data\n";
    content.resize(kMiB + 10, 'x');
    writeFile(oversized, content);
    ASSERT_EQ(0, naInitTrace(oversized, "MIN", 1024));
    naEndTrace();
    file = readFile(oversized);
    EXPECT_EQ(std::string::npos, file.find("old data"));
    EXPECT_LT(file.size(), 4096u);
}

TEST_F(TraceRingTest, SegmentsAreUsedInTurnEachWithinItsSize) {
    const std::string path = dir.file("seg.trace");
    ASSERT_EQ(0, trInit(9, 1, trTIDProc));
    trSetMaxSize(3);
    trSetSegmentSize(1);
    trSetClasses("MIN", true, naTrcClassTable, naAgrClassTable);
    ASSERT_EQ(0, trOpen(path.c_str(), true));
    EXPECT_EQ(path + ".1", trActualName());

    writeLines(0, 2500, 1000);  // about 2.5 MB: into the third segment
    EXPECT_EQ(path + ".3", trActualName());
    EXPECT_FALSE(fileExists(path));
    for (const char* suffix : {".1", ".2", ".3"}) EXPECT_LE(sizeOf(path + suffix), kMiB) << suffix;
    EXPECT_NE(std::string::npos, readFile(path + ".1").find("\nContinued at beginning of segment 2\n\n"));
    EXPECT_NE(std::string::npos, readFile(path + ".2").find("Continued from end of segment 1\n\n"));
    EXPECT_NE(std::string::npos, readFile(path + ".2").find("\nContinued at beginning of segment 3\n\n"));

    writeLines(2500, 1000, 1000);  // past the last segment: back to the first
    EXPECT_EQ(path + ".1", trActualName());
    const std::string first = readFile(path + ".1");
    EXPECT_NE(std::string::npos, first.find("Continued from end of segment 3\n\n"));
    EXPECT_EQ(std::string::npos, first.find(numbered(0)));
    EXPECT_NE(std::string::npos, readFile(path + ".3").find("\nContinued at beginning of segment 1\n\n"));
}

TEST_F(TraceRingTest, LimitAboveOneThousandMegabytesMakesSegmentFiles) {
    const std::string path = dir.file("huge.trace");
    ASSERT_EQ(0, naInitTrace(path, "MIN", 1001 * 1024));
    EXPECT_EQ(path + ".1", trActualName());
    naEndTrace();
    EXPECT_TRUE(fileExists(path + ".1"));
    EXPECT_EQ("1001      ", readFile(path + ".1").substr(24, 10));
}

}  // namespace
