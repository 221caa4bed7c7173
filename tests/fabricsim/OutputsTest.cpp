// The call log and the capture file, as a user of FABRICSIM_LOG and FABRICSIM_PCAP reads them.
#include <gtest/gtest.h>

#include <regex>

#include "Files.h"
#include "SimHarness.h"
#include "TempDir.h"

using fabricsim::GsCommand;
using namespace fstest;
using nlohmann::json;

namespace {

const std::string kPort0 = "1000000A0A000001";

Bytes fileBytes(const std::string& path) {
    const std::string text = readFile(path);
    return Bytes(text.begin(), text.end());
}

std::uint32_t le32(const Bytes& b, std::size_t at) {
    return std::uint32_t(b.at(at)) | (std::uint32_t(b.at(at + 1)) << 8) | (std::uint32_t(b.at(at + 2)) << 16) |
           (std::uint32_t(b.at(at + 3)) << 24);
}

struct Record {
    std::uint32_t seconds;
    Bytes frame;
};

std::vector<Record> records(const Bytes& file) {
    std::vector<Record> out;
    std::size_t at = 24;
    while (at + 16 <= file.size()) {
        std::uint32_t captured = le32(file, at + 8);
        EXPECT_EQ(captured, le32(file, at + 12));
        out.push_back({le32(file, at), Bytes(file.begin() + static_cast<long>(at) + 16,
                                             file.begin() + static_cast<long>(at + 16 + captured))});
        at += 16 + captured;
    }
    EXPECT_EQ(at, file.size());
    return out;
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

TEST(Capture, HoldsARequestAndAResponseFrameForEveryCallOnTheWire) {
    const TempDir dir;
    const std::string path = dir.file("capture.pcap");
    json model = readModelJson("full.json");
    model["faults"] = json::array({{{"command", "GPNL"}, {"fail", 10}}});
    fabricsim::SimulatorOutputs outputs;
    std::string error;
    outputs.pcap = fabricsim::PcapWriter::open(path, error);
    ASSERT_TRUE(outputs.pcap) << error;
    {
        SimHarness h(model, std::move(outputs));
        std::uint32_t a = h.open("sim-hba0");
        std::uint32_t noV2 = h.open("sim-hba1");
        h.v2(a, "1000000A0A000002", GsCommand::GIEL, "", 40);  // cut: 68 bytes into 40
        h.v2(a, kPort0, GsCommand::GNN_ID, "010100");
        h.v2(a, kPort0, GsCommand::GPNL);             // fails at the fabric: a request, no response
        h.v2(noV2, "1000000A0A000011", GsCommand::GIEL);  // never leaves the adapter: nothing
    }
    Bytes file = fileBytes(path);
    ASSERT_GE(file.size(), 24u);
    EXPECT_EQ(le32(file, 0), 0xA1B2C3D4u);
    EXPECT_EQ(le32(file, 20), 224u);
    std::vector<Record> frames = records(file);
    ASSERT_EQ(frames.size(), 5u);

    const Bytes& giel = frames[0].frame;
    EXPECT_EQ(toHex(Bytes(giel.begin(), giel.begin() + 24)), "02FFFFFA00010200202900000000000000" "01FFFF00000000");
    EXPECT_EQ(Bytes(giel.begin() + 24, giel.end()), buildRequest(GsCommand::GIEL, "", 40));
    const Bytes& gielAcc = frames[1].frame;
    EXPECT_EQ(toHex(Bytes(gielAcc.begin(), gielAcc.begin() + 24)), "03010200" "00FFFFFA20980000000000000001000100000000");
    ASSERT_EQ(gielAcc.size(), 24u + 40) << "the bytes returned";
    EXPECT_EQ(be16At(Bytes(gielAcc.begin() + 24, gielAcc.end()), 10), (68 - 40) / 4);

    const Bytes& gnnid = frames[2].frame;
    EXPECT_EQ(toHex(Bytes(gnnid.begin(), gnnid.begin() + 8)), "02FFFFFC00010100") << "name server, first port";
    EXPECT_EQ(be16At(gnnid, 16), 2) << "a new OX_ID";
    EXPECT_EQ(gnnid.size(), 24u + 20);
    const Bytes& gnnidAcc = frames[3].frame;
    EXPECT_EQ(be16At(gnnidAcc, 16), 2);
    EXPECT_EQ(wwnAt(gnnidAcc, 24 + 16), "2000000A0A000001");
    EXPECT_EQ(frames[4].frame[0], 0x02) << "the failed GPNL request";
    EXPECT_EQ(be16At(frames[4].frame, 16), 3);
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
    EXPECT_EQ(records(fileBytes(path)).size(), 4u) << "one header, two runs of two frames";

    const std::string other =
        dir.write("other.txt", "not a capture, and long enough to have a header's worth of bytes\n");
    std::string error;
    EXPECT_EQ(fabricsim::PcapWriter::open(other, error), nullptr);
    EXPECT_NE(error.find("not empty"), std::string::npos) << error;
    EXPECT_EQ(fabricsim::PcapWriter::open("/nonexistent-dir/x.pcap", error), nullptr);
}
