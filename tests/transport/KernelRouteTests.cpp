// One port's kernel route against each simulated driver (run under fabricsim-run --kernel
// --driver NAME with examples/san.json; the launcher names the driver in FABRICSIM_DRIVER):
// each server is decided once, and a management server the host cannot reach leaves the
// name server reachable.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "GsQuery.h"
#include "KernelRoute.h"
#include "Count.h"
#include "Files.h"
#include "TraceCapture.h"

namespace {
std::vector<std::string> simLog() {
    const char* path = std::getenv("FABRICSIM_LOG");
    return path ? readLines(path) : std::vector<std::string>{};
}
}  // namespace

// Each driver's route as its kernel takes it: libfc without FDMI cannot reach the management
// server; the unknown driver refuses HST_CT (ioctl -1, EINVAL) once per server before its remote ports.
TEST(KernelRoute, EachServerIsDecidedOnceAndTheNameServerStaysReachable) {
    const struct { std::string driver; int giel; std::size_t refusedFirst; } routes[] = {
        {"libfc", 0, 0}, {"libfc-nofdmi", -1001, 0}, {"qla2xxx", 0, 0}, {"lpfc", 0, 0}, {"other", 0, 1}};
    const char* driver = std::getenv("FABRICSIM_DRIVER");
    ASSERT_NE(driver, nullptr) << "run under fabricsim-run --kernel";
    const auto r = std::find_if(std::begin(routes), std::end(routes), [&](const auto& row) { return row.driver == driver; });
    ASSERT_NE(r, std::end(routes)) << driver;
    const bool unreachable = r->giel != 0;

    const std::size_t logStart = simLog().size();
    TraceCapture trace;
    const std::unique_ptr<KernelCtRoute> route = KernelCtRoute::forHost(0);
    const Wwn own{{0x10, 0, 0, 0, 0xC9, 0xA0, 0, 0x01}};  // host0's port, known to the name server
    const GsPort port{0, own, route.get()};
    std::uint8_t response[gs::GIEL.responseSize];
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(r->driver + " round " + std::to_string(round));
        EXPECT_EQ(sendGs(port, gs::GIEL, ByteSpan{}, response).status, r->giel);
        EXPECT_EQ(route->unreachable(0xFA), unreachable);
        EXPECT_EQ(sendGs(port, gs::GID_PN, payloadOf(own), response).status, 0);
        EXPECT_FALSE(route->unreachable(0xFC));
    }
    // A reject comes back as the switch gave it, whatever the driver marks in its reply.
    const Wwn unknown{{0x10, 0, 0, 0, 0xC9, 0xA0, 0, 0xFF}};
    EXPECT_EQ(sendGs(port, gs::GID_PN, payloadOf(unknown), response).status, -1000);
    const std::string text = trace.finish();
    const auto log = linesFrom(simLog(), logStart);
    // The unreachable server was asked once, the others twice, each refusal only once.
    EXPECT_EQ(linesWith(log, "cmd=GIEL key=- result=ERRNO 22"), unreachable ? 1 : r->refusedFirst);
    EXPECT_EQ(linesWith(log, "cmd=GIEL key=- result=ACC"), unreachable ? 0u : 2u);
    EXPECT_EQ(linesWith(log, "cmd=GID_PN key=10000000C9A00001 result=ERRNO 22"), r->refusedFirst);
    EXPECT_EQ(linesWith(log, "cmd=GID_PN key=10000000C9A00001 result=ACC"), 2u);
    EXPECT_EQ(linesWith(log, "cmd=GID_PN key=10000000C9A000FF result=RJT 09"), 1u);
    EXPECT_EQ(countOf(text, "management server FFFFFA cannot be reached through fc_host host0 (driver fcoe)"),
              unreachable ? 1u : 0u);
}
