// The frame codecs: what they build reads back the same, and what is short or inconsistent
// is refused rather than read past.
#include <gtest/gtest.h>

#include "Els.h"
#include "Ethernet.h"
#include "FcHeader.h"
#include "Fcoe.h"
#include "Fip.h"
#include "LoginQueries.h"

using namespace fabricsim;
using namespace fabricsim::fcf;
using Bytes = std::vector<std::uint8_t>;

namespace {
ByteSpan span(const Bytes& b) { return ByteSpan{b.data(), b.size()}; }
}  // namespace

TEST(Frames, FcCrcIsTheCrc32OfEthernet) {
    const std::string check = "123456789";
    EXPECT_EQ(fcCrc(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0xCBF43926u);
}

TEST(Frames, FcHeaderReadsBackEveryField) {
    FcHeader h;
    h.rCtl = 0x22; h.dId = 0xFFFFFC; h.csCtl = 0x01; h.sId = 0x010100; h.type = 0x20; h.fCtl = 0x290008;
    h.seqId = 7; h.dfCtl = 0x40; h.seqCnt = 0x1234; h.oxId = 0xABCD; h.rxId = 0x0102; h.parameter = 0xDEADBEEF;
    Bytes b;
    encodeFcHeader(h, b);
    ASSERT_EQ(b.size(), kFrameHeaderSize);
    FcHeader back;
    ASSERT_TRUE(decodeFcHeader(span(b), back));
    Bytes again;
    encodeFcHeader(back, again);
    EXPECT_EQ(again, b);
    EXPECT_EQ(back.parameter, 0xDEADBEEFu);
    EXPECT_FALSE(decodeFcHeader(ByteSpan{b.data(), 23}, back));
}

TEST(Frames, FcoeCarriesTheFrameWithItsCrcAndDelimiters) {
    Bytes fc(kFrameHeaderSize + 5, 0x5A);
    Bytes payload = encapsulateFc(sof::kInitiate3, fc, eof::kTerminate);
    ASSERT_EQ(payload.size(), kFcoeHeaderSize + fc.size() + kFcoeTrailerSize);
    FcoeFrame frame;
    ASSERT_TRUE(decapsulateFc(span(payload), frame));
    EXPECT_TRUE(frame.crcGood);
    EXPECT_EQ(frame.startOfFrame, sof::kInitiate3);
    EXPECT_EQ(frame.endOfFrame, eof::kTerminate);
    EXPECT_EQ(Bytes(frame.fc.data, frame.fc.data + frame.fc.size), fc);
    payload[kFcoeHeaderSize + 3] ^= 1;  // one bit of the FC header
    ASSERT_TRUE(decapsulateFc(span(payload), frame));
    EXPECT_FALSE(frame.crcGood);
    EXPECT_FALSE(decapsulateFc(ByteSpan{payload.data(), kFcoeHeaderSize + kFrameHeaderSize + kFcoeTrailerSize - 1}, frame));
}

TEST(Frames, EthernetPadsShortFramesAndSkipsAVlanTag) {
    const MacAddress a{1, 2, 3, 4, 5, 6}, b{0x0E, 0xFC, 0, 1, 1, 0};
    Bytes frame = encodeEthernet(a, b, kEtherTypeFip, Bytes{9, 9});
    ASSERT_EQ(frame.size(), kMinimumFrame);
    EthernetFrame out;
    ASSERT_TRUE(decodeEthernet(span(frame), out));
    EXPECT_EQ(out.destination, a);
    EXPECT_EQ(out.source, b);
    EXPECT_EQ(out.etherType, kEtherTypeFip);
    EXPECT_EQ(out.payload.size, kMinimumFrame - 14);
    Bytes tagged(frame.begin(), frame.begin() + 12);
    for (std::uint8_t v : {0x81, 0x00, 0x00, 0x05, 0x89, 0x06, 0x42}) tagged.push_back(v);
    ASSERT_TRUE(decodeEthernet(span(tagged), out));
    EXPECT_EQ(out.etherType, kEtherTypeFcoe);
    EXPECT_EQ(out.payload.size, 1u);
    EXPECT_FALSE(decodeEthernet(ByteSpan{frame.data(), 13}, out));
}

TEST(Frames, FipDescriptorsReadBackAndBadListsAreRefused) {
    Bytes fip = encodeFip(fipop::kDiscovery, fipop::kReply, fipflag::kFcf,
                          {priorityDescriptor(128), macDescriptor({2, 0, 0, 0x0F, 0xCF, 0}), nameDescriptor(0x1000000000000001),
                           fabricDescriptor(0, 0x0EFC00, 0x1000000000000002), keepAlivePeriodDescriptor(8000)});
    fip.resize(fip.size() + 6, 0);  // Ethernet padding after the list
    FipMessage m;
    ASSERT_TRUE(decodeFip(span(fip), m));
    EXPECT_EQ(m.version, kFipVersion);
    EXPECT_EQ(m.op, fipop::kDiscovery);
    EXPECT_EQ(m.subcode, fipop::kReply);
    EXPECT_EQ(m.flags, fipflag::kFcf);
    const std::vector<std::pair<std::uint8_t, std::size_t>> expected{{1, 2}, {2, 6}, {4, 10}, {5, 14}, {12, 6}};
    ASSERT_EQ(m.descriptors.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(m.descriptors[i].type, expected[i].first) << i;
        EXPECT_EQ(m.descriptors[i].body.size, expected[i].second) << i;
    }
    EXPECT_EQ(readWwn(m.descriptors[3].body.at(6)), 0x1000000000000002u);  // fabric name after VF_ID, reserved, FC-MAP

    struct Bad { const char* what; std::size_t at; std::uint8_t value; };
    for (const Bad& bad : {Bad{"list longer than the frame", 7, 200}, Bad{"descriptor of length 0", 11, 0},
                           Bad{"descriptor past the list", 11, 40}}) {
        Bytes broken = fip;
        broken[bad.at] = bad.value;
        EXPECT_FALSE(decodeFip(span(broken), m)) << bad.what;
    }
    EXPECT_FALSE(decodeFip(ByteSpan{fip.data(), kFipHeaderSize - 1}, m));
}

TEST(Frames, LoginAcceptCarriesWhatTheKernelReads) {
    Bytes acc = loginAccept(true, 0x2001000000000001, 0x1000000000000002, 1452);
    ASSERT_EQ(acc.size(), kLoginPayloadSize);
    EXPECT_EQ(acc[0], els::kAccept);
    EXPECT_EQ(acc[8] & 0x10, 0x10);                                // F_Port
    EXPECT_EQ((acc[12] << 24) | (acc[13] << 16) | (acc[14] << 8) | acc[15], 10000);  // R_A_TOV
    EXPECT_EQ((acc[16] << 24) | (acc[17] << 16) | (acc[18] << 8) | acc[19], 2000);   // E_D_TOV, ms
    EXPECT_EQ(acc[68], 0x80);                                      // class 3 valid
    LoginRequest back;
    ASSERT_TRUE(decodeLogin(span(acc), back));
    EXPECT_EQ(back.portName, 0x2001000000000001u);
    EXPECT_EQ(back.nodeName, 0x1000000000000002u);
    EXPECT_EQ(back.receiveSize, 1452);
    EXPECT_FALSE(decodeLogin(ByteSpan{acc.data(), kLoginPayloadSize - 1}, back));
}

TEST(Frames, FcoeNamesComeFromTheMac) {
    const MacAddress mac = macForPortName(0x10000000C9A00001);
    EXPECT_EQ(macText(mac), "00:00:c9:a0:00:01");
    EXPECT_EQ(fcoePortName(mac), 0x20000000C9A00001u);
    EXPECT_EQ(fcoeNodeName(mac), 0x10000000C9A00001u);
    EXPECT_FALSE(isMulticast(mac));
    EXPECT_TRUE(isMulticast(kAllEnodeMacs));
    EXPECT_EQ(macText(fabricProvidedMac(0x0EFC00, 0x0A0100)), "0e:fc:00:0a:01:00");
}

TEST(Frames, TheNameServerAnswersRegistrationsAndGpnFtAndNothingElse) {
    auto request = [](std::uint16_t code) {
        Bytes ct{1, 0, 0, 0, 0xFC, 0x02, 0, 0, static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code), 0, 0, 0, 0, 0, 0};
        ct.resize(ct.size() + 8, 0);
        return ct;
    };
    Asker asker{0x010100, 0x20000000C9A00001, false, 0x2FFA000000000001};
    for (std::uint16_t code : {0x0213, 0x0217, 0x0218, 0x021F, 0x0239}) {
        auto answer = answerLoginQuery(span(request(code)), asker);
        ASSERT_TRUE(answer) << code;
        EXPECT_EQ(answer->size(), 16u);
        EXPECT_EQ((*answer)[8], 0x80);
        EXPECT_EQ((*answer)[9], 0x02);
    }
    for (bool listed : {false, true}) {
        asker.listManagementServer = listed;
        auto answer = answerLoginQuery(span(request(0x0172)), asker);
        ASSERT_TRUE(answer);
        ASSERT_EQ(answer->size(), 16u + (listed ? 32 : 16));
        EXPECT_EQ(Bytes(answer->begin() + 16, answer->begin() + 20), (Bytes{listed ? std::uint8_t{0} : std::uint8_t{0x80}, 1, 1, 0}));
        EXPECT_EQ(readWwn(answer->data() + 24), 0x20000000C9A00001u);
        if (listed) {
            EXPECT_EQ(Bytes(answer->begin() + 32, answer->begin() + 36), (Bytes{0x80, 0xFF, 0xFF, 0xFA}));
        }
    }
    EXPECT_FALSE(answerLoginQuery(span(request(0x0121)), asker));  // GID_PN: the model's
    Bytes management = request(0x0101);
    management[4] = 0xFA;
    EXPECT_FALSE(answerLoginQuery(span(management), asker));
    const Bytes registration = request(0x0213);
    EXPECT_FALSE(answerLoginQuery(ByteSpan{registration.data(), 15}, asker));
}
