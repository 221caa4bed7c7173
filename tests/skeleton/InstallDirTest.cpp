#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "Files.h"
#include "InstallDir.h"
#include "TempDir.h"

namespace {

// Keeps PATH and the working directory as they were before the test.
class InstallDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* path = std::getenv("PATH")) savedPath_ = path;
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        savedCwd_ = cwd;
    }
    void TearDown() override {
        if (savedPath_) setenv("PATH", savedPath_->c_str(), 1);
        else unsetenv("PATH");
        EXPECT_EQ(chdir(savedCwd_.c_str()), 0);
    }

    std::string derive(const std::string& programPath) {
        programName_.clear();
        return deriveInstallDir(programPath.c_str(), programName_);
    }

    TempDir dir_;
    std::string programName_;

private:
    std::optional<std::string> savedPath_;
    std::string savedCwd_;
};

TEST_F(InstallDirTest, AbsolutePathsAreNormalisedAndNeedABinDirectory) {
    EXPECT_EQ(derive("/opt/x/bin/fabricprobe"), "/opt/x");
    EXPECT_EQ(programName_, "fabricprobe");
    EXPECT_EQ(derive("/opt//x/./tools/../bin/fabricprobe"), "/opt/x");
    EXPECT_EQ(derive("/opt/x/bin/./fabricprobe"), "/opt/x");
    EXPECT_EQ(derive("/opt/x/binaries/fabricprobe"), "/opt/x");  // the last directory starts with "bin"
    EXPECT_EQ(derive("/opt/x/tools/fabricprobe"), "");
    EXPECT_EQ(programName_, "fabricprobe");
    EXPECT_EQ(derive("/opt/bin/x/fabricprobe"), "");  // only the last directory counts
    EXPECT_EQ(derive("/fabricprobe"), "");
    EXPECT_EQ(derive("/../../"), "");
}

TEST_F(InstallDirTest, RelativePathsAreTakenFromTheWorkingDirectory) {
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    EXPECT_EQ(derive("bin/fabricprobe"), dir_.path());
    EXPECT_EQ(programName_, "fabricprobe");
    EXPECT_EQ(derive("./bin/fabricprobe"), dir_.path() + "/.");
    EXPECT_EQ(derive("tools/fabricprobe"), "");
}

TEST_F(InstallDirTest, BareNamesAreLookedUpInPath) {
    const std::string first = dir_.mkdirs("first/bin");
    const std::string second = dir_.mkdirs("second/bin");
    const std::string last = dir_.mkdirs("last/bin");
    writeFile(first + "/fabricprobe", "not a program", 0644);  // not executable: passed over
    writeFile(second + "/fabricprobe", "#!/bin/sh\n", 0755);
    dir_.mkdirs("first/bin/fabricprobe.d");

    setenv("PATH", (first + ":" + second + ":" + last).c_str(), 1);
    EXPECT_EQ(derive("fabricprobe"), dir_.file("second"));
    EXPECT_EQ(programName_, "fabricprobe");

    // Nothing found before the last entry: the last one is taken without a test.
    setenv("PATH", (first + ":" + last).c_str(), 1);
    EXPECT_EQ(derive("fabricprobe"), dir_.file("last"));
    setenv("PATH", last.c_str(), 1);
    EXPECT_EQ(derive("fabricprobe"), dir_.file("last"));

    // A directory is not a program.
    setenv("PATH", (first + ":" + last).c_str(), 1);
    EXPECT_EQ(derive("fabricprobe.d"), dir_.file("last"));
}

TEST_F(InstallDirTest, RelativePathEntriesAreTakenFromTheWorkingDirectory) {
    dir_.mkdirs("inst/bin");
    writeFile(dir_.file("inst/bin/fabricprobe"), "#!/bin/sh\n", 0755);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    setenv("PATH", "inst/bin:/nonexistent", 1);
    EXPECT_EQ(derive("fabricprobe"), dir_.file("inst"));
    // An empty entry is the working directory itself.
    ASSERT_EQ(chdir(dir_.file("inst/bin").c_str()), 0);
    setenv("PATH", ":/nonexistent", 1);
    EXPECT_EQ(derive("fabricprobe"), dir_.file("inst"));
}

TEST_F(InstallDirTest, WithoutPathABareNameHasNoInstallation) {
    unsetenv("PATH");
    EXPECT_EQ(derive("fabricprobe"), "");
    EXPECT_EQ(derive(""), "");
    std::string name;
    EXPECT_EQ(deriveInstallDir(nullptr, name), "");
}

}  // namespace
