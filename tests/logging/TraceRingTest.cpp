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

// What a run finds at the start of an earlier file is trusted only when it can be continued safely.
TEST(TraceHeader, ParsesOnlyHeadersItCanTrust) {
    const std::string good = formatTraceHeader(std::uint64_t{5000}, 4, "2024-01-02 03:04:05");
    auto h = parseTraceHeader(good.data(), good.size(), 6000);
    ASSERT_TRUE(h);
    EXPECT_EQ(5000u, h->nextWrite);
    EXPECT_EQ(4u, h->maxMegabytes);
    EXPECT_EQ(good.find('\n') + 1, h->firstLineLength);

    EXPECT_FALSE(parseTraceHeader(good.data(), good.size(), 4999)) << "next write past the end";
    const std::string inside = formatTraceHeader(std::uint64_t{10}, 4, "d");
    EXPECT_FALSE(parseTraceHeader(inside.data(), inside.size(), 100)) << "next write inside the header";
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

    // The next run continues the wrapped file behind its newest line.
    naEndTrace();
    ASSERT_EQ(0, naInitTrace(path, "MIN", 1024));
    NATRACE(TR_MIN, "after-wrap\n");
    const std::string continued = readFile(path);
    EXPECT_LT(continued.find(numbered(1499)), continued.find("after-wrap"));
    EXPECT_EQ(std::string::npos, continued.find(numbered(0)));
    EXPECT_LE(continued.size(), kMiB);
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

TEST_F(TraceRingTest, FileWithoutATrustedHeaderIsCreatedAnew) {
    // Garbage; a header whose next-write field is the placeholder; a file larger
    // than its own limit.
    const char* stamp = "2024-01-02 03:04:05";
    std::string oversized = formatTraceHeader(std::uint64_t{200}, 1, stamp) + "old data\n";
    oversized.resize(kMiB + 10, 'x');
    for (const std::string& content : {std::string("not a trace header\nold data\n"),
                                       formatTraceHeader(std::nullopt, 1, stamp) + "old data\n", oversized}) {
        const std::string path = dir.file("old.trace");
        writeFile(path, content);
        ASSERT_EQ(0, naInitTrace(path, "MIN", 1024));
        naEndTrace();
        const std::string file = readFile(path);
        EXPECT_EQ(0u, file.find("ORX Trace   ")) << content.substr(0, 40);
        EXPECT_EQ(std::string::npos, file.find("old data")) << content.substr(0, 40);
        EXPECT_LT(file.size(), 4096u);
    }
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

}  // namespace
