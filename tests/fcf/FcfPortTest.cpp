// One NIC's link to the example SAN as the kernel's fcoe and libfc drive it: discovery,
// fabric login, well-known logins, and CT requests answered through the simulator (faults
// included) in frames the kernel takes.
#include <gtest/gtest.h>

#include "Fcoe.h"
#include "FcoeModel.h"
#include "Files.h"
#include "Fip.h"
#include "GsBytes.h"
#include "ModelLoader.h"
#include "NicPlan.h"

using namespace fabricsim;
using namespace fabricsim::fcf;

namespace {

ByteSpan span(const Bytes& b) { return ByteSpan{b.data(), b.size()}; }

// A received frame, taken apart; the FC payload without its fill bytes.
struct Reply { EthernetFrame ethernet; FipMessage fip; FcoeFrame fcoe; FcHeader fc; Bytes payload; };

// The example SAN as fcoe names it, its first NIC, and what that NIC's port sends.
class Link : public ::testing::Test {
protected:
    void SetUp() override { start(""); }

    void start(const std::string& faults) {
        std::string text;
        const std::string faultsText = faults.empty() ? "[]" : faults;
        ASSERT_EQ(fcoeModel(readFile(sourcePath("examples/san.json")), &faultsText, text), "");
        auto model = std::make_unique<Model>();
        ModelError error;
        ASSERT_TRUE(parseModel(text, *model, error)) << error.reason;
        nics = planNics(*model, true);
        simulator = std::make_unique<Simulator>(std::move(model), SimulatorOutputs{});
        ASSERT_EQ(nics.size(), 2u);
        nic = nics[0];
        auto logger = [this](const std::string& line) { log += line + "\n"; };
        port = std::make_unique<FcfPort>(nic.setup, answerFromModel(*simulator, nic, logger),
                                         [this](const Bytes& frame) { sent.push_back(frame); }, logger);
    }

    std::vector<Reply> exchange(std::uint16_t etherType, const Bytes& payload) {
        sent.clear();
        port->receive(span(encodeEthernet(nic.setup.fcfMac, nic.mac, etherType, payload)));
        std::vector<Reply> replies;
        for (const Bytes& frame : sent) {
            Reply r;
            EXPECT_TRUE(decodeEthernet(span(frame), r.ethernet));
            if (r.ethernet.etherType == kEtherTypeFip) {
                EXPECT_TRUE(decodeFip(r.ethernet.payload, r.fip));
            } else {
                EXPECT_TRUE(decapsulateFc(r.ethernet.payload, r.fcoe) && r.fcoe.crcGood);
                EXPECT_TRUE(decodeFcHeader(r.fcoe.fc, r.fc));
                r.payload.assign(r.fcoe.fc.data + kFrameHeaderSize, r.fcoe.fc.data + r.fcoe.fc.size - (r.fc.fCtl & 3));
            }
            replies.push_back(r);
        }
        return replies;
    }

    std::vector<Reply> fabricLogin(Wwn portName, std::uint16_t receiveSize) {
        Bytes flogi = loginAccept(true, portName, portName ^ (Wwn{3} << 60), receiveSize);
        flogi[0] = els::kFlogi;
        const FcHeader h{rctl::kElsRequest, wellknown::kFabricLogin, 0, 0, fctype::kExtendedLinkService, 0, 0, 0, 0, 0x0011};
        Bytes frame;
        encodeFcHeader(h, frame);
        frame.insert(frame.end(), flogi.begin(), flogi.end());
        return exchange(kEtherTypeFip, encodeFip(fipop::kLinkService, fipop::kRequest, fipflag::kFabricProvidedMac,
                                                 {encapsulatedElsDescriptor(fipdesc::kFlogi, frame), macDescriptor({})}));
    }

    std::vector<Reply> request(std::uint8_t rCtl, std::uint8_t type, std::uint32_t dId, const Bytes& payload) {
        const FcHeader h{rCtl, dId, 0, nic.setup.fcid, type, 0x290000, 0, 0, 0, 0x0042};
        Bytes frame;
        encodeFcHeader(h, frame);
        frame.insert(frame.end(), payload.begin(), payload.end());
        return exchange(kEtherTypeFcoe, encapsulateFc(sof::kInitiate3, frame, eof::kTerminate));
    }

    // A CT request as libfc sends it for bsg: the CT_IU, then 16 more bytes.
    std::vector<Reply> bsgRequest(std::uint32_t dId, Bytes ctIu) {
        ctIu.insert(ctIu.end(), 16, 0xEE);
        return request(rctl::kCtRequest, fctype::kCt, dId, ctIu);
    }

    Bytes modelAnswer(const Bytes& ctIu, std::uint32_t destination, std::uint32_t limit) {
        Simulator fresh(std::make_unique<Model>(simulator->model()), SimulatorOutputs{});
        Bytes answer(limit);
        const Simulator::KernelOutcome outcome = fresh.kernelCt(
            {nic.adapter, nic.port, destination, 0, ctIu.data(), static_cast<std::uint32_t>(ctIu.size()), answer.data(), limit});
        EXPECT_EQ(outcome.error, 0);
        answer.resize(outcome.received);
        return answer;
    }

    std::vector<Nic> nics;
    Nic nic;
    std::unique_ptr<Simulator> simulator;
    std::unique_ptr<FcfPort> port;
    std::vector<Bytes> sent;
    std::string log;
};

}  // namespace

TEST_F(Link, PlansOneNicPerAdapterPortWithTheModelsAddresses) {
    EXPECT_EQ(macText(nics[0].mac) + " " + macText(nics[1].mac), "00:00:c9:a0:00:01 00:00:c9:a0:00:02");
    const PortSetup& a = nics[0].setup;
    EXPECT_EQ((std::vector<std::uint64_t>{a.fcid, nics[1].setup.fcid, nics[1].adapter, a.expectedPortName, a.fabricName,
                                          a.switchName, a.fabricPortName}),
              (std::vector<std::uint64_t>{0x010100, 0x0A0100, 1, 0x20000000C9A00001, 0x100000051E0A0001,
                                          0x100000051E0A0001, 0x200100051E0A0001}));
}

TEST_F(Link, AnswersASolicitationAndAdvertisesFromThenOn) {
    port->readvertise();
    EXPECT_TRUE(sent.empty()) << "no advertisement before an ENode was heard";
    auto replies = exchange(kEtherTypeFip, encodeFip(fipop::kDiscovery, fipop::kRequest, fipflag::kFabricProvidedMac,
                                                     {macDescriptor(nic.mac)}));
    ASSERT_EQ(replies.size(), 1u);
    const Reply& adv = replies[0];
    EXPECT_EQ(adv.ethernet.destination, nic.mac);
    EXPECT_EQ(adv.fip.subcode, fipop::kReply);
    EXPECT_EQ(adv.fip.flags, fipflag::kFabricProvidedMac | fipflag::kFcf | fipflag::kAvailable | fipflag::kSolicited);
    std::vector<std::uint8_t> types;
    for (const FipDescriptor& d : adv.fip.descriptors) types.push_back(d.type);
    EXPECT_EQ(types, (std::vector<std::uint8_t>{1, 2, 4, 5, 12}));
    EXPECT_EQ(readWwn(adv.fip.descriptors[2].body.at(2)), nic.setup.switchName);
    EXPECT_EQ(readWwn(adv.fip.descriptors[3].body.at(6)), nic.setup.fabricName);
    sent.clear();
    port->readvertise();
    ASSERT_EQ(sent.size(), 1u);
    EthernetFrame again;
    ASSERT_TRUE(decodeEthernet(span(sent[0]), again));
    EXPECT_EQ(again.destination, kAllEnodeMacs);
}

TEST_F(Link, GivesTheModelsAddressAtFabricLoginAndRefusesAnotherPort) {
    auto refused = fabricLogin(0x2000000000000099, 2048);
    ASSERT_EQ(refused.size(), 1u);
    ASSERT_EQ(refused[0].fip.descriptors.size(), 1u);
    EXPECT_EQ(encapsulatedFrame(refused[0].fip.descriptors[0]).data[kFrameHeaderSize], els::kReject);
    EXPECT_FALSE(port->loggedIn());
    EXPECT_NE(log.find("refused"), std::string::npos);

    auto accepted = fabricLogin(0x20000000C9A00001, 2048);
    ASSERT_EQ(accepted.size(), 1u);
    const FipMessage& fip = accepted[0].fip;
    EXPECT_EQ(fip.op, fipop::kLinkService);
    EXPECT_EQ(fip.subcode, fipop::kReply);
    ASSERT_EQ(fip.descriptors.size(), 2u);
    ByteSpan frame = encapsulatedFrame(fip.descriptors[0]);
    FcHeader h;
    ASSERT_TRUE(decodeFcHeader(frame, h));
    EXPECT_EQ(std::tuple(h.rCtl, h.dId, h.sId, h.oxId), std::tuple(rctl::kElsReply, 0x010100u, wellknown::kFabricLogin, 0x0011));
    LoginRequest acc;
    ASSERT_TRUE(decodeLogin(ByteSpan{frame.data + kFrameHeaderSize, frame.size - kFrameHeaderSize}, acc));
    EXPECT_EQ(acc.nodeName, nic.setup.fabricName);  // fc_host's fabric_name
    EXPECT_EQ(acc.portName, nic.setup.fabricPortName);
    EXPECT_EQ(fip.descriptors[1].type, fipdesc::kMac);
    EXPECT_EQ(toHex(Bytes(fip.descriptors[1].body.data, fip.descriptors[1].body.data + 6)), "0EFC00010100");
    EXPECT_TRUE(port->loggedIn());
}

TEST_F(Link, AnswersLinkServicesItselfAtWellKnownAddressesAndFromTheModelAtPorts) {
    fabricLogin(0x20000000C9A00001, 2048);
    struct Case { std::uint32_t dId; std::uint8_t code; std::uint8_t answer; std::size_t size; };
    for (const Case& c : {Case{wellknown::kDirectoryServer, els::kPlogi, els::kAccept, kLoginPayloadSize},
                          Case{wellknown::kManagementServer, els::kPlogi, els::kAccept, kLoginPayloadSize},
                          Case{wellknown::kFabricController, els::kScr, els::kAccept, 4},
                          Case{wellknown::kDirectoryServer, 0x52, els::kReject, 8},   // ADISC
                          Case{0x010200, 0x10, els::kAccept, kLoginPayloadSize},        // ECHO: its data back
                          Case{0x010200, els::kPlogi, els::kReject, 8},                 // the fabric switches no frames
                          Case{0x7F0000, 0x10, 0, 0}}) {                                // nobody: dropped
        Bytes payload = loginAccept(false, 0x20000000C9A00001, 0x10000000C9A00001, 2048);
        payload[0] = c.code;
        auto replies = request(rctl::kElsRequest, fctype::kExtendedLinkService, c.dId, payload);
        ASSERT_EQ(replies.size(), c.size == 0 ? 0u : 1u) << std::hex << c.dId;
        if (c.size == 0) continue;
        const Reply& r = replies[0];
        EXPECT_EQ(r.ethernet.destination, fabricProvidedMac(kDefaultFcMap, 0x010100));
        EXPECT_EQ(std::tuple(r.fc.sId, r.fc.dId, r.fc.oxId), std::tuple(c.dId, 0x010100u, std::uint16_t{0x0042}));
        EXPECT_EQ(r.fc.fCtl & fctl::kReply, fctl::kReply);
        EXPECT_EQ(r.fcoe.endOfFrame, eof::kTerminate);
        ASSERT_EQ(r.payload.size(), c.size);
        EXPECT_EQ(r.payload[0], c.answer);
    }
}

TEST_F(Link, AnswersBsgRequestsFromTheModelInFramesThePortTakes) {
    fabricLogin(0x20000000C9A00001, 256);  // the smallest data field: a long answer takes several frames
    const Bytes giel = GsBytes::request(0xFA, 0x01, 0x0101).bytes();
    const Bytes gmal = GsBytes::request(0xFA, 0x01, 0x0116).wwn("100000051E0A0001").bytes();
    const Bytes gidpn = GsBytes::request(0xFC, 0x02, 0x0121, 1).wwn("500507680110A002").bytes();
    std::size_t most = 0;
    for (const Bytes* ct : {&giel, &gmal, &gidpn}) {
        const std::uint32_t server = ct == &gidpn ? 0xFFFFFC : 0xFFFFFA;
        auto replies = bsgRequest(server, *ct);
        ASSERT_FALSE(replies.empty());
        Bytes whole;
        for (std::size_t i = 0; i < replies.size(); ++i) {
            const Reply& r = replies[i];
            const bool last = i + 1 == replies.size();
            EXPECT_EQ(r.fc.rCtl, rctl::kCtReply);
            EXPECT_EQ(r.fc.seqCnt, i);
            EXPECT_EQ(r.fc.parameter, whole.size());
            EXPECT_EQ(r.fcoe.startOfFrame, i == 0 ? sof::kInitiate3 : sof::kNormal3);
            EXPECT_EQ(r.fcoe.endOfFrame, last ? eof::kTerminate : eof::kNormal);
            EXPECT_EQ((r.fc.fCtl & (fctl::kLastSequence | fctl::kEndSequence)) != 0, last);
            EXPECT_LE(r.payload.size(), 256u);
            whole.insert(whole.end(), r.payload.begin(), r.payload.end());
        }
        EXPECT_EQ(whole, modelAnswer(*ct, server, static_cast<std::uint32_t>(ctResponseLimit(span(*ct)))));
        most = std::max(most, replies.size());
    }
    EXPECT_GT(most, 1u);
    // A request that allows 10 words after the header gets them, and the residual size says what was left out.
    Bytes short_gmal = gmal;
    short_gmal[11] = 10;
    auto cut = bsgRequest(0xFFFFFA, short_gmal);
    ASSERT_EQ(cut.size(), 1u);
    ASSERT_EQ(cut[0].payload.size(), 56u);
    EXPECT_GT((cut[0].payload[10] << 8) | cut[0].payload[11], 0);
}

TEST_F(Link, TheModelsFaultsApply) {
    start(R"([{"command": "GIEL", "busy": true, "times": 1}, {"command": "GFN", "fail": 1},
              {"command": "GMID", "raw": "01000000FA0100008002000000000000ABCDEF"}])");
    fabricLogin(0x20000000C9A00001, 2048);
    const Bytes giel = GsBytes::request(0xFA, 0x01, 0x0101).bytes();
    auto busy = bsgRequest(0xFFFFFA, giel);
    ASSERT_EQ(busy.size(), 1u);
    EXPECT_EQ(toHex(busy[0].payload).substr(16, 14), "80010000000500");
    auto accepted = bsgRequest(0xFFFFFA, giel);
    ASSERT_EQ(accepted.size(), 1u);
    EXPECT_EQ(be16At(accepted[0].payload, 8), 0x8002);
    EXPECT_TRUE(bsgRequest(0xFFFFFA, GsBytes::request(0xFA, 0x01, 0x0114).wwn("100000051E0A0001").bytes()).empty())
        << "a failed request is left unanswered";
    EXPECT_NE(log.find("fails the request (Input/output error)"), std::string::npos);
    auto raw = bsgRequest(0xFFFFFA, GsBytes::request(0xFA, 0x01, 0x0113).wwn("100000051E0A0001").bytes());
    ASSERT_EQ(raw.size(), 1u);
    EXPECT_EQ(raw[0].fc.fCtl & fctl::kFillBytesMask, 1u) << "19 bytes go out as 20, one of them fill";
    EXPECT_EQ(raw[0].payload.size(), 19u);
    EXPECT_EQ(raw[0].payload[18], 0xEF);
}

TEST_F(Link, AcceptsAnAbort) {
    fabricLogin(0x20000000C9A00001, 2048);
    auto replies = request(rctl::kAbts, fctype::kBasicLinkService, wellknown::kManagementServer, {});
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].fc.rCtl, rctl::kBasicAccept);
    EXPECT_EQ(replies[0].fc.oxId, 0x0042);
    EXPECT_EQ(replies[0].payload.size(), 12u);
}
