// Activity logs past 4 GiB: a 32-bit probe must still see, continue and prune them.
// The files are sparse, so they cost no disk space.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <ctime>
#include <stdexcept>
#include <string>

#include "Files.h"
#include "LogUtil.h"
#include "TempDir.h"

namespace {

constexpr std::int64_t kFiveGiB = 5LL << 30;

class LargeLogs : public ::testing::Test {
protected:
    // A sparse file of the given size, last modified that many days ago.
    std::string make(const std::string& name, std::int64_t size, int daysOld = 0) const {
        const std::string path = dir_.file(name);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        // The 64-bit call, so that the file is this large whatever the build's file offsets are.
        if (fd < 0 || ::ftruncate64(fd, static_cast<off64_t>(size)) != 0) throw std::runtime_error("cannot make " + path);
        ::close(fd);
        const struct timespec times[2] = {{std::time(nullptr) - daysOld * 86400L, 0},
                                          {std::time(nullptr) - daysOld * 86400L, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        return path;
    }
    bool exists(const std::string& name) const { return fileExists(dir_.file(name)); }

    TempDir dir_;
};

TEST_F(LargeLogs, AreListedAndContinuedWhileTheLimitLeavesRoom) {
    make("fabricprobe_000003.log", kFiveGiB);
    EXPECT_EQ(1u, getMatchingFilesMap(dir_.path(), "fabricprobe", ".log").size());

    LogConfig config;
    config.maxLogSize = 6 * 1024 * 1024;  // 6 GiB in kilobytes
    EXPECT_EQ("fabricprobe_000003.log", getNextLogName(config, dir_.path(), "fabricprobe", ".log", true));
    EXPECT_FALSE(config.newFile);

    config.maxLogSize = 4 * 1024 * 1024;
    EXPECT_EQ("fabricprobe_000004.log", getNextLogName(config, dir_.path(), "fabricprobe", ".log", true));
    EXPECT_TRUE(config.newFile);
}

TEST_F(LargeLogs, AreDeletedWhenTooOld) {
    make("fabricprobe_000001.log", kFiveGiB, 30);
    make("fabricprobe_000002.log", kFiveGiB, 1);
    LogConfig config;
    config.maxNumDays = 7;
    purgeLogFiles(config, getMatchingFilesMap(dir_.path(), "fabricprobe", ".log"), true);
    EXPECT_FALSE(exists("fabricprobe_000001.log"));
    EXPECT_TRUE(exists("fabricprobe_000002.log"));
}

}  // namespace
