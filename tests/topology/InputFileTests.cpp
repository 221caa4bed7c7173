// The files the topology probe reads and appends to: the list of wanted fabrics and the
// timeout entries. The probe's use of them is data in tests/cases/topology (specific,
// lowercase, noinput, platforms, platforms_entered).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "FabricList.h"
#include "TempDir.h"
#include "TimeoutEntries.h"

namespace {

// Lines of sixteen digits and their line feeds are separate pieces, at most 1,000 of them;
// only a whole name in upper case selects a fabric.
TEST(FabricList, WholeUpperCaseNamesOfTheFirstThousandPiecesSelectAFabric) {
    TempDir dir;
    FabricList list;
    ASSERT_EQ(0, list.load(dir.write("in", "100000000000a001\n10000000000A001\n100000000000B001\n100000000000C001").c_str()));
    EXPECT_EQ(6, list.count());  // a001, its line feed, the short line, B001, its line feed, C001
    EXPECT_FALSE(list.contains("100000000000A001"));  // lower case never matches
    EXPECT_FALSE(list.contains("10000000000A001"));   // a short line keeps its line feed
    EXPECT_TRUE(list.contains("100000000000B001"));
    EXPECT_TRUE(list.contains("100000000000C001"));   // a last line without a line feed

    std::string content;
    for (int i = 0; i < 600; ++i) content += "100000000000A001\n";
    ASSERT_EQ(0, list.load(dir.write("in", content + "100000000000B001\n").c_str()));
    EXPECT_EQ(1000, list.count());
    EXPECT_TRUE(list.contains("100000000000A001"));
    EXPECT_FALSE(list.contains("100000000000B001"));

    ASSERT_EQ(0, list.load(dir.write("in", "").c_str()));
    EXPECT_EQ(0, list.count());
    EXPECT_EQ(ENOENT, list.load(dir.file("missing").c_str()));
}

TEST(TimeoutEntries, OnlyALineEqualToTheKeyMatches) {
    char key[kTimeoutKeySize];
    formatTimeoutKey(key, 2, "host17");
    EXPECT_STREQ("GPLT:2:host17", key);
    EXPECT_TRUE(timeoutLineMatches("GPLT:2:host17\n", key));
    EXPECT_TRUE(timeoutLineMatches("GPLT:2:host17", key));
    // A prefix silences no one, nor does an empty line.
    for (const char* line : {"GPLT:2:host\n", "\n", "", "GPLT:2:host17x\n", "GPLT:12:host17\n", "GPLT:2:host17\r\n"})
        EXPECT_FALSE(timeoutLineMatches(line, key)) << line;
}

// The file is searched line by line; a line ends at its line feed and its text at its first
// NUL, and the tail of a line longer than the reader's buffer is no line of its own.
TEST(TimeoutEntries, TheFileIsSearchedLineByLine) {
    TempDir dir;
    const struct {
        std::string content;
        const char* key;
        bool found;
    } cases[] = {
        {"GPLT:1:host17\n\nGPLT:2:host\nGPLT:2:host17\nGPLT:3:last", "GPLT:2:host17", true},
        {"GPLT:1:host17\n\nGPLT:2:host\nGPLT:2:host17\nGPLT:3:last", "GPLT:1:host17", true},
        {"GPLT:1:host17\n\nGPLT:2:host\nGPLT:2:host17\nGPLT:3:last", "GPLT:3:last", true},
        {"GPLT:1:host17\n\nGPLT:2:host\nGPLT:2:host17\nGPLT:3:last", "GPLT:2:host1", false},
        {std::string(498, 'x') + "GPLT:2:host17\n", "GPLT:2:host17", false},
        {std::string(600, 'x') + "\nGPLT:2:host17\n", "GPLT:2:host17", true},
        {std::string("x\0\nGPLT:1:p\n", 12), "GPLT:1:p", true},
        {std::string("x\0\nGPLT:1:p\n", 12), "x", true},
        {std::string("x\0\nGPLT:1:p\n", 12), "x\n", false},
        {std::string("GPLT:1:p\0junk\nGPLT:1:q\0\n", 25), "GPLT:1:p", true},
        {std::string("GPLT:1:p\0junk\nGPLT:1:q\0\n", 25), "GPLT:1:q", true},
        {std::string("GPLT:1:p\0junk\nGPLT:1:q\0\n", 25), "GPLT:1:pjunk", false},
        {"a" + std::string(1, '\0') + std::string(496, 'x') + "GPLT:1:p\n", "GPLT:1:p", false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.found, findTimeoutEntry(dir.write("t", c.content).c_str(), c.key)) << c.key;
    EXPECT_FALSE(findTimeoutEntry(dir.file("missing").c_str(), "GPLT:2:host17"));
}

// One line each; a name that could not be read back as one line is not entered, and a
// file that cannot be written is no error.
TEST(TimeoutEntries, EntriesAreAppendedOneLineEach) {
    TempDir dir;
    const std::string path = dir.file("t");
    appendTimeoutEntry(path.c_str(), 2, "host17");
    appendTimeoutEntry(path.c_str(), 3, "array \"1\"");
    appendTimeoutEntry(path.c_str(), 2, "evil\nGPLT:2:victim");
    appendTimeoutEntry(path.c_str(), 2, std::string(486, 'n').c_str());
    appendTimeoutEntry(path.c_str(), 2, std::string(485, 'n').c_str());
    EXPECT_EQ("GPLT:2:host17\nGPLT:3:array \"1\"\nGPLT:2:" + std::string(485, 'n') + "\n", dir.read("t"));
    EXPECT_TRUE(findTimeoutEntry(path.c_str(), "GPLT:3:array \"1\""));
    EXPECT_FALSE(findTimeoutEntry(path.c_str(), "GPLT:2:victim"));
    ::mkdir(dir.file("d").c_str(), 0700);
    appendTimeoutEntry(dir.file("d").c_str(), 2, "host17");
    appendTimeoutEntry("/dev/full", 2, "host17");
    EXPECT_FALSE(findTimeoutEntry(dir.file("d").c_str(), "GPLT:2:host17"));
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

}  // namespace
