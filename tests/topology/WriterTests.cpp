// The topology writers and the file-wide output rules: exact bytes on a
// memory stream, and the failed-call results on streams that cannot be written.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "Capture.h"
#include "OutputFormat.h"
#include "TopologyWriters.h"

namespace {

// Everything a writer puts on a stream, and what it returned.
struct Written {
    std::string bytes;
    int result;
};

Written capture(const std::function<int(FILE*)>& write) {
    StreamCapture stream;
    const int result = write(stream.get());
    return {stream.text(), result};
}

TEST(Quoting, DoubleQuotesGetABackslashAndLineBreaksAreEncoded) {
    EXPECT_EQ("\"\"", capture([](FILE* s) { return printfQuotesEscape("", s); }).bytes);
    EXPECT_EQ("\"\"", capture([](FILE* s) { return printfQuotesEscape(nullptr, s); }).bytes);
    EXPECT_EQ("\"a \\\"b\\\" c\"", capture([](FILE* s) { return printfQuotesEscape("a \"b\" c", s); }).bytes);
    // Commas, backslashes and other bytes stay as they are.
    EXPECT_EQ("\"x,y\\z\t\xE9\"", capture([](FILE* s) { return printfQuotesEscape("x,y\\z\t\xE9", s); }).bytes);
    // A line break inside a value would split the record for its reader.
    EXPECT_EQ("\"one%0Atwo%0D%0Athree\"",
              capture([](FILE* s) { return printfQuotesEscape("one\ntwo\r\nthree", s); }).bytes);
    EXPECT_EQ(1, capture([](FILE* s) { return printfQuotesEscape("v", s); }).result);
}

TEST(Header, TopologyColumnHeaderBlockIsEighteenUnquotedLines) {
    Written w = capture([](FILE* s) {
        printHeaderStart(s);
        int r = printFabricTopologyProbeHeader(s);
        printHeaderEnd(s);
        return r;
    });
    EXPECT_EQ(1, w.result);
    EXPECT_EQ(
        "[Header]\n"
        "[Fabric]\n"
        "wwn\n"
        "[FabricToInterconnectElement]\n"
        "switchWwn,fabricWwn\n"
        "[InterconnectElement]\n"
        "uniqueId,wwn,type,domain,logicalName,managementId,vendorID,model,releaseCode,"
        "managementSnmpAddress,managementUrlAddress,managementTelnetAddress\n"
        "[SwitchToPort]\n"
        "uniqueId,switchWwn\n"
        "[SwitchPort]\n"
        "wwn,type,portState,physicalPortNumber\n"
        "[EndPort]\n"
        "wwn,type,fcPortId\n"
        "[NodeToPort]\n"
        "nodeWwn,portWwn\n"
        "[Node]\n"
        "wwn,name,type,mgtUrlAddress,mgmtTelnetAddress,mgmtSnmpAddress\n"
        "[PortToPort]\n"
        "wwnPort1,wwnPort2\n"
        "[/Header]\n",
        w.bytes);
}

TEST(FabricBlock, OpensWithTheQuotedNameAndClosesAlone) {
    Written start = capture([](FILE* s) { return printFabricStart("100000000000A001", s); });
    EXPECT_EQ(1, start.result);
    EXPECT_EQ("[Fabric]\n\"100000000000A001\"\n", start.bytes);
    Written end = capture([](FILE* s) { return printFabricEnd(s); });
    EXPECT_EQ(1, end.result);
    EXPECT_EQ("[/Fabric]\n", end.bytes);
}

TEST(RecordBlocks, EachWriterWritesOneBlockWithItsFieldsInColumnOrder) {
    struct Case {
        const char* name;
        std::function<int(FILE*)> write;
        const char* bytes;
    } cases[] = {
        {"InterconnectElement",
         [](FILE* s) {
             return printInterConnectElement("1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", s);
         },
         "[InterconnectElement]\n\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"7\",\"8\",\"9\",\"10\",\"11\",\"12\"\n"
         "[/InterconnectElement]\n"},
        {"SwitchPort", [](FILE* s) { return printSwitchPort("P", "F_Port", "Online", "16", s); },
         "[SwitchPort]\n\"P\",\"F_Port\",\"Online\",\"16\"\n[/SwitchPort]\n"},
        {"EndPort", [](FILE* s) { return printEndPort("E", "N_Port", "", s); },
         "[EndPort]\n\"E\",\"N_Port\",\"\"\n[/EndPort]\n"},
        {"Node of an end port", [](FILE* s) { return printNode("N", "", "", "", "", "", s); },
         "[Node]\n\"N\",\"\",\"\",\"\",\"\",\"\"\n[/Node]\n"},
        {"Node of a platform",
         [](FILE* s) { return printNode("N", "host \"17\"", "Host", "http://h", "", "snmp://h", s); },
         "[Node]\n\"N\",\"host \\\"17\\\"\",\"Host\",\"http://h\",\"\",\"snmp://h\"\n[/Node]\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Written w = capture(c.write);
        EXPECT_EQ(1, w.result);
        EXPECT_EQ(c.bytes, w.bytes);
    }
}

// Every writer reports the failed call's (negative) result on a full device.
TEST(FailingStreams, EveryWriterReturnsTheFailedCallsResult) {
    FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(nullptr, full);
    setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_LT(printfQuotesEscape("x", full), 0);
    EXPECT_LT(printHeaderStart(full), 0);
    EXPECT_LT(printHeaderEnd(full), 0);
    EXPECT_LT(printFabricTopologyProbeHeader(full), 0);
    EXPECT_LT(printFabricStart("F", full), 0);
    EXPECT_LT(printFabricEnd(full), 0);
    EXPECT_LT(printFabricToInterconnectElement("S", "F", full), 0);
    EXPECT_LT(printInterConnectElement("", "", "", "", "", "", "", "", "", "", "", "", full), 0);
    EXPECT_LT(printSwitchToPort("P", "S", full), 0);
    EXPECT_LT(printSwitchPort("P", "T", "S", "1", full), 0);
    EXPECT_LT(printEndPort("E", "T", "", full), 0);
    EXPECT_LT(printNodeToPort("N", "E", full), 0);
    EXPECT_LT(printNode("N", "", "", "", "", "", full), 0);
    EXPECT_LT(printPortToPort("A", "B", full), 0);
    std::fclose(full);
}

// A write that fails inside a block leaves what was written and stops there.
TEST(FailingStreams, AFailureInsideABlockStopsItAtThatPoint) {
    const std::string block = "[SwitchPort]\n\"P\",\"F_Port\",\"Online\",\"16\"\n[/SwitchPort]\n";
    for (std::size_t capacity = 0; capacity < block.size(); ++capacity) {
        SCOPED_TRACE(capacity);
        FailingStream stream(capacity);
        EXPECT_LT(printSwitchPort("P", "F_Port", "Online", "16", stream.get()), 0);
        EXPECT_EQ(block.substr(0, capacity), stream.text());
    }
    FailingStream roomy(block.size());
    EXPECT_EQ(1, printSwitchPort("P", "F_Port", "Online", "16", roomy.get()));
}

}  // namespace
