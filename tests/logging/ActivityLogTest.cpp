// The activity log: time-stamped catalog messages appended one line per call,
// identifier stamping, and what stands in the log's place.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <regex>
#include <string>

#include "Count.h"
#include "Files.h"
#include "LogManager.h"
#include "TempDir.h"
#include "naMessages.h"
#include "naNls.h"
#include "naTrace.h"

namespace {

// Every test's catalog is the English one, whatever the language of the shell.
class ActivityLogTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("LANG", "C", 1); }
    void TearDown() override {
        naLog = nullptr;
        naEndNls();
        naEndTrace();
    }
    void start(const std::string& nlsDir, const std::string& logPath) {
        ASSERT_EQ(0, naInitNls("orxna.cat", "orxna.cat", logPath, nlsDir));
    }
    TempDir dir;
};

const char* kStamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} )";

TEST_F(ActivityLogTest, MessagesAreAppendedWithDateTimeAndMillisecondsAndPrintedOnesOnlyPrinted) {
    const std::string path = dir.file("log/server/fabricprobe_000001.log");
    start(LOGGING_REAL_NLS, path);
    LogManager log(path);
    naLog = &log;
    EXPECT_EQ(0u, log.LogMessage(AGT0429I.number, AGT0429I.id, "FabricProbe", "bin/fabricprobe -debug MAX "));
    naLogMessage(AGT0430I, "FabricProbe", -2012);
    naLogMessage(STA0249I);
    const std::string expected = std::string("^") + kStamp +
                                 "AGT0429I FabricProbe started with the command line: bin/fabricprobe -debug MAX \n" +
                                 kStamp + "AGT0430I FabricProbe ended with return code -2012\\.\n" + kStamp +
                                 "STA0249I Notifying the agent that the job has ended\\.\n$";
    EXPECT_TRUE(std::regex_match(readFile(path), std::regex(expected))) << readFile(path);

    // A printed message goes to standard output alone.
    testing::internal::CaptureStdout();
    EXPECT_EQ(0u, log.PrintMessage(AGT0412E.number, AGT0412E.id, "-bogus"));
    EXPECT_EQ("AGT0412E The argument -bogus is not a valid option for this command.\n",
              testing::internal::GetCapturedStdout());
    EXPECT_TRUE(std::regex_match(readFile(path), std::regex(expected)));
}

TEST_F(ActivityLogTest, IdentifierReplacesTheHeadUnlessItEndsInT) {
    const std::string path = dir.file("stamp.log");
    start(LOGGING_TEST_NLS, path);
    LogManager log(path);
    log.LogMessage(1, "XYZ9999W", "a");   // any other identifier: its eight characters
    log.LogMessage(1, "TST0001T", "b");   // ends in T: the catalog's head stays
    log.LogMessage(9, "TST0009T", "c");   // T severity: the text has no identifier at all
    log.LogMessage(1, "LONGER01I", "d");  // nine characters cover the head and its blank
    EXPECT_EQ(0u, log.LogMessage(1, "", "e")) << "no identifier, nothing logged";
    const std::string text = readFile(path);
    EXPECT_NE(std::string::npos, text.find(" XYZ9999W normal a\n"));
    EXPECT_NE(std::string::npos, text.find(" TST0001I normal b\n"));
    EXPECT_TRUE(std::regex_search(text, std::regex(std::string(kStamp) + "trace only c\n")));
    EXPECT_NE(std::string::npos, text.find(" LONGER01Inormal d\n"));
    EXPECT_EQ(std::string::npos, text.find("normal e"));
    EXPECT_EQ("TST0001I x", stampMessageId("TST0001I x", "ABC1234T"));
    EXPECT_EQ("ABC1234E x", stampMessageId("TST0001I x", "ABC1234E"));
    EXPECT_EQ("ABC1234E", stampMessageId("ab", "ABC1234E"));
}

TEST_F(ActivityLogTest, LinesEndInALineFeedAreTracedAndWithoutANameGoNowhere) {
    LogManager untraced("");
    EXPECT_EQ(11u, untraced.LogActivityLog("text"));
    untraced.SetLogName(dir.file("untraced.log"));
    const std::string trace = dir.file("log.trace");
    ASSERT_EQ(0, naInitTrace(trace, "MAX", 1024));
    LogManager log("");
    EXPECT_EQ(11u, log.LogActivityLog("text"));
    const std::string path = dir.file("lf.log");
    log.SetLogName(path);
    EXPECT_EQ(path, log.logName());
    EXPECT_EQ(0u, log.LogActivityLog("with line feed\n"));
    EXPECT_EQ(0u, log.LogActivityLog("without"));
    const std::string longLine(3000, 'l');  // longer than a line put together on the stack
    EXPECT_EQ(0u, log.LogActivityLog(longLine.c_str()));
    EXPECT_TRUE(std::regex_match(readFile(path), std::regex(std::string(kStamp) + "with line feed\n" + kStamp +
                                                            "without\n" + kStamp + longLine + "\n")));
    naEndTrace();
    const std::string text = readFile(trace);
    EXPECT_NE(std::string::npos, text.find("Changing log from <NULL> to " + path + "\n"));
    EXPECT_NE(std::string::npos, text.find("Enter LogActivityLog, msgBuf : without\n"));
    EXPECT_NE(std::string::npos, text.find("Enter: CloseLogFile\n"));
    EXPECT_NE(std::string::npos, text.find("Exit LogActivityLog\n"));
}

TEST_F(ActivityLogTest, MessagesBeforeTheCatalogMissingFromItOrAskingForOtherInsertsLogNothing) {
    const std::string path = dir.file("none.log");
    LogManager log(path);
    naLog = &log;
    naLogMessage(AGT0430I, "FabricProbe", 0);
    EXPECT_FALSE(fileExists(path));

    start(LOGGING_TEST_NLS, "");
    testing::internal::CaptureStdout();
    EXPECT_EQ(0u, log.LogMessage(4321, "AGT4321E"));
    naLogMessage(CatalogMessage{16, "TST0016I", "s"}, "a string where the text wants %d");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(contains(out, "Message No 4321 could not be found.")) << out;
    EXPECT_TRUE(contains(out, "Message No 16 is corrupted.")) << out;
    naLogMessage(CatalogMessage{1, "TST0001I", "s"}, "fits");
    EXPECT_TRUE(std::regex_match(readFile(path), std::regex(std::string(kStamp) + "TST0001I normal fits\n"))) << readFile(path);
}

TEST_F(ActivityLogTest, SymbolicLinkInTheLogsPlaceIsRemovedNotWrittenThrough) {
    const std::string victim = dir.file("victim");
    writeFile(victim, "precious\n");
    const std::string path = dir.file("link.log");
    ASSERT_EQ(0, ::symlink(victim.c_str(), path.c_str()));
    start(LOGGING_REAL_NLS, path);
    LogManager log(path);
    naLog = &log;
    testing::internal::CaptureStdout();
    EXPECT_EQ(9u, log.LogMessage(AGT0429I.number, AGT0429I.id, "FabricProbe", "first"));
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("ANS0240W The log file " + path + " is a symbolic link."));
    EXPECT_NE(std::string::npos, out.find("ANS0238I The symbolic link " + path + " that stood"));
    EXPECT_EQ("precious\n", readFile(victim));
    EXPECT_FALSE(isSymlink(path));

    EXPECT_EQ(0u, log.LogMessage(AGT0429I.number, AGT0429I.id, "FabricProbe", "second"));
    EXPECT_FALSE(isSymlink(path));
    const std::string text = readFile(path);
    EXPECT_EQ(std::string::npos, text.find("first")) << "the first message is lost";
    EXPECT_NE(std::string::npos, text.find("AGT0429I FabricProbe started with the command line: second\n"));
    EXPECT_EQ("precious\n", readFile(victim));
}

TEST_F(ActivityLogTest, UncreatableDirectoryIsReportedWithPermissionDenied) {
    writeFile(dir.file("plain"), "x");
    const std::string path = dir.file("plain/sub/x.log");
    start(LOGGING_REAL_NLS, "");
    LogManager log(path);
    testing::internal::CaptureStdout();
    EXPECT_EQ(9u, log.LogActivityLog("lost"));
    EXPECT_EQ("ANS0264E The log file " + path + " could not be opened (error 13: Permission denied). The message is "
              "not logged.\n",
              testing::internal::GetCapturedStdout());
    EXPECT_EQ(9u, LogManager(std::string(1100, 'n')).LogActivityLog("too long"));
}

TEST_F(ActivityLogTest, WhatIsNotARegularFileIsRefusedWithItsRealReason) {
    const std::string path = dir.file("odd.log");
    start(LOGGING_REAL_NLS, "");
    LogManager log(path);
    auto refusal = [&](const char* text) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(9u, log.LogActivityLog(text));
        return testing::internal::GetCapturedStdout();
    };
    ASSERT_EQ(0, ::mkdir(path.c_str(), 0755));
    EXPECT_NE(std::string::npos, refusal("a").find("(error 21: Is a directory)"));
    ASSERT_EQ(0, ::rmdir(path.c_str()));

    ASSERT_EQ(0, ::mkfifo(path.c_str(), 0644));
    EXPECT_NE(std::string::npos, refusal("b").find("(error 6: No such device or address)"));
    // With a reader the FIFO opens for writing; it is still not written to.
    const int reader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const std::string out = refusal("c");
    EXPECT_NE(std::string::npos, out.find("ANS0264E The log file " + path + " could not be opened (error 6: "));
    EXPECT_NE(std::string::npos, out.find("(a FIFO, not a regular file))")) << out;
    EXPECT_EQ(std::string::npos, out.find("Invalid argument"));
    char byte;
    EXPECT_EQ(0, ::read(reader, &byte, 1)) << "nothing reached the FIFO";
    ::close(reader);
    ASSERT_EQ(0, ::unlink(path.c_str()));

    // A file in its place is written at once, in the same second.
    EXPECT_EQ(0u, log.LogActivityLog("d"));
    EXPECT_TRUE(std::regex_match(readFile(path), std::regex(std::string(kStamp) + "d\n")));
}

TEST_F(ActivityLogTest, ErrorLogMovesAsideWhenLessThanAKilobyteIsLeft) {
    const std::string errors = dir.file("fabricprobe.log");
    writeFile(errors, std::string(1047500, 'x') + "\n");
    start(LOGGING_REAL_NLS, errors);
    LogManager refused(dir.file("odd"));
    ASSERT_EQ(0, ::mkdir(dir.file("odd").c_str(), 0755));
    testing::internal::CaptureStdout();
    refused.LogActivityLog("first");
    EXPECT_FALSE(fileExists(errors)) << "1,047,501 bytes and one report leave less than 1,024 bytes";
    EXPECT_GT(sizeOf(errors + ".1"), 1047501u);
    EXPECT_NE(std::string::npos, readFile(errors + ".1").find("ANS0264E"));
    refused.LogActivityLog("second");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(1u, countOf(readFile(errors), "ANS0264E"));
    EXPECT_GT(sizeOf(errors + ".1"), 1047501u);
}

// A line the disk does not take is lost alone: the run and the lines before it go on.
TEST_F(ActivityLogTest, ALineThatCannotBeWrittenIsLostAlone) {
    const std::string path = dir.file("full.log");
    auto fillUp = [&path]() {
        std::signal(SIGXFSZ, SIG_IGN);
        LogManager log(path);
        if (log.LogActivityLog("fits") != 0) std::_Exit(2);
        struct rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlim_t before = limit.rlim_cur;
        limit.rlim_cur = sizeOf(path);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const unsigned rc = log.LogActivityLog("does not fit");
        limit.rlim_cur = before;  // what the child writes as it exits is not cut
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::exit(rc == 0 ? 0 : 3);
    };
    EXPECT_EXIT(fillUp(), ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(std::regex_match(readFile(path), std::regex(std::string(kStamp) + "fits\n")));
}

}  // namespace
