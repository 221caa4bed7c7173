// Every command answers as the model says (models/full.json), at the offsets the probe reads.
#include <gtest/gtest.h>

#include "SimHarness.h"

using fabricsim::GsCommand;
using namespace fstest;

namespace {

const std::string kPort = "1000000A0A000001";  // sim-hba0, fabric F
const std::string kSw1 = "100000000A0F0001", kSw2 = "100000000A0F0002", kSw3 = "100000000A0F0003",
                  kSw4 = "100000000A0F0004";
const std::string kP1 = "200100000A0F0001", kP2 = "200200000A0F0001", kP3 = "200300000A0F0001";

std::string hexOf(const std::string& text) { return toHex(Bytes(text.begin(), text.end())); }

// An answer's bytes from `at` on: hex digits, or a counted text (length byte, text).
struct Field {
    std::size_t at;
    std::string value;
    bool counted = false;
};

class Answers : public ::testing::Test {
protected:
    Answers() : harness(readModelJson("full.json")), handle(harness.open("sim-hba0")) {}
    std::string name(GsCommand command, const std::string& key) const {
        return std::string(fabricsim::commandInfo(command).name) + " " + key;
    }
    SimHarness harness;
    std::uint32_t handle;
};

}  // namespace

// An accept of its exact FC-GS-3 length, no residual, bytes 12-15 zero, then the values.
TEST_F(Answers, EachCommandAnswersTheModelsValues) {
    using C = GsCommand;
    const std::string list = std::string("Vendor\tTab") + '\0' + "M-1" + '\0' + "1.0" + '\0';
    const Bytes gzsn = GsBytes().be32(3).zoneSet("cfg1", 1).zoneSet("cfg_other", 0).zoneSet("abcd", 1).bytes();
    const Bytes empty(8, 0);
    const Bytes gazs = GsBytes()
                           .zoneSet("cfg1", 3)
                           .zone("z_all_types", 12)
                           .member(1, fromHex("1000000A0A000001"))
                           .member(2, fromHex("0780000000000000"))  // domain 7, port bytes 80 00
                           .member(3, fromHex("0001010000000000"))  // the probe reads the FCID from bytes 5-7
                           .member(4, fromHex("2000000A0A000001"))
                           .member(0xE5, fromHex("100000000A0F0001"))
                           .member(0xE6, empty).member(0xE7, empty).member(0xE8, empty).member(0xE9, empty)
                           .member(0xF1, fromHex("1000000A0A0000010001000000000000"))
                           .member(0xF3, fromHex("00010100000000000002000000000000"))
                           .member(0x7F, fromHex("AABB000000000000"))
                           .zone("z \"quoted\"", 0)
                           .zone("", 1)
                           .member(1, fromHex("1000000A0A000001"))
                           .bytes();
    const Bytes gzsDb = GsBytes().zoneSet("cfg1", 1).zone("z_db", 1).member(1, fromHex("1000000A0A000002")).bytes();
    const Bytes gzsFour = GsBytes().zoneSet("abcd", 1).zone("wxyz", 0).bytes();
    const struct { GsCommand command; std::string key; std::size_t size; std::vector<Field> fields; } cases[] = {
        {C::GIEL, "", 68,
         {{16, "00000004" + kSw1 + "00000001" + kSw2 + "00000002" + kSw3 + "00000007" + kSw4 + "00000003"}}},
        {C::GFN, kSw3, 24, {{16, "100000000A0F0001"}}},
        {C::GDID, kSw1, 20, {{17, "65"}}}, {C::GMID, kSw1, 20, {{17, "FFFC65"}}},
        {C::GIELN, kSw1, 272, {{16, "core \"1\"", true}}},
        {C::GIEIL, kSw1, 40, {{19, "13" + hexOf(list)}}},
        // All addresses; the probe uses the first five.
        {C::GMAL, kSw1, 20 + 7 * 256,
         {{16, "00000007"}, {20, "snmp://a", true}, {276, "http://b", true}, {532, "telnet://c", true},
          {788, "ftp://d", true}, {1044, "https://e", true}, {1300, "SNMP://f", true}, {1556, "snmp://g", true}}},
        // Empty strings are sent as they are.
        {C::GDID, kSw3, 20, {{17, "00"}}}, {C::GMID, kSw3, 20, {{17, "000000"}}},
        {C::GIELN, kSw3, 272, {{16, "00"}}}, {C::GIEIL, kSw3, 24, {{19, "03000000"}}},
        {C::GMAL, kSw3, 20, {{16, "00000000"}}}, {C::GPL, kSw3, 20, {{16, "00000000"}}},
        {C::GPL, kSw2, 44, {{16, "00000002"}}},
        {C::GPL, kSw1, 56, {{16, "00000003" + kP1 + "00000081" + kP2 + "00000084"}, {55, "00"}}},
        {C::GPPN, kP1, 20, {{16, "01234000"}}}, {C::GPPN, "200100000A0F0002", 20, {{16, "1E000005"}}},
        {C::GPS, kP1, 24, {{19, "81"}, {23, "01"}}}, {C::GPS, kP2, 24, {{23, "09"}}},
        {C::GAPNL, kP1, 56, {{16, "00000003" "1000000A0A000001" "00000001" "1000000A0A0000AA" "00000002"}}},
        // The WWN is attached twice, to sw1 (FCID 010100) and then sw2 (0A0A0A): the first answers.
        {C::GID_PN, "1000000A0A000001", 20, {{16, "00010100"}}},
        {C::GNN_ID, "010100", 24, {{16, "2000000A0A000001"}}}, {C::GNN_ID, "0A0A0A", 24, {{16, "2000000A0A0000FF"}}},
        {C::GPNL, "", 20 + 4 * 256,
         {{16, "00000004"}, {20, "host17", true}, {276, "odd \"name\"", true}, {532, "", true}, {788, "host17", true}}},
        {C::GPLT, "host17", 20, {{16, "0000000A"}}}, {C::GPLT, "", 20, {{16, "00000010"}}},  // the first host17
        {C::GPLML, "host17", 20 + 3 * 256, {{16, "00000003"}, {20, "snmp://host17", true}, {532, "xml://host17", true}}},
        {C::GPLNL, "host17", 44, {{16, "00000003" "2000000A0A000001"}, {36, "2000000A0A000003"}}},
        {C::GZC, "", 24, {{16, "01"}}},
        {C::GZSN, "", 16 + gzsn.size(), {{16, toHex(gzsn)}}},
        {C::GAZS, "", 16 + gazs.size(), {{16, toHex(gazs)}}},
        {C::GZS, "cfg1", 16 + gzsDb.size(), {{16, toHex(gzsDb)}}},  // the database's, not the active set
        {C::GZS, "abcd", 16 + gzsFour.size(), {{16, toHex(gzsFour)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(name(c.command, c.key));
        const Reply reply = harness.v2(handle, kPort, c.command, c.key);
        ASSERT_EQ(reply.status, 0u);
        const Bytes answer = reply.answer();
        ASSERT_EQ(answer.size(), c.size);
        EXPECT_EQ(toHex(Bytes(answer.begin() + 8, answer.begin() + 16)), "8002000000000000");
        for (const Field& f : c.fields) {
            if (f.counted) EXPECT_EQ(countedAt(answer, f.at), f.value) << f.at;
            else EXPECT_EQ(toHex(answer).substr(2 * f.at, f.value.size()), f.value) << f.at;
        }
    }
}

// A null field, a key the model does not know (names match exactly), a fabric without values:
// reason 09, explanation 00, and the reject is the header alone.
TEST_F(Answers, WhatTheModelDoesNotKnowIsRejected) {
    using C = GsCommand;
    const std::string g = "1000000A0A000062";  // sim-hba6, fabric G
    const struct { std::vector<C> commands; std::vector<std::string> keys; std::string port = kPort; } cases[] = {
        {{C::GDID, C::GIELN, C::GMID, C::GIEIL, C::GMAL}, {kSw2}},
        {{C::GDID, C::GIELN, C::GMID, C::GIEIL, C::GMAL, C::GPL}, {kSw4}},
        {{C::GDID, C::GPL, C::GFN}, {kP1}},  // a port is not a switch
        {{C::GPS, C::GPPN, C::GAPNL}, {kP3}},
        {{C::GPS}, {kSw1}},  // a switch is not a port
        {{C::GFN}, {"100000000A0F00FF"}},
        {{C::GNN_ID}, {"0101AA", "123456"}},                      // node_wwn null, unknown
        {{C::GID_PN}, {"1000000A0A0000BB", "1000000A0A0000CC"}},  // fcid null, unknown
        {{C::GPLT, C::GPLML, C::GPLNL}, {"odd \"name\"", "nobody", "HOST17"}},
        {{C::GZS}, {"cfg2", "CFG1"}},
        {{C::GIEL, C::GPNL, C::GZC, C::GZSN, C::GAZS}, {""}, g},
        {{C::GZS}, {"cfg1"}, g},
        {{C::GFN}, {kSw1}, g},  // fabric G does not know fabric F's switches
    };
    const std::uint32_t h6 = harness.open("sim-hba6");
    for (const auto& c : cases)
        for (const GsCommand command : c.commands)
            for (const std::string& key : c.keys) {
                SCOPED_TRACE(name(command, key));
                const Reply reply = harness.v2(c.port == g ? h6 : handle, c.port, command, key);
                ASSERT_EQ(reply.status, 0u);
                ASSERT_EQ(reply.returned, 16u);
                EXPECT_EQ(toHex(Bytes(reply.buffer.begin() + 8, reply.buffer.begin() + 16)), "8001000000090000");
            }
}

TEST_F(Answers, MalformedRequestsAreRejectedAndEveryAnswerEchoesTheHeader) {
    // Byte `at` of the request set to `value`; cut: the request's length, if not 0.
    const struct { GsCommand command; std::string key; std::size_t at, cut; std::uint8_t value, reason; } cases[] = {
        {GsCommand::GIEL, "", 9, 0, 0x99, 0x0B},         // FA/01/0199
        {GsCommand::GIEL, "", 5, 0, 0x07, 0x0B},         // an unknown server
        {GsCommand::GIEL, "", 0, 0, 0x02, 0x02},         // revision 2
        {GsCommand::GDID, kSw1, 0, 20, 0x01, 0x04},      // half a WWN
        {GsCommand::GPLT, "host17", 0, 19, 0x01, 0x04},  // the length byte says 6
    };
    for (const auto& c : cases) {
        Bytes request = buildRequest(c.command, c.key, 20);
        request[c.at] = c.value;
        if (c.cut) request.resize(c.cut);
        const Reply reply = harness.send(handle, kPort, request, 3996);
        EXPECT_EQ(reply.status, 0u);
        EXPECT_EQ(toHex(reply.answer()),
                  toHex(Bytes(request.begin(), request.begin() + 8)) + "8001000000" + fabricsim::hexText(c.reason, 2) + "0000");
    }
    Bytes request = buildRequest(GsCommand::GIEL, "", 3996);
    for (const auto& [at, value] : {std::pair{1, 0x12}, {2, 0x34}, {3, 0x56}, {6, 0x7A}, {7, 0x7B}, {15, 0x01}})
        request[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value);
    // The version probe's vendor-unique byte 15 is not echoed.
    const Bytes answer = harness.send(handle, kPort, request, 3996).answer();
    EXPECT_EQ(toHex(Bytes(answer.begin(), answer.begin() + 16)), "01123456FA017A7B8002000000000000");
}
