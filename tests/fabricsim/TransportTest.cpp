// Pass-through calls: truncation with full counts and residual, handles, and malformed
// calls that must fail without touching the caller's buffers.
#include <gtest/gtest.h>

#include "SimHarness.h"

using fabricsim::GsCommand;
using namespace fstest;
namespace status = fabricsim::status;

namespace {

const std::string kPort = "1000000A0A000001";

std::string wwn(std::uint32_t n, std::uint32_t base) { return fabricsim::hexText((std::uint64_t(base) << 32) | n, 16); }

// One fabric: `switches` switches, the first with one port that has `attached` attached ports.
nlohmann::json bigFabric(int switches, int attached) {
    nlohmann::json ports = nlohmann::json::array();
    nlohmann::json att = nlohmann::json::array();
    for (int i = 0; i < attached; ++i) att.push_back({{"wwn", wwn(i, 0x10000000)}, {"type", 1}});
    ports.push_back({{"wwn", "2000000000000001"}, {"type", "0x81"}, {"state", 1}, {"attached", att}});
    nlohmann::json sws = nlohmann::json::array();
    for (int i = 0; i < switches; ++i) sws.push_back({{"wwn", wwn(i + 1, 0x10000001)}, {"type", 1}, {"ports", ports}});
    return {{"adapters", {{{"name", "big"}, {"node_wwn", "2000000A0A000001"},
                           {"ports", {{{"wwn", kPort}, {"fcid", "010100"}, {"fabric", "X"}}}}}}},
            {"fabrics", {{"X", {{"name", "100000010000FFFF"}, {"switches", sws}}}}}};
}

}  // namespace

TEST(Truncation, LongAnswersKeepTheirCountsAndReportTheWordsLeftOut) {
    SimHarness harness(bigFabric(400, 100));
    std::uint32_t h = harness.open("big");

    Reply giel = harness.v2(h, kPort, GsCommand::GIEL);  // 20 + 400 * 12 = 4820 bytes into 3996
    ASSERT_EQ(giel.status, 0u);
    EXPECT_EQ(giel.returned, 3996u);
    EXPECT_EQ(be32At(giel.buffer, 16), 400u);
    EXPECT_EQ(be16At(giel.buffer, 10), (4820 - 3996) / 4);
    EXPECT_EQ(wwnAt(giel.buffer, 20 + 12 * 330), wwn(331, 0x10000001)) << "the last whole entry";

    Reply gapnl = harness.v2(h, kPort, GsCommand::GAPNL, "2000000000000001");  // 1220 into 1044
    EXPECT_EQ(gapnl.returned, 1044u);
    EXPECT_EQ(be32At(gapnl.buffer, 16), 100u);
    EXPECT_EQ(be16At(gapnl.buffer, 10), 44);

    // Two bytes left out still count as a word; a buffer the answer just fills leaves none out.
    Reply gfn = harness.v2(h, kPort, GsCommand::GFN, wwn(1, 0x10000001), 22);
    EXPECT_EQ(gfn.returned, 22u);
    EXPECT_EQ(toHex(Bytes(gfn.buffer.begin() + 8, gfn.buffer.end())), "8002000100000000" "100000010000");
    gfn = harness.v2(h, kPort, GsCommand::GFN, wwn(1, 0x10000001), 25);
    EXPECT_EQ(gfn.returned, 24u);
    EXPECT_EQ(toHex(Bytes(gfn.buffer.begin() + 8, gfn.buffer.end())), "8002000000000000" "100000010000FFFF" "EE");

    // The version-1 call has no size to report; the buffer holds the same cut answer.
    Reply v1 = harness.send(h, std::nullopt, buildRequest(GsCommand::GIEL, "", 3996), 3996);
    EXPECT_EQ(v1.status, 0u);
    EXPECT_EQ(Bytes(v1.buffer.begin() + 16, v1.buffer.end()), Bytes(giel.buffer.begin() + 16, giel.buffer.end()));
}

TEST(Handles, AdapterIAnswersToHandleIPlusOne) {
    SimHarness harness(readModelJson("full.json"));
    EXPECT_EQ(harness.open("sim-hba0"), 1u);
    EXPECT_EQ(harness.open("sim-hba6"), 7u);
    EXPECT_EQ(harness.open("sim-hba0"), 1u) << "opening again gives the same handle";
    EXPECT_EQ(harness.open("sim-hba3"), 0u) << "fail: open";
    EXPECT_EQ(harness.open("nobody"), 0u);
    EXPECT_EQ(harness.sim().openAdapter(nullptr), 0u);
    EXPECT_EQ(harness.sim().adapterForHandle(4), nullptr) << "sim-hba3 never opened";

    for (std::uint32_t bad : {0u, 9u, 0x10001u})
        EXPECT_EQ(harness.send(bad, std::nullopt, buildRequest(GsCommand::GIEL, "", 64), 64).status, status::kInvalidHandle);
    harness.sim().closeAdapter(1);
    EXPECT_EQ(harness.v2(1, kPort, GsCommand::GIEL).status, status::kInvalidHandle) << "closed";
    harness.sim().closeAdapter(0);
    harness.sim().closeAdapter(1234);
}

TEST(PassThrough, MalformedCallsFailWithoutTouchingTheBuffers) {
    SimHarness harness(readModelJson("full.json"));
    fabricsim::Simulator& sim = harness.sim();
    const std::uint32_t h = harness.open("sim-hba0");
    const fabricsim::Wwn port = 0x1000000A0A000001ull;
    Bytes request = buildRequest(GsCommand::GIEL, "", 64);
    Bytes response(64, kFill);
    std::uint32_t size = 64;

    EXPECT_EQ(sim.passThrough(h, &port, nullptr, 16, response.data(), 64, &size), status::kBadArgument);
    EXPECT_EQ(sim.passThrough(h, &port, request.data(), 15, response.data(), 64, &size), status::kBadArgument);
    EXPECT_EQ(sim.passThrough(h, &port, request.data(), 0, response.data(), 64, &size), status::kBadArgument);
    EXPECT_EQ(sim.passThrough(h, &port, request.data(), 16, nullptr, 64, &size), status::kBadArgument);
    EXPECT_EQ(sim.passThrough(h, &port, request.data(), 16, response.data(), 0, &size), status::kBadArgument);
    EXPECT_EQ(sim.passThrough(h, &port, request.data(), 16, response.data(), 15, &size), status::kBadArgument);
    EXPECT_EQ(sim.passThrough(h, &port, request.data(), 16, response.data(), 64, nullptr), status::kBadArgument);
    EXPECT_EQ(sim.passThrough(h, nullptr, nullptr, 0, nullptr, 0, nullptr), status::kBadArgument);
    EXPECT_EQ(response, Bytes(64, kFill));
    EXPECT_EQ(size, 64u);

    // The smallest buffer that holds a CT header gets the header with the residual.
    EXPECT_EQ(sim.passThrough(h, &port, request.data(), 16, response.data(), 16, &size), status::kOk);
    EXPECT_EQ(size, 16u);
    EXPECT_EQ(be16At(response, 8), 0x8002);
    EXPECT_EQ(be16At(response, 10), (20 + 4 * 12 - 16) / 4);
    EXPECT_EQ(response[16], kFill);
}

TEST(Deliver, ResidualCountsWordsLeftOutAndSaturates) {
    Bytes response(100, 0x11);
    Bytes buffer(40, 0);
    EXPECT_EQ(fabricsim::deliverResponse(response, buffer.data(), buffer.size()), 40u);
    EXPECT_EQ(be16At(buffer, 10), 15);
    Bytes huge(16 + 4 * 0x20000, 0);
    Bytes small(16, 0);
    fabricsim::deliverResponse(huge, small.data(), small.size());
    EXPECT_EQ(be16At(small, 10), 0xFFFF);
}
