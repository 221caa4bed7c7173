// Zone server queries through the real transport when no request can be sent:
// retries, pauses and what the probe writes when every query fails.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Capture.h"
#include "GsTransport.h"
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
    // No route either: nothing can leave.
    const GsPort port{1, Wwn{{0x10, 0, 0, 0, 0xC9, 0xA0, 0, 0x01}}, nullptr};
};

TEST(ZoneSetRequest, NameObjectIsPaddedToFourBytes) {
    ZoneSetRequest built;
    std::uint8_t* const payload = built.bytes;
    const struct {
        std::size_t length;
        std::size_t size;
    } cases[] = {{0, 4}, {1, 8}, {3, 8}, {4, 8}, {5, 12}, {8, 12}, {254, 260}, {255, 260}};
    for (const auto& c : cases) {
        std::memset(payload, 0xAA, sizeof built.bytes);
        const std::string name(c.length, 'z');
        ASSERT_EQ(buildZoneSetRequest(name, built), c.size) << c.length;
        EXPECT_EQ(payload[0], c.length);
        EXPECT_EQ(payload[1] | payload[2] | payload[3], 0);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(payload) + 4, c.length), name);
        for (std::size_t i = 4 + c.length; i < c.size; ++i) EXPECT_EQ(payload[i], 0) << i;
    }
    // Longer than a length byte can say: cut to 255, never past the request.
    EXPECT_EQ(buildZoneSetRequest(std::string(300, 'z'), built), 260u);
    EXPECT_EQ(payload[0], 255);
}

TEST_F(ZoneQueries, ThreeFailedAttemptsTakeTwoTenSecondPauses) {
    std::vector<std::uint8_t> big(kZoneSetResponseSize);
    std::vector<std::uint8_t> list(kZoneSetNameListResponseSize);
    ByteSpan answer;
    EXPECT_EQ(getActiveZoneSet(port, big.data(), answer), -1001);
    EXPECT_EQ(sleeps, (std::vector<unsigned>{10, 10}));
    sleeps.clear();
    ZoneSetNames names;
    EXPECT_EQ(getZoneSetList(port, list.data(), names), -1001);
    EXPECT_EQ(sleeps, (std::vector<unsigned>{10, 10}));
    sleeps.clear();
    EXPECT_EQ(getZoneSet(port, "cfg", big.data(), answer), -1001);
    EXPECT_EQ(sleeps, (std::vector<unsigned>{10, 10}));
}

TEST_F(ZoneQueries, CapabilitiesAskedOnceAndUnsupportedOnFailure) {
    int available = 7;
    EXPECT_EQ(getZoneCapabilities(port, available), -1001);
    EXPECT_EQ(available, 0);
    EXPECT_EQ(isFullZoneDBSupported(port), 0);
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(ZoneQueries, NoActiveSetAndNoDatabaseWritesNothing) {
    StreamCapture out;
    RecordSink sink(out.get(), "");
    EXPECT_EQ(getCurrentZoningInfo(port, "100000000000A001", sink, 1), 0);
    EXPECT_EQ(out.text(), "");
    // GAZS and GZSN each tried three times.
    EXPECT_EQ(sleeps, (std::vector<unsigned>{10, 10, 10, 10}));
}

}  // namespace
