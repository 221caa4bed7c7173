// Zone server queries through the real transport when no request can be sent:
// retries, pauses and what the probe writes when every query fails.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "GsTransport.h"
#include "StreamCapture.h"
#include "ZoneQueries.h"
#include "psclock.h"

namespace {

std::vector<unsigned> sleeps;

class ZoneQueries : public ::testing::Test {
protected:
    void SetUp() override {
        sleeps.clear();
        static const ClockSeam seam{[](unsigned s) { sleeps.push_back(s); }, nullptr};
        psSetClockSeam(&seam);
        // No pass-through version chosen: every request fails with -1001 unsent.
        resetSendCTPassThruVersion();
    }
    void TearDown() override { psSetClockSeam(nullptr); }
    const Wwn port{{0x10, 0, 0, 0, 0xC9, 0xA0, 0, 0x01}};
};

TEST(ZoneSetRequest, NameObjectIsPaddedToFourBytes) {
    ZoneSetRequest built(GZC_PREAMBLE, nullptr);
    std::uint8_t* const request = built.bytes;
    const struct {
        std::size_t length;
        std::size_t size;
    } cases[] = {{0, 20}, {1, 24}, {3, 24}, {4, 24}, {5, 28}, {8, 28}, {254, 276}, {255, 276}};
    for (const auto& c : cases) {
        std::memset(request, 0xAA, sizeof built.bytes);
        const std::string name(c.length, 'z');
        ASSERT_EQ(buildZoneSetRequest(name, built), c.size) << c.length;
        const std::uint8_t head[] = {0x01, 0, 0, 0, 0xFA, 0x03, 0, 0, 0x01, 0x16, 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(std::memcmp(request, head, 16), 0);
        EXPECT_EQ(request[16], c.length);
        EXPECT_EQ(request[17] | request[18] | request[19], 0);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(request) + 20, c.length), name);
        for (std::size_t i = 20 + c.length; i < c.size; ++i) EXPECT_EQ(request[i], 0) << i;
    }
    // Longer than a length byte can say: cut to 255, never past the request.
    EXPECT_EQ(buildZoneSetRequest(std::string(300, 'z'), built), 276u);
    EXPECT_EQ(request[16], 255);
}

TEST_F(ZoneQueries, ThreeFailedAttemptsTakeTwoTenSecondPauses) {
    std::vector<std::uint8_t> big(kZoneSetResponseSize);
    std::vector<std::uint8_t> list(kZoneSetNameListResponseSize);
    EXPECT_EQ(getActiveZoneSet(1, port, big.data(), kZoneSetResponseSize), -1001);
    EXPECT_EQ(sleeps, (std::vector<unsigned>{10, 10}));
    sleeps.clear();
    EXPECT_EQ(getZoneSetList(1, port, list.data(), kZoneSetNameListResponseSize), -1001);
    EXPECT_EQ(sleeps, (std::vector<unsigned>{10, 10}));
    sleeps.clear();
    EXPECT_EQ(getZoneSet(1, port, "cfg", big.data(), kZoneSetResponseSize), -1001);
    EXPECT_EQ(sleeps, (std::vector<unsigned>{10, 10}));
}

TEST_F(ZoneQueries, CapabilitiesAskedOnceAndUnsupportedOnFailure) {
    int available = 7;
    std::uint8_t reason = 0xEE, explanation = 0xEE;
    EXPECT_EQ(getZoneCapabilities(1, port, available, reason, explanation), -1001);
    EXPECT_EQ(available, 0);
    EXPECT_EQ(isFullZoneDBSupported(1, port, reason, explanation), 0);
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(ZoneQueries, NoActiveSetAndNoDatabaseWritesNothing) {
    StreamCapture out;
    RecordSink sink(out.get(), "");
    EXPECT_EQ(getCurrentZoningInfo(1, port, "100000000000A001", sink, 1), 0);
    EXPECT_EQ(out.text(), "");
    // GAZS and GZSN each tried three times.
    EXPECT_EQ(sleeps, (std::vector<unsigned>{10, 10, 10, 10}));
}

}  // namespace
