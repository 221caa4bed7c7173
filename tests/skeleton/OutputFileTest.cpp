#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>
#include <string>

#include <gtest/gtest.h>

#include "Files.h"
#include "OutputFile.h"
#include "TempDir.h"

namespace {

TEST(OutputFile, WrittenAndClosed) {
    TempDir dir;
    OutputFile output;
    ASSERT_TRUE(output.open(dir.file("out.dat")));
    std::fputs("[Header]\n", output.stream());
    EXPECT_TRUE(output.close());
    EXPECT_EQ(output.stream(), nullptr);
    EXPECT_EQ(readFile(dir.file("out.dat")), "[Header]\n");
    EXPECT_TRUE(output.close());  // closing twice is harmless
}

TEST(OutputFile, OpeningReplacesAnEarlierFileAndFailsWithoutDirectory) {
    TempDir dir;
    writeFile(dir.file("out.dat"), "old content");
    {
        OutputFile output;
        ASSERT_TRUE(output.open(dir.file("out.dat")));
    }  // closed by its owner
    EXPECT_EQ(readFile(dir.file("out.dat")), "");
    OutputFile missing;
    EXPECT_FALSE(missing.open(dir.file("no/such/dir/out.dat")));
    EXPECT_EQ(errno, ENOENT);
}

TEST(OutputFile, AFullDiskIsSeenAtTheClose) {
    OutputFile output;
    ASSERT_TRUE(output.open("/dev/full"));
    // Small enough to stay in the stdio buffer until the close.
    ASSERT_GT(std::fputs("[Header]\n", output.stream()), 0);
    EXPECT_FALSE(output.close());
    EXPECT_EQ(errno, ENOSPC);
}

TEST(OutputFile, CopyToTheLogEndsOnAnyFile) {
    TempDir dir;
    writeFile(dir.file("out.dat"), std::string(2500, 'x') + "\nshort\n");
    // In a child with an alarm: a copy that never ends shows as a death by SIGALRM.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(10);
        copyOutputToLog(dir.file("out.dat"));
        copyOutputToLog(dir.file("missing.dat"));
        copyOutputToLog("");
        // A device in the output file's place has no end and is not copied.
        copyOutputToLog("/dev/zero");
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
