// The files the topology probe reads and appends to: the list of wanted
// fabrics and the timeout entries.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "FabricList.h"
#include "TempDir.h"
#include "TimeoutEntries.h"

namespace {

TEST(FabricList, LinesOfSixteenDigitsAndTheirLineFeedsAreSeparatePieces) {
    TempDir dir;
    FabricList list;
    ASSERT_EQ(0, list.load(dir.write("in", "100000000000A001\n100000000000B001\n").c_str()));
    EXPECT_EQ(4, list.count());
    EXPECT_TRUE(list.contains("100000000000A001"));
    EXPECT_TRUE(list.contains("100000000000B001"));
    EXPECT_FALSE(list.contains("100000000000C001"));
}

TEST(FabricList, OnlyWholeUpperCaseNamesSelectAFabric) {
    TempDir dir;
    FabricList list;
    ASSERT_EQ(0, list.load(dir.write("in", "100000000000a001\n10000000000A001\n100000000000B001").c_str()));
    EXPECT_FALSE(list.contains("100000000000A001"));  // lower case never matches
    EXPECT_FALSE(list.contains("10000000000A001"));   // a short line keeps its line feed
    EXPECT_TRUE(list.contains("100000000000B001"));   // a last line without a line feed
}

TEST(FabricList, ReadingStopsAtOneThousandPieces) {
    TempDir dir;
    std::string content;
    for (int i = 0; i < 600; ++i) content += "100000000000A001\n";
    content += "100000000000B001\n";
    FabricList list;
    ASSERT_EQ(0, list.load(dir.write("in", content).c_str()));
    EXPECT_EQ(1000, list.count());
    EXPECT_TRUE(list.contains("100000000000A001"));
    EXPECT_FALSE(list.contains("100000000000B001"));
}

TEST(FabricList, AnEmptyFileWantsNothingAndAMissingOneIsAnError) {
    TempDir dir;
    FabricList list;
    ASSERT_EQ(0, list.load(dir.write("in", "").c_str()));
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(ENOENT, list.load(dir.file("missing").c_str()));
}

TEST(TimeoutEntries, KeyNamesGpltTheHandleAndThePlatform) {
    char key[kTimeoutKeySize];
    formatTimeoutKey(key, 2, "host17");
    EXPECT_STREQ("GPLT:2:host17", key);
}

TEST(TimeoutEntries, OnlyALineEqualToTheKeyMatches) {
    EXPECT_TRUE(timeoutLineMatches("GPLT:2:host17\n", "GPLT:2:host17"));
    EXPECT_TRUE(timeoutLineMatches("GPLT:2:host17", "GPLT:2:host17"));
    EXPECT_FALSE(timeoutLineMatches("GPLT:2:host\n", "GPLT:2:host17"));  // a prefix silences no one
    EXPECT_FALSE(timeoutLineMatches("\n", "GPLT:2:host17"));             // nor does an empty line
    EXPECT_FALSE(timeoutLineMatches("", "GPLT:2:host17"));
    EXPECT_FALSE(timeoutLineMatches("GPLT:2:host17x\n", "GPLT:2:host17"));
    EXPECT_FALSE(timeoutLineMatches("GPLT:12:host17\n", "GPLT:2:host17"));
    EXPECT_FALSE(timeoutLineMatches("GPLT:2:host17\r\n", "GPLT:2:host17"));
}

TEST(TimeoutEntries, TheFileIsSearchedLineByLine) {
    TempDir dir;
    const std::string path = dir.write("t", "GPLT:1:host17\n\nGPLT:2:host\nGPLT:2:host17\nGPLT:3:last");
    EXPECT_TRUE(findTimeoutEntry(path.c_str(), "GPLT:2:host17"));
    EXPECT_TRUE(findTimeoutEntry(path.c_str(), "GPLT:1:host17"));
    EXPECT_TRUE(findTimeoutEntry(path.c_str(), "GPLT:3:last"));
    EXPECT_FALSE(findTimeoutEntry(path.c_str(), "GPLT:2:host1"));
    EXPECT_FALSE(findTimeoutEntry(path.c_str(), "GPLT:2:other"));
    EXPECT_FALSE(findTimeoutEntry(dir.file("missing").c_str(), "GPLT:2:host17"));
}

TEST(TimeoutEntries, TheTailOfAnOverlongLineIsNotALine) {
    TempDir dir;
    const std::string path = dir.write("t", std::string(498, 'x') + "GPLT:2:host17\n");
    EXPECT_FALSE(findTimeoutEntry(path.c_str(), "GPLT:2:host17"));
    const std::string later = dir.write("u", std::string(600, 'x') + "\nGPLT:2:host17\n");
    EXPECT_TRUE(findTimeoutEntry(later.c_str(), "GPLT:2:host17"));
}

TEST(TimeoutEntries, ALineEndsAtItsLineFeedAndItsTextAtItsFirstNul) {
    TempDir dir;
    const std::string damaged = dir.write("t", std::string("x\0\nGPLT:1:p\n", 12));
    EXPECT_TRUE(findTimeoutEntry(damaged.c_str(), "GPLT:1:p"));
    EXPECT_TRUE(findTimeoutEntry(damaged.c_str(), "x"));
    EXPECT_FALSE(findTimeoutEntry(damaged.c_str(), "x\n"));
    const std::string tail = dir.write("u", std::string("GPLT:1:p\0junk\nGPLT:1:q\0\n", 25));
    EXPECT_TRUE(findTimeoutEntry(tail.c_str(), "GPLT:1:p"));
    EXPECT_TRUE(findTimeoutEntry(tail.c_str(), "GPLT:1:q"));
    EXPECT_FALSE(findTimeoutEntry(tail.c_str(), "GPLT:1:pjunk"));
    // A NUL inside an overlong line still leaves its tail a piece, not a line.
    const std::string longLine = dir.write("v", "a" + std::string(1, '\0') + std::string(496, 'x') +
                                                     "GPLT:1:p\n");
    EXPECT_FALSE(findTimeoutEntry(longLine.c_str(), "GPLT:1:p"));
}

TEST(TimeoutEntries, ALinkInTheFilesPlaceIsNeitherReadNorWritten) {
    TempDir dir;
    const std::string victim = dir.write("victim", "GPLT:2:host17\n");
    const std::string path = dir.file("t");
    ASSERT_EQ(0, ::symlink(victim.c_str(), path.c_str()));
    EXPECT_FALSE(findTimeoutEntry(path.c_str(), "GPLT:2:host17"));
    appendTimeoutEntry(path.c_str(), 2, "other");
    EXPECT_EQ("GPLT:2:host17\n", dir.read("victim"));
}

TEST(TimeoutEntries, EntriesAreAppendedOneLineEach) {
    TempDir dir;
    const std::string path = dir.file("t");
    appendTimeoutEntry(path.c_str(), 2, "host17");
    appendTimeoutEntry(path.c_str(), 3, "array \"1\"");
    EXPECT_EQ("GPLT:2:host17\nGPLT:3:array \"1\"\n", dir.read("t"));
    EXPECT_TRUE(findTimeoutEntry(path.c_str(), "GPLT:3:array \"1\""));
}

TEST(TimeoutEntries, NamesThatCouldNotBeReadBackAreNotEntered) {
    TempDir dir;
    const std::string path = dir.file("t");
    appendTimeoutEntry(path.c_str(), 2, "evil\nGPLT:2:victim");
    appendTimeoutEntry(path.c_str(), 2, std::string(486, 'n').c_str());
    appendTimeoutEntry(path.c_str(), 2, std::string(485, 'n').c_str());
    EXPECT_EQ("GPLT:2:" + std::string(485, 'n') + "\n", dir.read("t"));
    EXPECT_FALSE(findTimeoutEntry(path.c_str(), "GPLT:2:victim"));
}

TEST(TimeoutEntries, AnUnwritableFileIsNoError) {
    TempDir dir;
    ::mkdir(dir.file("d").c_str(), 0700);
    appendTimeoutEntry(dir.file("d").c_str(), 2, "host17");
    appendTimeoutEntry("/dev/full", 2, "host17");
    EXPECT_FALSE(findTimeoutEntry(dir.file("d").c_str(), "GPLT:2:host17"));
}

}  // namespace
