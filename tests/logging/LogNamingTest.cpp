// Numbered log and trace names per component, and pruning by count and age.
#include <gtest/gtest.h>

#include <string>

#include "LogUtil.h"
#include "LoggingTestSupport.h"

namespace {

class LogNamingTest : public ::testing::Test {
protected:
    std::string make(const std::string& name, std::size_t size = 10) {
        const std::string path = dir.file(name);
        spit(path, std::string(size, 'x'));
        return path;
    }
    std::string traceName(const std::string& name) { return dir.file(name); }
    ScratchDir dir;
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

TEST_F(LogNamingTest, EveryRunStartsANewTraceFile) {
    make(numbered(4, ".trace"));
    EXPECT_EQ(dir.file(numbered(5, ".trace")),
              nameTraceFile(dir.file(numbered(4, ".log")), "", "fabricprobe", 7, LogConfig{}));
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
}

TEST_F(LogNamingTest, NewTraceBeyondTheLimitDeletesTheOldest) {
    for (int i = 1; i <= 9; ++i) make(numbered(i, ".trace"));
    const std::string name = nameTraceFile(dir.file("x.log"), "", "fabricprobe", 7, LogConfig{});
    EXPECT_EQ(dir.file(numbered(10, ".trace")), name);
    EXPECT_FALSE(exists(dir.file(numbered(1, ".trace"))));
    EXPECT_FALSE(exists(dir.file(numbered(2, ".trace"))));
    for (int i = 3; i <= 9; ++i) EXPECT_TRUE(exists(dir.file(numbered(i, ".trace")))) << i;
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
    EXPECT_FALSE(exists(dir.file(numbered(1, ".trace"))));
    EXPECT_TRUE(exists(dir.file(numbered(2, ".trace"))));
    for (const char* other : others) EXPECT_TRUE(exists(dir.file(other))) << other;
    for (int i = 1; i <= 12; ++i) EXPECT_TRUE(exists(dir.file("fabricdiscovery_" + numbered(i, ".trace").substr(12))));
}

TEST_F(LogNamingTest, OldFilesArePrunedByAgeUnlessTheAgeIsZero) {
    for (int i = 1; i <= 3; ++i) ageFile(make(numbered(i, ".log")), 100);
    make(numbered(4, ".log"));
    LogConfig keepAll;
    keepAll.maxNumDays = 0;
    purgeLogFiles(keepAll, getMatchingFilesMap(dir.path(), "fabricprobe", ".log"), true);
    for (int i = 1; i <= 4; ++i) EXPECT_TRUE(exists(dir.file(numbered(i, ".log")))) << i;

    purgeLogFiles(LogConfig{}, getMatchingFilesMap(dir.path(), "fabricprobe", ".log"), true);
    for (int i = 1; i <= 3; ++i) EXPECT_FALSE(exists(dir.file(numbered(i, ".log")))) << i;
    EXPECT_TRUE(exists(dir.file(numbered(4, ".log"))));
}

TEST_F(LogNamingTest, CountLimitFollowsTheAgeFlag) {
    for (int i = 1; i <= 7; ++i) make(numbered(i, ".log"));
    LogConfig config;  // 8 files with the age flag, 5 runs without
    purgeLogFiles(config, getMatchingFilesMap(dir.path(), "fabricprobe", ".log"), true);
    EXPECT_TRUE(exists(dir.file(numbered(1, ".log"))));
    purgeLogFiles(config, getMatchingFilesMap(dir.path(), "fabricprobe", ".log"), false);
    EXPECT_FALSE(exists(dir.file(numbered(2, ".log"))));
    EXPECT_TRUE(exists(dir.file(numbered(3, ".log"))));

    LogConfig negative;
    negative.maxNumLogs = -1;
    negative.newFile = true;
    purgeLogFiles(negative, getMatchingFilesMap(dir.path(), "fabricprobe", ".log"), true);
    EXPECT_TRUE(exists(dir.file(numbered(3, ".log")))) << "a negative limit deletes nothing";
}

TEST_F(LogNamingTest, UnreadableDirectoryGivesNumberOne) {
    EXPECT_TRUE(getMatchingFilesMap(dir.file("missing"), "fabricprobe", ".log").empty());
    LogConfig config;
    EXPECT_EQ(numbered(1, ".trace"), getNextLogName(config, dir.file("missing"), "fabricprobe", ".trace", false));
}

}  // namespace
