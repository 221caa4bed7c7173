// The zoning writers on streams that fail at any byte. Their bytes in place are the
// golden files' (tests/cases/zoning).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "Capture.h"
#include "ZoneWriters.h"

namespace {

TEST(ZoneWriters, AFailureAtAnyByteIsReturnedAndEndsTheWrite) {
    const std::function<int(std::FILE*)> writers[] = {
        [](std::FILE* s) { return printFabricZoneProbeHeader(s); },
        [](std::FILE* s) { return printFabricToZoneSet("F:z:0", "F", s); },
        [](std::FILE* s) { return printZoneSet("F:z:0", "z\"", "FALSE", s, 1); },
        [](std::FILE* s) { return printZoneSetToZone("F:z:0", "F:z:n:0", s); },
        [](std::FILE* s) { return printZone("F:z:n:0", "n", "None", s, 1); },
        [](std::FILE* s) { return printZoneToMember("F:m:IP", "F:z:n:0", s); },
        [](std::FILE* s) { return printZoneMember("F:m:IP", "m", "IP", s, 1); },
    };
    for (const auto& write : writers) EXPECT_EQ("", failureAtEachByte(write));
}

}  // namespace
