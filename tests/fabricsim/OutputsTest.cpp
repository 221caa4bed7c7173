// The call log, as a user of FABRICSIM_LOG reads it, and the capture file's appending (what it
// holds is read by tshark: TsharkTest.cpp).
#include <gtest/gtest.h>

#include <cstring>

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
