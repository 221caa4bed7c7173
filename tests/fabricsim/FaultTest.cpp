// Where a call goes and what changes its answer: the adapter and port it leaves through, and
// each fault kind matched by command, key, port, times and order (models/full.json).
#include <gtest/gtest.h>

#include <chrono>

#include "SimHarness.h"

using fabricsim::GsCommand;
using namespace fstest;
using nlohmann::json;

namespace {

const std::string kPort0 = "1000000A0A000001", kPort1 = "1000000A0A000002";  // sim-hba0's
const std::string kSw1 = "100000000A0F0001", kSw3 = "100000000A0F0003", kP1 = "200100000A0F0001";

// "ACC", "RJT rr ee", "RAW <bytes returned>", or "FAIL s" with the buffer and size left as they were.
std::string outcome(const Reply& reply, std::size_t size) {
    if (reply.status != 0) {
        EXPECT_EQ(reply.buffer, Bytes(size, kFill)) << "a failed call writes nothing";
        EXPECT_EQ(reply.returned, size);
        return "FAIL " + std::to_string(reply.status);
    }
    const Bytes a = reply.answer();
    for (std::size_t i = a.size(); i < size; ++i) EXPECT_EQ(reply.buffer[i], kFill) << "byte " << i << " past the answer";
    if (a.size() < 16 || a[8] != 0x80 || (a[9] != 1 && a[9] != 2)) return "RAW " + toHex(a);
    if (a[9] == 2) return "ACC";
    return "RJT " + fabricsim::hexText(a[13], 2) + " " + fabricsim::hexText(a[14], 2);
}

struct Call {
    const char* adapter;
    std::string port;  // empty: the version-1 call
    GsCommand command;
    std::string key;
    std::string outcome;
    std::size_t cut = 0;  // the request cut to this length
};

}  // namespace

TEST(Calls, EachIsAnsweredAsItsAdapterPortAndTheModelsFaultsSay) {
    using C = GsCommand;
    const char* h0 = "sim-hba0";
    const std::string p11 = "1000000A0A000011";  // sim-hba1's, which has no V2 call
    // edits: JSON pointer, value
    const struct { const char* what; std::vector<std::pair<std::string, json>> edits; std::vector<Call> calls; } cases[] = {
        {"routes", {{"/adapters/6/ct_v1", false}},
         {{h0, "", C::GIEL, "", "ACC"}, {h0, kPort1, C::GIEL, "", "ACC"},  // the model writes it in lower case
          {h0, p11, C::GIEL, "", "FAIL 5"},                                 // a port of another adapter
          {"sim-hba1", p11, C::GIEL, "", "FAIL 2"}, {"sim-hba1", "", C::GIEL, "", "ACC"},
          {"sim-hba2", "1000000A0A000021", C::GIEL, "", "FAIL 1"}, {"sim-hba2", "", C::GIEL, "", "FAIL 1"},
          {"sim-hba7", "", C::GIEL, "", "FAIL 1"},  // no ports at all
          // Without the older call, refused as libhbalinux refuses it, before the fabric.
          {"sim-hba6", "", C::GIEL, "", "FAIL 2"}}},
        {"times", {{"/faults", json::array({{{"command", "GDID"}, {"times", 2}, {"reject", {3, 0}}}})}},
         {{h0, kPort0, C::GMID, kSw1, "ACC"}, {h0, kPort0, C::GDID, kSw1, "RJT 03 00"},
          {h0, kPort0, C::GDID, kSw3, "RJT 03 00"}, {h0, kPort0, C::GDID, kSw1, "ACC"}}},
        {"keys",
         {{"/faults", json::array({{{"command", "GDID"}, {"key", "100000000a0f0003"}, {"busy", true}},
                                   {{"command", "GPLT"}, {"key", "host17"}, {"reject", {0x0B, 0xF0}}},
                                   {{"command", "GNN_ID"}, {"key", "0a0a0a"}, {"reject", {3, 1}}},
                                   {{"command", "GIEL"}, {"key", "anything"}, {"reject", {3, 2}}},
                                   {{"command", "GPLT"}, {"key", "nobody"}, {"reject", {3, 3}}}})}},
         {{h0, kPort0, C::GDID, kSw3, "RJT 05 00"}, {h0, kPort0, C::GDID, kSw1, "ACC"},
          {h0, kPort0, C::GPLT, "host17", "RJT 0B F0"}, {h0, kPort0, C::GPLT, "Host17", "RJT 09 00"},
          {h0, kPort0, C::GNN_ID, "0A0A0A", "RJT 03 01"},
          {h0, kPort0, C::GIEL, "", "ACC"},               // a key never matches a request without one
          {h0, kPort0, C::GPLT, "nobody", "RJT 03 03"}}},  // faults come before the model
        {"port", {{"/faults", json::array({{{"command", "GIEL"}, {"port", "1000000a0a000002"}, {"fail", 10}}})}},
         {{h0, kPort0, C::GIEL, "", "ACC"}, {h0, "", C::GIEL, "", "ACC"},  // V1 leaves through the first port
          {h0, kPort1, C::GIEL, "", "FAIL 10"}}},
        {"the first entry with uses left",
         {{"/faults", json::array({{{"command", "GPS"}, {"times", 1}, {"busy", true}},
                                   {{"command", "GPS"}, {"reject", {9, 0xF3}}},
                                   {{"command", "GPS"}, {"busy", true}}})}},
         {{h0, kPort0, C::GPS, kP1, "RJT 05 00"}, {h0, kPort0, C::GPS, kP1, "RJT 09 F3"},
          {h0, kPort0, C::GPS, kP1, "RJT 09 F3"}}},
        {"raw, cut to the buffer and given no residual",
         {{"/faults", json::array({{{"command", "GID_PN"}, {"times", 1}, {"raw", "01 00 00 00 FC 02"}},
                                   {{"command", "GID_PN"}, {"raw", std::string(80, 'A')}},
                                   {{"command", "GZC"}, {"raw", ""}}})}},
         {{h0, kPort0, C::GID_PN, kPort0, "RAW 01000000FC02"}, {h0, kPort0, C::GID_PN, kPort0, "RAW " + std::string(40, 'A')},
          {h0, kPort0, C::GZC, "", "RAW "}}},
        // Calls that never reach the fabric use nothing up; the fallback to V1 is a call of its own.
        {"uses", {{"/faults", json::array({{{"command", "GIEL"}, {"times", 1}, {"reject", {3, 0}}}})}},
         {{"sim-hba1", p11, C::GIEL, "", "FAIL 2"}, {"sim-hba2", "1000000A0A000021", C::GIEL, "", "FAIL 1"},
          {"sim-hba1", "", C::GIEL, "", "RJT 03 00"}, {h0, kPort0, C::GIEL, "", "ACC"}}},
        // A request too short for its key matches only entries without a key.
        {"malformed",
         {{"/faults", json::array({{{"command", "GDID"}, {"key", kSw1}, {"reject", {3, 1}}},
                                   {{"command", "GDID"}, {"reject", {3, 2}}}})}},
         {{h0, kPort0, C::GDID, kSw1, "RJT 03 02", 16}}},
    };
    for (const auto& c : cases) {
        json model = readModelJson("full.json");
        for (const auto& [pointer, value] : c.edits) model[json::json_pointer(pointer)] = value;
        SimHarness h(model);
        for (const Call& call : c.calls) {
            SCOPED_TRACE(std::string(c.what) + ": " + call.adapter + " " + (call.port.empty() ? "V1" : call.port) + " " +
                         fabricsim::commandInfo(call.command).name + " " + call.key);
            const std::size_t size = probeResponseSize(call.command);
            Bytes request = buildRequest(call.command, call.key, size);
            if (call.cut) request.resize(call.cut);
            const std::optional<std::string> port = call.port.empty() ? std::nullopt : std::optional(call.port);
            EXPECT_EQ(outcome(h.send(h.open(call.adapter), port, request, size), size), call.outcome);
        }
    }
}

TEST(Calls, ADelayWaitsBeforeTheNormalAnswer) {
    json model = readModelJson("full.json");
    model["faults"] = json::array({{{"command", "GPLT"}, {"key", "host17"}, {"delay_ms", 150}}});
    SimHarness h(model);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(outcome(h.v2(h.open("sim-hba0"), kPort0, GsCommand::GPLT, "host17"), 20), "ACC");
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}
