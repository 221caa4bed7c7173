// The frame codecs' bytes as the kernel's fcoe and libfc read them. That whatever they decode
// stays inside the frame, reads back as it was written and keeps its counts consistent, the
// fuzz target fuzz_fcf_frame asserts.
#include <gtest/gtest.h>

#include "Els.h"
#include "Ethernet.h"
#include "FcHeader.h"
#include "Fcoe.h"
#include "Fip.h"
#include "GsBytes.h"
#include "LoginQueries.h"

using namespace fabricsim;
using namespace fabricsim::fcf;

namespace {
ByteSpan span(const Bytes& b) { return ByteSpan{b.data(), b.size()}; }
}  // namespace

TEST(Frames, TheCrcTheFcHeaderAndEthernetAreLaidOutAsOnTheWire) {
    const std::string check = "123456789";  // the CRC-32 of Ethernet
    EXPECT_EQ(fcCrc(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0xCBF43926u);

    FcHeader h;
    h.rCtl = 0x22; h.dId = 0xFFFFFC; h.csCtl = 0x01; h.sId = 0x010100; h.type = 0x20; h.fCtl = 0x290008;
    h.seqId = 7; h.dfCtl = 0x40; h.seqCnt = 0x1234; h.oxId = 0xABCD; h.rxId = 0x0102; h.parameter = 0xDEADBEEF;
    Bytes b;
    encodeFcHeader(h, b);
    EXPECT_EQ(toHex(b), "22FFFFFC010101002029000807401234ABCD0102DEADBEEF");
    EXPECT_FALSE(decodeFcHeader(ByteSpan{b.data(), 23}, h));

    // Short frames are padded; a VLAN tag is skipped.
    const MacAddress a{1, 2, 3, 4, 5, 6}, m{0x0E, 0xFC, 0, 1, 1, 0};
    const Bytes frame = encodeEthernet(a, m, kEtherTypeFip, Bytes{9, 9});
    EXPECT_EQ(toHex(frame), "010203040506" "0EFC00010100" "8914" "0909" + std::string(2 * (kMinimumFrame - 16), '0'));
    Bytes tagged(frame.begin(), frame.begin() + 12);
    for (std::uint8_t v : {0x81, 0x00, 0x00, 0x05, 0x89, 0x06, 0x42}) tagged.push_back(v);
    EthernetFrame out;
    ASSERT_TRUE(decodeEthernet(span(tagged), out));
    EXPECT_EQ(out.etherType, kEtherTypeFcoe);
    EXPECT_EQ(out.payload.size, 1u);
    EXPECT_FALSE(decodeEthernet(ByteSpan{frame.data(), 13}, out)) << "cut in its type";
    EXPECT_FALSE(decodeEthernet(ByteSpan{tagged.data(), 17}, out)) << "cut in the tagged type";
}

TEST(Frames, LoginAcceptCarriesWhatTheKernelReads) {
    Bytes acc = loginAccept(true, 0x2001000000000001, 0x1000000000000002, 1452);
    ASSERT_EQ(acc.size(), kLoginPayloadSize);
    EXPECT_EQ(acc[0], els::kAccept);
    EXPECT_EQ(acc[8] & 0x10, 0x10);         // F_Port
    EXPECT_EQ(be32At(acc, 12), 10000u);     // R_A_TOV
    EXPECT_EQ(be32At(acc, 16), 2000u);      // E_D_TOV, ms
    EXPECT_EQ(acc[68], 0x80);               // class 3 valid
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

// Registrations are accepted, GPN_FT lists the asker (and the management server when told to);
// anything else is the model's to answer.
TEST(Frames, TheNameServerAnswersRegistrationsAndGpnFtAndNothingElse) {
    const auto request = [](std::uint8_t type, std::uint16_t code) { return GsBytes::request(type, 0x02, code).pad(8).bytes(); };
    Asker asker{0x010100, 0x20000000C9A00001, false, 0x2FFA000000000001};
    for (std::uint16_t code : {0x0213, 0x0217, 0x0218, 0x021F, 0x0239}) {
        const auto answer = answerLoginQuery(span(request(0xFC, code)), asker);
        ASSERT_TRUE(answer) << code;
        EXPECT_EQ(toHex(*answer).substr(16), "8002000000000000");
    }
    for (bool listed : {false, true}) {
        asker.listManagementServer = listed;
        const auto answer = answerLoginQuery(span(request(0xFC, 0x0172)), asker);
        ASSERT_TRUE(answer);
        EXPECT_EQ(toHex(Bytes(answer->begin() + 16, answer->end())),
                  listed ? "00010100" "00000000" "20000000C9A00001" "80FFFFFA" "00000000" "2FFA000000000001"
                         : "80010100" "00000000" "20000000C9A00001");
    }
    EXPECT_FALSE(answerLoginQuery(span(request(0xFC, 0x0121)), asker));  // GID_PN: the model's
    EXPECT_FALSE(answerLoginQuery(span(request(0xFA, 0x0101)), asker));
    const Bytes registration = request(0xFC, 0x0213);
    EXPECT_FALSE(answerLoginQuery(ByteSpan{registration.data(), 15}, asker));
}
