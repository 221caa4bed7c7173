// The call log, as a user of FABRICSIM_LOG reads it, and the capture file's appending (what it
// holds is read by tshark: TsharkTest.cpp).
#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "Files.h"
#include "SimHarness.h"
#include "TempDir.h"

using fabricsim::GsCommand;
using namespace fstest;
using nlohmann::json;

namespace {

const std::string kPort0 = "1000000A0A000001";

// The records of a capture file after its 24-byte header, each with its captured length twice.
std::size_t records(const std::string& path) {
    const std::string file = readFile(path);
    const auto le32 = [&](std::size_t at) {
        std::uint32_t value = 0;  // the writer's byte order, which is this host's
        std::memcpy(&value, file.data() + at, 4);
        return value;
    };
    std::size_t at = 24, n = 0;
    for (; at + 16 <= file.size(); ++n) {
        EXPECT_EQ(le32(at + 8), le32(at + 12));
        at += 16 + le32(at + 8);
    }
    EXPECT_EQ(at, file.size());
    return n;
}

}  // namespace

TEST(CallLog, FormatsOneLinePerCall) {
    fabricsim::CallRecord record;
    record.at.tv_sec = 1796544993;
    record.at.tv_nsec = 123999999;
    record.handle = 2;
    record.port = 0x1000000A0A000001ull;
    record.version = 1;
    record.command = "GPLT";
    record.key = std::string("host 17\\\n");
    record.result = fabricsim::rejectResult(0x09, 0x0A);
    EXPECT_EQ(fabricsim::formatCallRecord(record),
              "1796544993.123 handle=2 port=1000000A0A000001 v=1 cmd=GPLT key=host\\x2017\\x5C\\x0A result=RJT 09 0A\n");
    record.port.reset();
    record.key.reset();
    record.at.tv_nsec = 5000000;
    record.result = fabricsim::failResult(3);
    EXPECT_EQ(fabricsim::formatCallRecord(record), "1796544993.005 handle=2 port=- v=1 cmd=GPLT key=- result=FAIL 3\n");
}

TEST(CallLog, RecordsEveryCallWithItsOutcome) {
    const TempDir dir;
    const std::string path = dir.file("calls.log");
    json model = readModelJson("full.json");
    model["faults"] = json::array({{{"command", "GZC"}, {"times", 1}, {"raw", "00"}},
                                   {{"command", "GZC"}, {"times", 1}, {"fail", 7}}});
    fabricsim::SimulatorOutputs outputs;
    outputs.log = std::make_unique<fabricsim::CallLog>(path);
    SimHarness h(model, std::move(outputs));
    std::uint32_t a = h.open("sim-hba0");
    std::uint32_t noV2 = h.open("sim-hba1");
    h.v2(a, kPort0, GsCommand::GDID, "100000000a0f0001");
    h.v1(a, GsCommand::GPLT, "odd \"name\"");
    h.v2(a, kPort0, GsCommand::GZC);
    h.v2(a, kPort0, GsCommand::GZC);
    h.v2(noV2, "1000000A0A000011", GsCommand::GIEL);
    h.v1(99, GsCommand::GNN_ID, "0a0a0a");
    Bytes unknown = buildRequest(GsCommand::GIEL, "", 64);
    unknown[9] = 0x77;
    h.send(a, kPort0, unknown, 64);

    std::vector<std::string> got = readLines(path);
    ASSERT_EQ(got.size(), 7u);
    const std::regex stamp("^[0-9]{10,}\\.[0-9]{3} (.*)$");
    const char* expected[] = {
        "handle=1 port=1000000A0A000001 v=2 cmd=GDID key=100000000A0F0001 result=ACC",
        "handle=1 port=1000000A0A000001 v=1 cmd=GPLT key=odd\\x20\"name\" result=RJT 09 00",
        "handle=1 port=1000000A0A000001 v=2 cmd=GZC key=- result=RAW",
        "handle=1 port=1000000A0A000001 v=2 cmd=GZC key=- result=FAIL 7",
        "handle=2 port=1000000A0A000011 v=2 cmd=GIEL key=- result=FAIL 2",
        "handle=99 port=- v=1 cmd=GNN_ID key=0A0A0A result=FAIL 3",
        "handle=1 port=1000000A0A000001 v=2 cmd=FA/01/0177 key=- result=RJT 0B 00",
    };
    for (std::size_t i = 0; i < got.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(got[i], m, stamp)) << got[i];
        EXPECT_EQ(m[1].str(), expected[i]);
    }
}

TEST(Capture, AppendsToItsOwnCapturesAndLeavesOtherFilesAlone) {
    const TempDir dir;
    const std::string path = dir.file("append.pcap");
    for (int run = 0; run < 2; ++run) {
        fabricsim::SimulatorOutputs outputs;
        std::string error;
        outputs.pcap = fabricsim::PcapWriter::open(path, error);
        ASSERT_TRUE(outputs.pcap) << error;
        SimHarness h(readModelJson("full.json"), std::move(outputs));
        h.v2(h.open("sim-hba0"), kPort0, GsCommand::GZC);
    }
    EXPECT_EQ(records(path), 4u) << "one header, two runs of two frames";

    const std::string other =
        dir.write("other.txt", "not a capture, and long enough to have a header's worth of bytes\n");
    std::string error;
    EXPECT_EQ(fabricsim::PcapWriter::open(other, error), nullptr);
    EXPECT_NE(error.find("not empty"), std::string::npos) << error;
    EXPECT_EQ(fabricsim::PcapWriter::open("/nonexistent-dir/x.pcap", error), nullptr);
}
