// Numbered log and trace names per component, and pruning by count and age.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "Files.h"
#include "LogUtil.h"
#include "TempDir.h"

namespace {

class LogNamingTest : public ::testing::Test {
protected:
    std::string make(const std::string& name, std::size_t size = 10) {
        const std::string path = dir.file(name);
        writeFile(path, std::string(size, 'x'));
        return path;
    }
    TempDir dir;
};

std::string numbered(int n, const char* ext) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "fabricprobe_%06d%s", n, ext);
    return buf;
}

TEST_F(LogNamingTest, EmptyDirectoryStartsAtOne) {
    LogConfig config;
    EXPECT_EQ("fabricprobe_000001.log", getNextLogName(config, dir.path(), "fabricprobe", ".log", true));
    EXPECT_FALSE(config.newFile);
    EXPECT_EQ(numbered(1, ".trace"), getNextLogName(config, dir.file("missing"), "fabricprobe", ".trace", false));
    const std::string install = dir.file("install");
    const std::string log = nameActivityLog(install, "server1", "fabricprobe", LogConfig{});
    EXPECT_EQ(install + "/log/server1/fabricprobe_000001.log", log);
    EXPECT_EQ(install + "/log/server1/fabricprobe_000001.trace", nameTraceFile(log, install, "fabricprobe", 7, {}));
    EXPECT_EQ(install + "/log/fabricprobe_000001.log", nameActivityLog(install, "", "fabricprobe", {}));
    EXPECT_EQ(install + "/log/fabricprobe_000001.trace", nameTraceFile("", install, "fabricprobe", 7, {}));
    EXPECT_EQ(install + "/log/agent.trace", nameTraceFile("", install, "agent", 0, {}));
    EXPECT_EQ(install + "/output/server1/fabricprobe.dat", nameDataFile(install, "server1", "fabricprobe"));
    EXPECT_EQ(install + "/output/fabricprobe.dat", nameDataFile(install, "", "fabricprobe"));
}

TEST_F(LogNamingTest, LogContinuesUntilLessThanOneKilobyteIsLeft) {
    make(numbered(4, ".log"), 1047553);
    LogConfig config;
    EXPECT_EQ(numbered(5, ".log"), getNextLogName(config, dir.path(), "fabricprobe", ".log", true));
    EXPECT_TRUE(config.newFile);

    make(numbered(4, ".log"), 1047552);
    config = LogConfig{};
    EXPECT_EQ(numbered(4, ".log"), getNextLogName(config, dir.path(), "fabricprobe", ".log", true));
    EXPECT_FALSE(config.newFile);

    config.maxLogSize = 2048;
    make(numbered(4, ".log"), 1047553);
    EXPECT_EQ(numbered(4, ".log"), getNextLogName(config, dir.path(), "fabricprobe", ".log", true));

    // A newest log that is a link to nothing is not continued.
    ASSERT_EQ(0, ::symlink(dir.file("gone").c_str(), dir.file(numbered(6, ".log")).c_str()));
    config = LogConfig{};
    EXPECT_EQ(numbered(7, ".log"), getNextLogName(config, dir.path(), "fabricprobe", ".log", true));
    EXPECT_TRUE(config.newFile);
}

TEST_F(LogNamingTest, OtherNamesAndComponentsAreNeitherCountedNorTouched) {
    for (int i = 1; i <= 8; ++i) make(numbered(i, ".trace"));
    const char* others[] = {"fabricprobe_12345.trace",       "fabricprobe_000001.trace.bak",
                            "fabricprobe_00000a.trace",      "fabricdiscovery_000001.trace",
                            "fabricprobeX000002.trace",      "fabricprobe_000003.log",
                            "probe_000001.trace"};
    for (const char* other : others) make(other);
    for (int i = 1; i <= 12; ++i) make("fabricdiscovery_" + numbered(i, ".trace").substr(12));

    const LogFileMap map = getMatchingFilesMap(dir.path(), "fabricprobe", ".trace");
    EXPECT_EQ(8u, map.size());
    EXPECT_EQ(dir.file(numbered(8, ".trace")), map.rbegin()->second);

    EXPECT_EQ(dir.file(numbered(9, ".trace")), nameTraceFile(dir.file("a.log"), "", "fabricprobe", 7, LogConfig{}));
    EXPECT_FALSE(fileExists(dir.file(numbered(1, ".trace"))));
    EXPECT_TRUE(fileExists(dir.file(numbered(2, ".trace"))));
    for (const char* other : others) EXPECT_TRUE(fileExists(dir.file(other))) << other;
    for (int i = 1; i <= 12; ++i)
        EXPECT_TRUE(fileExists(dir.file("fabricdiscovery_" + numbered(i, ".trace").substr(12))));
}

TEST_F(LogNamingTest, OldFilesArePrunedByAgeUnlessTheAgeIsZero) {
    for (int i = 1; i <= 3; ++i) ageFile(make(numbered(i, ".log")), 100);
    make(numbered(4, ".log"));
    LogConfig keepAll;
    keepAll.maxNumDays = 0;
    purgeLogFiles(keepAll, getMatchingFilesMap(dir.path(), "fabricprobe", ".log"), true);
    for (int i = 1; i <= 4; ++i) EXPECT_TRUE(fileExists(dir.file(numbered(i, ".log")))) << i;

    purgeLogFiles(LogConfig{}, getMatchingFilesMap(dir.path(), "fabricprobe", ".log"), true);
    for (int i = 1; i <= 3; ++i) EXPECT_FALSE(fileExists(dir.file(numbered(i, ".log")))) << i;
    EXPECT_TRUE(fileExists(dir.file(numbered(4, ".log"))));
}

TEST_F(LogNamingTest, CountLimitFollowsTheAgeFlag) {
    for (int i = 1; i <= 7; ++i) make(numbered(i, ".log"));
    LogConfig config;  // 8 files with the age flag, 5 runs without
    purgeLogFiles(config, getMatchingFilesMap(dir.path(), "fabricprobe", ".log"), true);
    EXPECT_TRUE(fileExists(dir.file(numbered(1, ".log"))));
    purgeLogFiles(config, getMatchingFilesMap(dir.path(), "fabricprobe", ".log"), false);
    EXPECT_FALSE(fileExists(dir.file(numbered(2, ".log"))));
    EXPECT_TRUE(fileExists(dir.file(numbered(3, ".log"))));

    LogConfig negative;
    negative.maxNumLogs = -1;
    negative.newFile = true;
    purgeLogFiles(negative, getMatchingFilesMap(dir.path(), "fabricprobe", ".log"), true);
    EXPECT_TRUE(fileExists(dir.file(numbered(3, ".log")))) << "a negative limit deletes nothing";
}

TEST_F(LogNamingTest, TraceNumberIsTakenBeforeTheNameIsGiven) {
    // The first run names (and so creates) its trace; one started before it
    // writes anything gets the next number, and so does one that sees a number
    // taken in the meantime.
    const std::string first = nameTraceFile(dir.file("x.log"), "", "fabricprobe", 7, LogConfig{});
    EXPECT_EQ(dir.file(numbered(1, ".trace")), first);
    EXPECT_TRUE(fileExists(first));
    EXPECT_EQ(0u, sizeOf(first));
    EXPECT_EQ(dir.file(numbered(2, ".trace")), nameTraceFile(dir.file("x.log"), "", "fabricprobe", 7, LogConfig{}));

    LogConfig segmented;
    segmented.maxLogSize = 1025024;  // 1,001 MB: the trace is written in segments
    EXPECT_EQ(dir.file(numbered(3, ".trace")), nameTraceFile(dir.file("x.log"), "", "fabricprobe", 7, segmented));
    EXPECT_FALSE(fileExists(dir.file(numbered(3, ".trace"))));
    EXPECT_TRUE(fileExists(dir.file(numbered(3, ".trace.1"))));
    EXPECT_EQ(dir.file(numbered(4, ".trace")), nameTraceFile(dir.file("x.log"), "", "fabricprobe", 7, segmented));

    // A number found taken when the trace is created is passed over: here one too wide to be counted.
    make(numbered(999999999, ".trace"));
    make(numbered(1000000000, ".trace"));
    EXPECT_EQ(dir.file(numbered(1000000001, ".trace")), nameTraceFile(dir.file("x.log"), "", "fabricprobe", 7, {}));
}

TEST_F(LogNamingTest, SegmentsCountAndArePrunedWithTheirTrace) {
    for (int i = 1; i <= 9; ++i) make(numbered(i, ".trace.1"));
    make(numbered(1, ".trace.2"));
    make(numbered(2, ".trace"));
    make(numbered(2, ".trace.1x"));
    const LogFileMap map = getMatchingFilesMap(dir.path(), "fabricprobe", ".trace");
    ASSERT_EQ(9u, map.size());
    EXPECT_EQ(dir.file(numbered(9, ".trace")), map.rbegin()->second) << "a segment stands for its trace";
    EXPECT_TRUE(getMatchingFilesMap(dir.path(), "fabricprobe", ".log").empty());

    EXPECT_EQ(dir.file(numbered(10, ".trace")), nameTraceFile(dir.file("x.log"), "", "fabricprobe", 7, LogConfig{}));
    for (const char* gone : {".trace.1", ".trace.2"}) EXPECT_FALSE(fileExists(dir.file(numbered(1, gone)))) << gone;
    EXPECT_FALSE(fileExists(dir.file(numbered(2, ".trace"))));
    EXPECT_FALSE(fileExists(dir.file(numbered(2, ".trace.1"))));
    EXPECT_TRUE(fileExists(dir.file(numbered(2, ".trace.1x")))) << "not a segment";
    for (int i = 3; i <= 9; ++i) EXPECT_TRUE(fileExists(dir.file(numbered(i, ".trace.1")))) << i;

    // Old by age: the newest of a trace's files counts.
    ageFile(dir.file(numbered(3, ".trace.1")), 100);
    make(numbered(3, ".trace.2"));
    ageFile(dir.file(numbered(4, ".trace.1")), 100);
    purgeLogFiles(LogConfig{}, getMatchingFilesMap(dir.path(), "fabricprobe", ".trace"), true);
    EXPECT_TRUE(fileExists(dir.file(numbered(3, ".trace.1"))));
    EXPECT_FALSE(fileExists(dir.file(numbered(4, ".trace.1"))));
}

TEST_F(LogNamingTest, FilesARunHoldsAreNeverPrunedAndLaterRunsCatchUp) {
    for (int i = 1; i <= 9; ++i) make(numbered(i, ".trace"));
    PsFileHold oldest = psHoldFile(dir.file(numbered(1, ".trace")));  // a run still writing it
    ASSERT_TRUE(oldest.held());
    PsFileHold trace;
    EXPECT_EQ(dir.file(numbered(10, ".trace")), nameTraceFile(dir.file("x.log"), "", "fabricprobe", 7, {}, &trace));
    EXPECT_TRUE(trace.held());
    EXPECT_TRUE(fileExists(dir.file(numbered(1, ".trace"))));
    EXPECT_FALSE(fileExists(dir.file(numbered(2, ".trace"))));
    LogConfig none;
    none.maxNumLogs = 0;
    purgeLogFiles(none, getMatchingFilesMap(dir.path(), "fabricprobe", ".trace"), true);
    EXPECT_EQ(2u, getMatchingFilesMap(dir.path(), "fabricprobe", ".trace").size());
    EXPECT_TRUE(fileExists(dir.file(numbered(1, ".trace"))) && fileExists(dir.file(numbered(10, ".trace"))));
    oldest = trace = PsFileHold();
    purgeLogFiles(none, getMatchingFilesMap(dir.path(), "fabricprobe", ".trace"), true);
    EXPECT_TRUE(getMatchingFilesMap(dir.path(), "fabricprobe", ".trace").empty());

    // A run's log is created and held when it is named: not even its own
    // pruning to no file at all deletes it, nor a run beside it continuing it.
    PsFileHold log;
    const std::string own = nameActivityLog(dir.path(), "srv", "fabricprobe", none, &log);
    EXPECT_EQ(dir.file("log/srv/" + numbered(1, ".log")), own);
    EXPECT_TRUE(log.held() && fileExists(own));
    EXPECT_EQ(own, nameActivityLog(dir.path(), "srv", "fabricprobe", none));
    EXPECT_TRUE(fileExists(own));
    log = PsFileHold();
    purgeLogFiles(none, getMatchingFilesMap(dir.file("log/srv"), "fabricprobe", ".log"), true);
    EXPECT_FALSE(fileExists(own));
}

TEST_F(LogNamingTest, OddEntriesArePassedOverAndNeverDeleted) {
    // A FIFO, and a directory at the newest number: the log goes on after them,
    // and the next run continues it there.
    dir.mkdirs("log");
    make("log/" + numbered(1, ".log"));
    ASSERT_EQ(0, ::mkfifo(dir.file("log/" + numbered(2, ".log")).c_str(), 0644));
    ASSERT_EQ(0, ::mkdir(dir.file("log/" + numbered(3, ".log")).c_str(), 0755));
    PsFileHold hold;
    const std::string log = nameActivityLog(dir.path(), "", "fabricprobe", LogConfig{}, &hold);
    EXPECT_EQ(dir.file("log/" + numbered(4, ".log")), log);
    EXPECT_TRUE(hold.held());
    EXPECT_EQ(log, nameActivityLog(dir.path(), "", "fabricprobe", LogConfig{}));

    ASSERT_EQ(0, ::mkdir(dir.file(numbered(1, ".trace")).c_str(), 0755));
    for (int i = 2; i <= 8; ++i) make(numbered(i, ".trace"));
    // A link is no odd entry: it counts, and pruning removes the link, never what it points to.
    writeFile(dir.file("victim"), "kept");
    ASSERT_EQ(0, ::symlink(dir.file("victim").c_str(), dir.file(numbered(9, ".trace")).c_str()));
    EXPECT_FALSE(psHoldFile(dir.file(numbered(9, ".trace"))).held()) << "nothing is held through a link";
    ASSERT_EQ(0, ::mkfifo(dir.file(numbered(10, ".trace")).c_str(), 0644));
    EXPECT_EQ(dir.file(numbered(11, ".trace")), nameTraceFile(dir.file("x.log"), "", "fabricprobe", 7, LogConfig{}));
    LogConfig none;
    none.maxNumLogs = 0;
    hold = PsFileHold();
    purgeLogFiles(none, getMatchingFilesMap(dir.file("log"), "fabricprobe", ".log"), true);
    purgeLogFiles(none, getMatchingFilesMap(dir.path(), "fabricprobe", ".trace"), true);
    EXPECT_FALSE(fileExists(dir.file("log/" + numbered(1, ".log"))));
    EXPECT_FALSE(fileExists(log));
    EXPECT_FALSE(fileExists(dir.file(numbered(11, ".trace"))));
    EXPECT_FALSE(fileExists(dir.file(numbered(9, ".trace"))));
    EXPECT_EQ("kept", readFile(dir.file("victim")));
    for (const std::string& odd : {"log/" + numbered(2, ".log"), "log/" + numbered(3, ".log"), numbered(1, ".trace"),
                                  numbered(10, ".trace")})
        EXPECT_TRUE(fileExists(dir.file(odd))) << odd;
}

}  // namespace
