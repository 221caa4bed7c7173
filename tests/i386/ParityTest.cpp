// What the i386 stage installs is what a 32-bit host runs: i386 ELF files, program and
// libraries. That its probe writes what the native one writes is checked by the cases
// marked "parity" (tests/cases), which this build also runs from the native installation.
#include <gtest/gtest.h>

#include <elf.h>

#include <cstring>
#include <string>

#include "Files.h"

namespace {

TEST(I386Install, ProbeLauncherAndSimulatorAre32BitX86) {
    for (const char* file : {"bin/fabricprobe", "bin/fabricsim-run", "lib/libfabricsim.so"}) {
        SCOPED_TRACE(file);
        const std::string bytes = readFile(stagePath(file));
        ASSERT_GE(bytes.size(), sizeof(Elf32_Ehdr));
        Elf32_Ehdr header;
        std::memcpy(&header, bytes.data(), sizeof header);
        EXPECT_EQ(0, std::memcmp(header.e_ident, ELFMAG, SELFMAG));
        EXPECT_EQ(ELFCLASS32, header.e_ident[EI_CLASS]);
        EXPECT_EQ(EM_386, header.e_machine);
    }
}

}  // namespace
