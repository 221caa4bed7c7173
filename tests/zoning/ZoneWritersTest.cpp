// The zoning writers' exact bytes and their failed-write results.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Capture.h"
#include "ZoneWriters.h"

namespace {

TEST(ZoneWriters, ColumnHeaderBlock) {
    StreamCapture out;
    EXPECT_EQ(printFabricZoneProbeHeader(out.get()), 1);
    EXPECT_EQ(out.text(),
              "[Fabric]\nwwn\n"
              "[FabricToZoneSet]\nuniqueId,fabricWWn\n"
              "[ZoneSet]\nuniqueId,name,active\n"
              "[ZoneSetToZone]\nzonesetUniqueId,zoneUniqueId\n"
              "[Zone]\nuniqueId,name,type\n"
              "[ZoneToMember]\nuniqueId,zoneUniqueId\n"
              "[ZoneMember]\nuniqueId,name,type\n");
}

TEST(ZoneWriters, RecordBlocksInColumnOrder) {
    StreamCapture out;
    EXPECT_EQ(printFabricToZoneSet("F:cfg:1", "100000000000A001", out.get()), 1);
    EXPECT_EQ(printZoneSet("F:cfg:1", "cfg", "TRUE", out.get(), 1), 1);
    EXPECT_EQ(printZoneSetToZone("F:cfg:0", "F:cfg:z:0", out.get()), 1);
    EXPECT_EQ(printZone("F:cfg:z:0", "z", "None", out.get(), 1), 1);
    EXPECT_EQ(printZoneMember("F:7,-32768:DomainPort", "7,-32768", "DomainPort", out.get(), 1), 1);
    EXPECT_EQ(printZoneToMember("F:7,-32768:DomainPort", "F:cfg:z:0", out.get()), 1);
    EXPECT_EQ(out.text(),
              "[FabricToZoneSet]\n\"F:cfg:1\",\"100000000000A001\"\n[/FabricToZoneSet]\n"
              "[ZoneSet]\n\"F:cfg:1\",\"cfg\",\"TRUE\"\n[/ZoneSet]\n"
              "[ZoneSetToZone]\n\"F:cfg:0\",\"F:cfg:z:0\"\n[/ZoneSetToZone]\n"
              "[Zone]\n\"F:cfg:z:0\",\"z\",\"None\"\n[/Zone]\n"
              "[ZoneMember]\n\"F:7,-32768:DomainPort\",\"7,-32768\",\"DomainPort\"\n[/ZoneMember]\n"
              "[ZoneToMember]\n\"F:7,-32768:DomainPort\",\"F:cfg:z:0\"\n[/ZoneToMember]\n");
}

TEST(ZoneWriters, QuotesEscapedOtherCharactersKept) {
    StreamCapture out;
    EXPECT_EQ(printZone("F:c:a\"b:0", "a\"b\\,c", "", out.get(), 1), 1);
    EXPECT_EQ(out.text(), "[Zone]\n\"F:c:a\\\"b:0\",\"a\\\"b\\,c\",\"\"\n[/Zone]\n");
}

// Each writer, failing at every byte it would write, returns the failed
// call's negative result and leaves exactly the bytes the stream took.
TEST(ZoneWriters, FailedWriteReturnsTheCallsResult) {
    const std::vector<std::function<int(FILE*)>> writers = {
        [](FILE* s) { return printFabricZoneProbeHeader(s); },
        [](FILE* s) { return printFabricToZoneSet("F:z:0", "F", s); },
        [](FILE* s) { return printZoneSet("F:z:0", "z\"", "FALSE", s, 1); },
        [](FILE* s) { return printZoneSetToZone("F:z:0", "F:z:n:0", s); },
        [](FILE* s) { return printZone("F:z:n:0", "n", "None", s, 1); },
        [](FILE* s) { return printZoneToMember("F:m:IP", "F:z:n:0", s); },
        [](FILE* s) { return printZoneMember("F:m:IP", "m", "IP", s, 1); },
    };
    for (std::size_t w = 0; w < writers.size(); ++w) {
        StreamCapture whole;
        ASSERT_EQ(writers[w](whole.get()), 1);
        const std::string bytes = whole.text();
        for (std::size_t capacity = 0; capacity < bytes.size(); ++capacity) {
            FailingStream out(capacity);
            EXPECT_LT(writers[w](out.get()), 0) << w << " at " << capacity;
            EXPECT_EQ(out.text(), bytes.substr(0, capacity)) << w;
        }
    }
}

TEST(ZoneWriters, FullDeviceIsAFailedWrite) {
    FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_EQ(printZoneSet("F:z:1", "z", "TRUE", full, 1), EOF);
    std::fclose(full);
}

}  // namespace
