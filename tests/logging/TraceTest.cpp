// The trace call and its start: classes per -debug word, line form, long
// texts, errno, the trace file's directory and what stands in its place.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <regex>
#include <string>

#include "Files.h"
#include "TempDir.h"
#include "naTrace.h"

namespace {

class TraceTest : public ::testing::Test {
protected:
    void TearDown() override { naEndTrace(); }
    TempDir dir;
};

std::string traceOf(const std::string& path) {
    naEndTrace();
    return readFile(path);
}

TEST_F(TraceTest, DebugWordsSwitchTheirClasses) {
    struct Case {
        const char* word;
        unsigned char enter, exit, min, mid, max;
    } cases[] = {
        {"MIN", 0, 0, 1, 0, 0},
        {"MID", 0, 0, 1, 1, 0},
        {"MAX", 1, 1, 1, 1, 1},
        {"", 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(0, naInitTrace(dir.file(std::string("w") + c.word + ".trace"), c.word, 1024)) << c.word;
        EXPECT_EQ(c.enter, TR_ENTER) << c.word;
        EXPECT_EQ(c.exit, TR_EXIT) << c.word;
        EXPECT_EQ(c.min, TR_MIN) << c.word;
        EXPECT_EQ(c.mid, TR_MID) << c.word;
        EXPECT_EQ(c.max, TR_MAX) << c.word;
        EXPECT_EQ(1, TR_PID);
        EXPECT_EQ(1, TR_TID);
        EXPECT_EQ(1, TR_PREFIX);
        EXPECT_EQ(1, TR_TIMESTAMP);
        naEndTrace();
        EXPECT_EQ(0, TR_MIN | TR_MID | TR_MAX | TR_ENTER | TR_EXIT | TR_PID);
    }
    // No trace file: no trace, whatever the word.
    ASSERT_EQ(0, naInitTrace("", "MAX", 1024));
    EXPECT_EQ(0, TR_MIN | TR_ENTER);
    EXPECT_EQ(0, trIsActive());
}

TEST_F(TraceTest, ClassListsNegateAggregateAndReportUnknownWords) {
    ASSERT_EQ(0, naInitTrace(dir.file("c.trace"), "MAX", 1024));
    EXPECT_EQ(0, trSetClasses("-PID", false, ClassTable, AggregateTable));
    EXPECT_EQ(0, TR_PID);
    EXPECT_EQ(1, TR_TID);

    trSetClasses("-PREFIX", false, ClassTable, AggregateTable);
    EXPECT_EQ(0, trSetClasses("ALL", false, ClassTable, AggregateTable));
    EXPECT_EQ(1, TR_NLS);
    EXPECT_EQ(1, TR_PID);
    EXPECT_EQ(0, TR_PREFIX) << "ALL leaves the prefix flags as they were";
    EXPECT_EQ(1, TR_TIMESTAMP);

    EXPECT_EQ(0, trSetClasses("-max", false, naTrcClassTable, naAgrClassTable));
    EXPECT_EQ(0, TR_MIN | TR_MID | TR_MAX | TR_ENTER | TR_EXIT);

    testing::internal::CaptureStdout();
    EXPECT_EQ(-1, trSetClasses("NA_MID bogus NA_MAX", false, naTrcClassTable, naAgrClassTable));
    EXPECT_EQ("Invalid trace flag: BOGUS\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(1, TR_MID) << "words before the bad one keep their effect";
    EXPECT_EQ(0, TR_MAX) << "words after it are not processed";

    testing::internal::CaptureStdout();
    EXPECT_EQ(-1, trSetClasses("bogus", true, naTrcClassTable, naAgrClassTable));
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
}

TEST_F(TraceTest, MaxTraceHasHeaderBannerAndPrefixedLines) {
    const std::string path = dir.file("sub/dir/fabricprobe_000001.trace");
    ASSERT_EQ(0, naInitTrace(path, "MAX", 1024));
    static const char fn[] = "main()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    NATRACE(TR_MIN, "no line feed %d", 7);
    NATRACE(TR_MIN, "own line feed\n");
    const std::string longText = std::string(9999, 'x') + 'Z';
    NATRACE(TR_MIN, "%s\n", longText.c_str());
    const std::string trace = traceOf(path);

    EXPECT_EQ(0u, trace.find("ORX Trace   "));
    EXPECT_EQ("1          Vexlo Orxan 5.1.1.14   Build date: ", trace.substr(24, 46));
    EXPECT_NE(std::string::npos, trace.find("\n\nBEGINNING NEW TRACE\n\n"));
    EXPECT_NE(std::string::npos, trace.find("Tracing to file: " + path + "\n"));
    EXPECT_NE(std::string::npos, trace.find("Tracefile maximum length set to 1 MB.\n"));
    EXPECT_NE(std::string::npos, trace.find(": " + std::string(64, '-') + "\n"));
    EXPECT_TRUE(std::regex_search(trace, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d - Trace begun\.\n)")));
    const std::regex enterLine(
        R"(\n\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} \[\d{6,}\] \[\d+\] : TraceTest\.cpp {7}\( *\d+\): Enter: main\(\)\n)");
    EXPECT_TRUE(std::regex_search(trace, enterLine)) << trace;
    EXPECT_NE(std::string::npos, trace.find("): no line feed 7\n2"));
    EXPECT_NE(std::string::npos, trace.find("): own line feed\n"));
    EXPECT_NE(std::string::npos, trace.find(": " + longText + "\n\nEND OF DATA - close\n\n")) << "written whole";
}

TEST_F(TraceTest, TracingKeepsErrnoOnAndOff) {
    const std::string path = dir.file("errno.trace");
    ASSERT_EQ(0, naInitTrace(path, "MID", 1024));
    errno = EBADF;
    NATRACE(TR_MIN, "on %d\n", 1);
    EXPECT_EQ(EBADF, errno);
    errno = ENOENT;
    NATRACE(TR_MAX, "off %d\n", 2);
    naTrace(NA_HERE, TR_MAX, "off again\n");
    EXPECT_EQ(ENOENT, errno);
    errno = EACCES;
    trSetClasses("NA_MAX", true, naTrcClassTable, naAgrClassTable);
    EXPECT_EQ(EACCES, errno);
}

TEST_F(TraceTest, RelativeNameIsPlacedInPwd) {
    ASSERT_EQ(0, trInit(9, 1, trTIDProc));
    ASSERT_EQ(0, ::setenv("PWD", dir.path().c_str(), 1));
    ASSERT_EQ(0, trSetFileName("  rel.trace"));
    EXPECT_EQ(dir.file("rel.trace"), trActualName());
    trTerm();
}

TEST_F(TraceTest, SymbolicLinkInTheTracesPlaceIsNotWrittenThrough) {
    const std::string victim = dir.file("victim");
    writeFile(victim, "keep me\n");
    const std::string path = dir.file("linked.trace");
    ASSERT_EQ(0, ::symlink(victim.c_str(), path.c_str()));
    ASSERT_EQ(0, naInitTrace(path, "MIN", 1024));
    NATRACE(TR_MIN, "into the real file\n");
    const std::string trace = traceOf(path);
    EXPECT_EQ("keep me\n", readFile(victim));
    EXPECT_FALSE(isSymlink(path));
    EXPECT_NE(std::string::npos, trace.find("into the real file"));
}

TEST_F(TraceTest, UnusableTraceFileFailsTheStart) {
    // A directory in the file's place cannot be opened.
    const std::string path = dir.file("adir.trace");
    ASSERT_EQ(0, ::mkdir(path.c_str(), 0755));
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, naInitTrace(path, "MIN", 1024));
    EXPECT_EQ("Unable to open trace output file " + path + "\n", testing::internal::GetCapturedStdout());
    EXPECT_EQ(0, TR_MIN);
    // A parent that is a file cannot become a directory.
    writeFile(dir.file("plain"), "x");
    EXPECT_EQ(30, naInitTrace(dir.file("plain/sub/x.trace"), "MIN", 1024));
    naEndTrace();
    EXPECT_EQ(30, naInitTrace("/x.trace", "MIN", 1024));
}

TEST_F(TraceTest, WriteFailureSwitchesTracingOffAndTheRunGoesOn) {
    const std::string path = dir.file("full.trace");
    auto fillUp = [&path]() {
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {};
        limit.rlim_cur = limit.rlim_max = 16384;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        if (naInitTrace(path, "MIN", 1024) != 0) std::_Exit(2);
        for (int i = 0; i < 1000 && trIsActive(); ++i) NATRACE(TR_MIN, "line %d of a trace that fills up\n", i);
        std::_Exit(trIsActive() ? 3 : 0);
    };
    EXPECT_EXIT(fillUp(), ::testing::ExitedWithCode(0), "");
    EXPECT_LE(sizeOf(path), 16384u);
}

}  // namespace
