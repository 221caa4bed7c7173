// Each fault kind changes exactly the requests it matches: command, key, port, times, order.
#include <gtest/gtest.h>

#include <chrono>

#include "SimHarness.h"

using fabricsim::GsCommand;
using namespace fstest;
using nlohmann::json;
namespace status = fabricsim::status;

namespace {

const std::string kPort0 = "1000000A0A000001";
const std::string kPort1 = "1000000A0A000002";
const std::string kSw1 = "100000000A0F0001";
const std::string kSw3 = "100000000A0F0003";

json withFaults(json faults) {
    json model = readModelJson("full.json");
    model["faults"] = std::move(faults);
    return model;
}

// "ACC", "RJT rr ee" from an answer.
std::string outcome(const Reply& reply) {
    if (reply.status != 0) return "FAIL " + std::to_string(reply.status);
    Bytes a = reply.answer();
    if (be16At(a, 8) == 0x8002) return "ACC";
    return "RJT " + fabricsim::hexText(a[13], 2) + " " + fabricsim::hexText(a[14], 2);
}

}  // namespace

TEST(Faults, TimesLimitsHowManyMatchingRequestsChange) {
    SimHarness h(withFaults(json::array({{{"command", "GDID"}, {"times", 2}, {"reject", {3, 0}}}})));
    std::uint32_t a = h.open("sim-hba0");
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GMID, kSw1)), "ACC") << "another command";
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GDID, kSw1)), "RJT 03 00");
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GDID, kSw3)), "RJT 03 00");
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GDID, kSw1)), "ACC");
}

TEST(Faults, KeysMatchWwnsRegardlessOfCaseAndNamesExactly) {
    SimHarness h(withFaults(json::array({
        {{"command", "GDID"}, {"key", "100000000a0f0003"}, {"busy", true}},
        {{"command", "GPLT"}, {"key", "host17"}, {"reject", {0x0B, 0xF0}}},
        {{"command", "GNN_ID"}, {"key", "0a0a0a"}, {"reject", {3, 1}}},
        {{"command", "GIEL"}, {"key", "anything"}, {"reject", {3, 2}}},
        {{"command", "GPLT"}, {"key", "nobody"}, {"reject", {3, 3}}},
    })));
    std::uint32_t a = h.open("sim-hba0");
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GDID, kSw3)), "RJT 05 00");
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GDID, kSw1)), "ACC");
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GPLT, "host17")), "RJT 0B F0");
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GPLT, "Host17")), "RJT 09 00") << "unknown name, no fault";
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GNN_ID, "0A0A0A")), "RJT 03 01");
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GIEL)), "ACC") << "a key never matches a request without one";
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GPLT, "nobody")), "RJT 03 03") << "faults come before the model";
}

TEST(Faults, PortLimitsAFaultToRequestsLeavingThroughIt) {
    SimHarness h(withFaults(json::array({{{"command", "GIEL"}, {"port", "1000000a0a000002"}, {"fail", 10}}})));
    std::uint32_t a = h.open("sim-hba0");
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GIEL)), "ACC");
    EXPECT_EQ(outcome(h.v1(a, GsCommand::GIEL)), "ACC") << "the version-1 call leaves through the first port";
    Reply failed = h.v2(a, kPort1, GsCommand::GIEL);
    EXPECT_EQ(failed.status, 10u);
    EXPECT_EQ(failed.buffer, Bytes(3996, kFill)) << "the response buffer is left as it was";
    EXPECT_EQ(failed.returned, 3996u);
}

TEST(Faults, FirstMatchingEntryWithUsesLeftWins) {
    SimHarness h(withFaults(json::array({
        {{"command", "GPS"}, {"times", 1}, {"busy", true}},
        {{"command", "GPS"}, {"reject", {9, 0xF3}}},
        {{"command", "GPS"}, {"busy", true}},
    })));
    std::uint32_t a = h.open("sim-hba0");
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GPS, "200100000A0F0001")), "RJT 05 00");
    for (int i = 0; i < 3; ++i) EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GPS, "200100000A0F0001")), "RJT 09 F3");
}

TEST(Faults, RawBytesAreCopiedAndCutToTheBuffer) {
    std::string big(80, 'A');
    SimHarness h(withFaults(json::array({
        {{"command", "GID_PN"}, {"times", 1}, {"raw", "01 00 00 00 FC 02"}},
        {{"command", "GID_PN"}, {"raw", big}},
        {{"command", "GZC"}, {"raw", ""}},
    })));
    std::uint32_t a = h.open("sim-hba0");
    Reply shortRaw = h.v2(a, kPort0, GsCommand::GID_PN, kPort0);
    EXPECT_EQ(shortRaw.status, 0u);
    EXPECT_EQ(shortRaw.returned, 6u);
    EXPECT_EQ(toHex(Bytes(shortRaw.buffer.begin(), shortRaw.buffer.begin() + 6)), "01000000FC02");
    EXPECT_EQ(shortRaw.buffer[6], kFill);
    Reply cut = h.v2(a, kPort0, GsCommand::GID_PN, kPort0);  // 40 bytes into 20
    EXPECT_EQ(cut.returned, 20u);
    EXPECT_EQ(cut.buffer, Bytes(20, 0xAA)) << "raw bytes are not given a residual";
    Reply empty = h.v2(a, kPort0, GsCommand::GZC);
    EXPECT_EQ(empty.status, 0u);
    EXPECT_EQ(empty.returned, 0u);
}

TEST(Faults, DelayWaitsBeforeTheNormalAnswer) {
    SimHarness h(withFaults(json::array({{{"command", "GPLT"}, {"key", "host17"}, {"delay_ms", 150}}})));
    std::uint32_t a = h.open("sim-hba0");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GPLT, "host17")), "ACC");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}

TEST(Faults, CallsThatNeverReachTheFabricUseNothingUp) {
    SimHarness h(withFaults(json::array({{{"command", "GIEL"}, {"times", 1}, {"reject", {3, 0}}}})));
    std::uint32_t noV2 = h.open("sim-hba1");
    std::uint32_t noFabric = h.open("sim-hba2");
    std::uint32_t a = h.open("sim-hba0");
    EXPECT_EQ(outcome(h.v2(noV2, "1000000A0A000011", GsCommand::GIEL)), "FAIL 2");
    EXPECT_EQ(outcome(h.v2(noFabric, "1000000A0A000021", GsCommand::GIEL)), "FAIL 1");
    EXPECT_EQ(outcome(h.v1(noV2, GsCommand::GIEL)), "RJT 03 00") << "the fallback to V1 is a call of its own";
    EXPECT_EQ(outcome(h.v2(a, kPort0, GsCommand::GIEL)), "ACC");
}

TEST(Faults, MalformedRequestsMatchOnlyEntriesWithoutAKey) {
    SimHarness h(withFaults(json::array({
        {{"command", "GDID"}, {"key", kSw1}, {"reject", {3, 1}}},
        {{"command", "GDID"}, {"reject", {3, 2}}},
    })));
    std::uint32_t a = h.open("sim-hba0");
    Bytes noKey = buildRequest(GsCommand::GDID, kSw1, 20);
    noKey.resize(16);
    EXPECT_EQ(outcome(h.send(a, kPort0, noKey, 20)), "RJT 03 02");
}
