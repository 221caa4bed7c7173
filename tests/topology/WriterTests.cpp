// The topology writers and the file-wide output rules on streams that fail at any byte.
// Their bytes in place, quoting and line-break encoding included, are the golden files'
// (tests/cases/topology).
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "Capture.h"
#include "OutputFormat.h"
#include "TopologyWriters.h"

namespace {

TEST(TopologyWriters, AFailureAtAnyByteIsReturnedAndEndsTheWrite) {
    const std::function<int(std::FILE*)> writers[] = {
        [](std::FILE* s) { return printfQuotesEscape("a \"b\"\r\n", s); },
        [](std::FILE* s) { return printHeaderStart(s); },
        [](std::FILE* s) { return printFabricTopologyProbeHeader(s); },
        [](std::FILE* s) { return printHeaderEnd(s); },
        [](std::FILE* s) { return printFabricStart("F", s); },
        [](std::FILE* s) { return printFabricEnd(s); },
        [](std::FILE* s) { return printFabricToInterconnectElement("S", "F", s); },
        [](std::FILE* s) { return printInterConnectElement("1", "2", "3", "4", "5", "6", "7", "8", "9", "", "", "", s); },
        [](std::FILE* s) { return printSwitchToPort("P", "S", s); },
        [](std::FILE* s) { return printSwitchPort("P", "F_Port", "Online", "16", s); },
        [](std::FILE* s) { return printEndPort("E", "N_Port", "", s); },
        [](std::FILE* s) { return printNodeToPort("N", "E", s); },
        [](std::FILE* s) { return printNode("N", "host \"17\"", "Host", "http://h", "", "snmp://h", s); },
        [](std::FILE* s) { return printPortToPort("A", "B", s); },
    };
    for (const auto& write : writers) EXPECT_EQ("", failureAtEachByte(write));
    // Commas, backslashes and other bytes stay as they are.
    StreamCapture text;
    EXPECT_EQ(1, printfQuotesEscape("x,y\\z\t\xE9", text.get()));
    EXPECT_EQ(1, printfQuotesEscape(nullptr, text.get()));
    EXPECT_EQ("\"x,y\\z\t\xE9\"\"\"", text.text());
}

}  // namespace
