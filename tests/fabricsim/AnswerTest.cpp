// Every command answers as the model says, decoded at the offsets the probe reads.
#include <gtest/gtest.h>

#include "SimHarness.h"

using fabricsim::GsCommand;
using namespace fstest;

namespace {

const std::string kPort = "1000000A0A000001";  // sim-hba0, fabric F
const std::string kSw1 = "100000000A0F0001";
const std::string kSw2 = "100000000A0F0002";
const std::string kSw3 = "100000000A0F0003";
const std::string kSw4 = "100000000A0F0004";

class Answers : public ::testing::Test {
protected:
    Answers() : harness(readModelJson("full.json")), handle(harness.open("sim-hba0")) {}

    Bytes accepted(GsCommand command, const std::string& key = "") {
        Reply reply = harness.v2(handle, kPort, command, key);
        EXPECT_EQ(reply.status, 0u);
        Bytes answer = reply.answer();
        EXPECT_GE(answer.size(), 16u);
        EXPECT_EQ(be16At(answer, 8), 0x8002) << fabricsim::commandInfo(command).name << " " << key;
        EXPECT_EQ(be16At(answer, 10), 0) << "residual";
        EXPECT_EQ(be32At(answer, 12), 0u);
        return answer;
    }
    void expectRejected(GsCommand command, const std::string& key, std::uint8_t reason, std::uint8_t explanation,
                        const std::string& port = kPort) {
        Reply reply = harness.v2(handle, port, command, key);
        ASSERT_EQ(reply.status, 0u);
        ASSERT_EQ(reply.returned, 16u) << fabricsim::commandInfo(command).name << " " << key;
        Bytes answer = reply.answer();
        EXPECT_EQ(be16At(answer, 8), 0x8001) << fabricsim::commandInfo(command).name << " " << key;
        EXPECT_EQ(answer[13], reason) << fabricsim::commandInfo(command).name << " " << key;
        EXPECT_EQ(answer[14], explanation);
    }

    SimHarness harness;
    std::uint32_t handle;
};

// A zone set object as the probe walks it: name object, zone count, zones, members sized by type.
struct DecodedZone {
    std::string name;
    std::vector<std::pair<std::uint8_t, Bytes>> members;  // type, identifier bytes from byte 4
};
struct DecodedZoneSet {
    std::string name;
    std::vector<DecodedZone> zones;
    std::size_t end = 0;
};

std::string nameObject(const Bytes& b, std::size_t& at) {
    std::size_t n = b.at(at);
    EXPECT_EQ(b.at(at + 1) | b.at(at + 2) | b.at(at + 3), 0) << "reserved bytes of a name object";
    std::string name(b.begin() + static_cast<long>(at) + 4, b.begin() + static_cast<long>(at + 4 + n));
    at += 4 + n + (4 - n % 4) % 4;
    return name;
}

DecodedZoneSet walkZoneSet(const Bytes& b, std::size_t at) {
    DecodedZoneSet set;
    set.name = nameObject(b, at);
    std::uint32_t zones = be32At(b, at);
    at += 4;
    for (std::uint32_t z = 0; z < zones; ++z) {
        DecodedZone zone;
        zone.name = nameObject(b, at);
        std::uint32_t members = be32At(b, at);
        at += 4;
        for (std::uint32_t m = 0; m < members; ++m) {
            std::uint8_t type = b.at(at);
            std::size_t size = (type == 0xF1 || type == 0xF3) ? 20 : 12;
            EXPECT_EQ(b.at(at + 3), size - 4) << "identifier length";
            zone.members.emplace_back(type, Bytes(b.begin() + static_cast<long>(at) + 4, b.begin() + static_cast<long>(at + size)));
            at += size;
        }
        set.zones.push_back(zone);
    }
    set.end = at;
    return set;
}

}  // namespace

TEST_F(Answers, SwitchListAndFabricName) {
    Bytes giel = accepted(GsCommand::GIEL);
    ASSERT_EQ(giel.size(), 16u + 4 + 4 * 12);
    ASSERT_EQ(be32At(giel, 16), 4u);
    const std::string wwns[] = {kSw1, kSw2, kSw3, kSw4};
    const std::uint8_t types[] = {1, 2, 7, 3};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(wwnAt(giel, 20 + 12 * i), wwns[i]);
        EXPECT_EQ(giel[20 + 12 * i + 11], types[i]);
    }
    Bytes gfn = accepted(GsCommand::GFN, kSw3);
    ASSERT_EQ(gfn.size(), 24u);
    EXPECT_EQ(wwnAt(gfn, 16), "100000000A0F0001");
    expectRejected(GsCommand::GFN, "100000000A0F00FF", 0x09, 0x00);
}

TEST_F(Answers, SwitchAttributes) {
    Bytes gdid = accepted(GsCommand::GDID, kSw1);
    ASSERT_EQ(gdid.size(), 20u);
    EXPECT_EQ(gdid[17], 0x65);
    Bytes gmid = accepted(GsCommand::GMID, kSw1);
    ASSERT_EQ(gmid.size(), 20u);
    EXPECT_EQ(fcidAt(gmid, 17), "FFFC65");
    Bytes gieln = accepted(GsCommand::GIELN, kSw1);
    ASSERT_EQ(gieln.size(), 272u);
    EXPECT_EQ(countedAt(gieln, 16), "core \"1\"");

    Bytes gieil = accepted(GsCommand::GIEIL, kSw1);
    const std::string list = std::string("Vendor\tTab") + '\0' + "M-1" + '\0' + "1.0" + '\0';
    EXPECT_EQ(gieil[19], list.size()) << "list length";
    ASSERT_EQ(gieil.size(), 16u + 4 + (list.size() + 3) / 4 * 4);
    EXPECT_EQ(std::string(gieil.begin() + 20, gieil.begin() + 20 + static_cast<long>(list.size())), list);

    Bytes gmal = accepted(GsCommand::GMAL, kSw1);
    ASSERT_EQ(be32At(gmal, 16), 7u) << "all addresses, the probe uses the first five";
    ASSERT_EQ(gmal.size(), 20u + 7 * 256);
    const char* addresses[] = {"snmp://a", "http://b", "telnet://c", "ftp://d", "https://e", "SNMP://f", "snmp://g"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(countedAt(gmal, 20 + 256 * i), addresses[i]);
}

TEST_F(Answers, NullSwitchFieldsRejectTheirQuery) {
    for (GsCommand c : {GsCommand::GDID, GsCommand::GIELN, GsCommand::GMID, GsCommand::GIEIL, GsCommand::GMAL})
        expectRejected(c, kSw2, 0x09, 0x00);
    for (GsCommand c : {GsCommand::GDID, GsCommand::GIELN, GsCommand::GMID, GsCommand::GIEIL, GsCommand::GMAL,
                        GsCommand::GPL})
        expectRejected(c, kSw4, 0x09, 0x00);
    EXPECT_EQ(be32At(accepted(GsCommand::GPL, kSw2), 16), 2u);
    for (GsCommand c : {GsCommand::GDID, GsCommand::GPL, GsCommand::GFN})
        expectRejected(c, "200100000A0F0001", 0x09, 0x00);  // a port is not a switch
}

TEST_F(Answers, EmptyStringsAreSentAsTheyAre) {
    EXPECT_EQ(accepted(GsCommand::GDID, kSw3)[17], 0);
    EXPECT_EQ(fcidAt(accepted(GsCommand::GMID, kSw3), 17), "000000");
    Bytes gieln = accepted(GsCommand::GIELN, kSw3);
    EXPECT_EQ(gieln[16], 0);
    Bytes gieil = accepted(GsCommand::GIEIL, kSw3);
    EXPECT_EQ(gieil[19], 3);
    ASSERT_EQ(gieil.size(), 24u);
    EXPECT_EQ(gieil[20] | gieil[21] | gieil[22], 0);
    EXPECT_EQ(be32At(accepted(GsCommand::GMAL, kSw3), 16), 0u);
    EXPECT_EQ(accepted(GsCommand::GPL, kSw3).size(), 20u);
}

TEST_F(Answers, SwitchPortsAndAttachedPorts) {
    Bytes gpl = accepted(GsCommand::GPL, kSw1);
    ASSERT_EQ(be32At(gpl, 16), 3u);
    ASSERT_EQ(gpl.size(), 20u + 3 * 12);
    EXPECT_EQ(wwnAt(gpl, 20), "200100000A0F0001");
    EXPECT_EQ(gpl[20 + 11], 0x81);
    EXPECT_EQ(wwnAt(gpl, 32), "200200000A0F0001");
    EXPECT_EQ(gpl[32 + 11], 0x84);
    EXPECT_EQ(gpl[44 + 11], 0x00);

    Bytes gppn = accepted(GsCommand::GPPN, "200100000A0F0001");
    ASSERT_EQ(gppn.size(), 20u);
    EXPECT_EQ(be32At(gppn, 16), 0x01234000u);
    EXPECT_EQ(be32At(accepted(GsCommand::GPPN, "200100000A0F0002"), 16), 0x1E000005u);

    Bytes gps = accepted(GsCommand::GPS, "200100000A0F0001");
    ASSERT_EQ(gps.size(), 24u);
    EXPECT_EQ(gps[23], 1);
    EXPECT_EQ(gps[19], 0x81);
    EXPECT_EQ(accepted(GsCommand::GPS, "200200000A0F0001")[23], 9);

    Bytes gapnl = accepted(GsCommand::GAPNL, "200100000A0F0001");
    ASSERT_EQ(be32At(gapnl, 16), 3u);
    ASSERT_EQ(gapnl.size(), 20u + 3 * 12);
    EXPECT_EQ(wwnAt(gapnl, 20), "1000000A0A000001");
    EXPECT_EQ(gapnl[31], 1);
    EXPECT_EQ(wwnAt(gapnl, 32), "1000000A0A0000AA");
    EXPECT_EQ(gapnl[43], 2);

    for (GsCommand c : {GsCommand::GPS, GsCommand::GPPN, GsCommand::GAPNL})
        expectRejected(c, "200300000A0F0001", 0x09, 0x00);
    expectRejected(GsCommand::GPS, kSw1, 0x09, 0x00);  // a switch is not a port
}

TEST_F(Answers, NameServerAnswersFromTheFirstOccurrence) {
    // The WWN is attached twice, to sw1 (FCID 010100) and then sw2 (0A0A0A).
    Bytes gidpn = accepted(GsCommand::GID_PN, "1000000A0A000001");
    ASSERT_EQ(gidpn.size(), 20u);
    EXPECT_EQ(gidpn[16], 0);
    EXPECT_EQ(fcidAt(gidpn, 17), "010100");
    Bytes gnnid = accepted(GsCommand::GNN_ID, "010100");
    ASSERT_EQ(gnnid.size(), 24u);
    EXPECT_EQ(wwnAt(gnnid, 16), "2000000A0A000001");
    EXPECT_EQ(wwnAt(accepted(GsCommand::GNN_ID, "0A0A0A"), 16), "2000000A0A0000FF");

    expectRejected(GsCommand::GNN_ID, "0101AA", 0x09, 0x00);            // node_wwn null
    expectRejected(GsCommand::GID_PN, "1000000A0A0000BB", 0x09, 0x00);  // fcid null
    expectRejected(GsCommand::GID_PN, "1000000A0A0000CC", 0x09, 0x00);  // unknown
    expectRejected(GsCommand::GNN_ID, "123456", 0x09, 0x00);
}

TEST_F(Answers, Platforms) {
    Bytes gpnl = accepted(GsCommand::GPNL);
    ASSERT_EQ(be32At(gpnl, 16), 4u);
    ASSERT_EQ(gpnl.size(), 20u + 4 * 256);
    EXPECT_EQ(countedAt(gpnl, 20), "host17");
    EXPECT_EQ(countedAt(gpnl, 20 + 256), "odd \"name\"");
    EXPECT_EQ(countedAt(gpnl, 20 + 512), "");
    EXPECT_EQ(countedAt(gpnl, 20 + 768), "host17");

    Bytes gplt = accepted(GsCommand::GPLT, "host17");
    ASSERT_EQ(gplt.size(), 20u);
    EXPECT_EQ(be32At(gplt, 16), 10u) << "the first host17 answers";
    EXPECT_EQ(be32At(accepted(GsCommand::GPLT, ""), 16), 16u);

    Bytes gplml = accepted(GsCommand::GPLML, "host17");
    ASSERT_EQ(be32At(gplml, 16), 3u);
    ASSERT_EQ(gplml.size(), 20u + 3 * 256);
    EXPECT_EQ(countedAt(gplml, 20), "snmp://host17");
    EXPECT_EQ(countedAt(gplml, 20 + 512), "xml://host17");

    Bytes gplnl = accepted(GsCommand::GPLNL, "host17");
    ASSERT_EQ(be32At(gplnl, 16), 3u);
    ASSERT_EQ(gplnl.size(), 20u + 3 * 8);
    EXPECT_EQ(wwnAt(gplnl, 20), "2000000A0A000001");
    EXPECT_EQ(wwnAt(gplnl, 36), "2000000A0A000003");

    for (GsCommand c : {GsCommand::GPLT, GsCommand::GPLML, GsCommand::GPLNL}) {
        expectRejected(c, "odd \"name\"", 0x09, 0x00);
        expectRejected(c, "nobody", 0x09, 0x00);
        expectRejected(c, "HOST17", 0x09, 0x00);  // names match exactly
    }
}

TEST_F(Answers, Zoning) {
    Bytes gzc = accepted(GsCommand::GZC);
    ASSERT_EQ(gzc.size(), 24u);
    EXPECT_EQ(gzc[16], 0x01);

    Bytes gzsn = accepted(GsCommand::GZSN);
    ASSERT_EQ(be32At(gzsn, 16), 3u);
    std::size_t at = 20;
    const std::pair<std::string, std::uint32_t> expected[] = {{"cfg1", 1}, {"cfg_other", 0}, {"abcd", 1}};
    for (const auto& e : expected) {
        EXPECT_EQ(nameObject(gzsn, at), e.first);
        EXPECT_EQ(be32At(gzsn, at), e.second) << "number of zones";
        at += 4;
    }
    EXPECT_EQ(at, gzsn.size());

    Bytes gazs = accepted(GsCommand::GAZS);
    DecodedZoneSet active = walkZoneSet(gazs, 16);
    EXPECT_EQ(active.end, gazs.size());
    EXPECT_EQ(active.name, "cfg1");
    ASSERT_EQ(active.zones.size(), 3u);
    EXPECT_EQ(active.zones[1].name, "z \"quoted\"");
    EXPECT_TRUE(active.zones[1].members.empty());
    EXPECT_EQ(active.zones[2].name, "");
    const auto& members = active.zones[0].members;
    ASSERT_EQ(members.size(), 12u);
    EXPECT_EQ(toHex(members[0].second), "1000000A0A000001");
    EXPECT_EQ(toHex(members[1].second), "0780000000000000");  // domain 7, port bytes 80 00
    EXPECT_EQ(fcidAt(members[2].second, 1), "010100");        // the probe reads bytes 5-7
    EXPECT_EQ(members[4].first, 0xE5);
    EXPECT_EQ(toHex(members[5].second), "0000000000000000");
    EXPECT_EQ(members[9].first, 0xF1);
    EXPECT_EQ(toHex(members[9].second), "1000000A0A0000010001000000000000");
    EXPECT_EQ(members[10].first, 0xF3);
    EXPECT_EQ(members[10].second.size(), 16u);
    EXPECT_EQ(members[11].first, 0x7F);
    EXPECT_EQ(toHex(members[11].second), "AABB000000000000");

    DecodedZoneSet db = walkZoneSet(accepted(GsCommand::GZS, "cfg1"), 16);
    ASSERT_EQ(db.zones.size(), 1u);
    EXPECT_EQ(db.zones[0].name, "z_db") << "GZS answers from the database, not the active set";
    Bytes abcd = accepted(GsCommand::GZS, "abcd");
    DecodedZoneSet four = walkZoneSet(abcd, 16);
    EXPECT_EQ(four.end, abcd.size());
    EXPECT_EQ(four.zones.at(0).name, "wxyz");
    expectRejected(GsCommand::GZS, "cfg2", 0x09, 0x00);
    expectRejected(GsCommand::GZS, "CFG1", 0x09, 0x00);
}

TEST_F(Answers, FabricWithoutValuesRejectsEverything) {
    std::uint32_t h6 = harness.open("sim-hba6");
    for (GsCommand c : {GsCommand::GIEL, GsCommand::GPNL, GsCommand::GZC, GsCommand::GZSN, GsCommand::GAZS}) {
        Reply reply = harness.v2(h6, "1000000A0A000062", c);
        ASSERT_EQ(reply.status, 0u);
        EXPECT_EQ(be16At(reply.answer(), 8), 0x8001);
        EXPECT_EQ(reply.answer()[13], 0x09);
    }
    Reply gzs = harness.v2(h6, "1000000A0A000062", GsCommand::GZS, "cfg1");
    EXPECT_EQ(gzs.answer()[13], 0x09);
    Reply gfn = harness.v2(h6, "1000000A0A000062", GsCommand::GFN, kSw1);
    EXPECT_EQ(gfn.answer()[13], 0x09) << "fabric G does not know fabric F's switches";
}

TEST_F(Answers, MalformedRequestsAreRejected) {
    Bytes unknown = buildRequest(GsCommand::GIEL, "", 3996);
    unknown[9] = 0x99;  // FA/01/0199
    Reply reply = harness.send(handle, kPort, unknown, 3996);
    EXPECT_EQ(reply.status, 0u);
    EXPECT_EQ(toHex(reply.answer()), "01000000FA01000080010000000B0000");

    Bytes server = buildRequest(GsCommand::GIEL, "", 3996);
    server[5] = 0x07;
    EXPECT_EQ(harness.send(handle, kPort, server, 3996).answer()[13], 0x0B);

    Bytes revision = buildRequest(GsCommand::GIEL, "", 3996);
    revision[0] = 0x02;
    EXPECT_EQ(harness.send(handle, kPort, revision, 3996).answer()[13], 0x02);

    Bytes noKey = buildRequest(GsCommand::GDID, kSw1, 20);
    noKey.resize(20);  // half a WWN
    EXPECT_EQ(harness.send(handle, kPort, noKey, 20).answer()[13], 0x04);

    Bytes shortName = buildRequest(GsCommand::GPLT, "host17", 20);
    shortName.resize(16 + 3);  // the length byte says 6
    EXPECT_EQ(harness.send(handle, kPort, shortName, 20).answer()[13], 0x04);
}

TEST_F(Answers, AnswerEchoesTheRequestHeader) {
    Bytes request = buildRequest(GsCommand::GIEL, "", 3996);
    request[1] = 0x12;
    request[2] = 0x34;
    request[3] = 0x56;
    request[6] = 0x7A;
    request[7] = 0x7B;
    request[15] = 0x01;  // the version probe's vendor-unique byte is not echoed
    Reply reply = harness.send(handle, kPort, request, 3996);
    Bytes answer = reply.answer();
    EXPECT_EQ(toHex(Bytes(answer.begin(), answer.begin() + 16)), "01123456FA017A7B8002000000000000");
}
