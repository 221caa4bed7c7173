// One port's kernel route against each simulated driver (run under fabricsim-run --kernel
// --driver NAME with examples/san.json; the launcher names the driver in FABRICSIM_DRIVER):
// each server is decided once, and a management server the host cannot reach leaves the
// name server reachable.
#include <gtest/gtest.h>

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

TEST(KernelRoute, EachServerIsDecidedOnceAndTheNameServerStaysReachable) {
    const char* driverVariable = std::getenv("FABRICSIM_DRIVER");
    ASSERT_NE(driverVariable, nullptr) << "run under fabricsim-run --kernel";
    const std::string driver = driverVariable;
    const bool noFdmi = driver == "libfc-nofdmi";
    const std::size_t refusedFirst = driver == "other" ? 1 : 0;  // HST_CT, before the remote port

    const std::size_t logStart = simLog().size();
    TraceCapture trace;
    const std::unique_ptr<KernelCtRoute> route = KernelCtRoute::forHost(0);
    const Wwn own{{0x10, 0, 0, 0, 0xC9, 0xA0, 0, 0x01}};  // host0's port, known to the name server
    const GsPort port{0, own, route.get()};
    std::uint8_t response[gs::GIEL.responseSize];
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(driver + " round " + std::to_string(round));
        EXPECT_EQ(sendGs(port, gs::GIEL, ByteSpan{}, response).status, noFdmi ? -1001 : 0);
        EXPECT_EQ(route->unreachable(0xFA), noFdmi);
        EXPECT_EQ(sendGs(port, gs::GID_PN, payloadOf(own), response).status, 0);
        EXPECT_FALSE(route->unreachable(0xFC));
    }
    const std::string text = trace.finish();
    const auto log = linesFrom(simLog(), logStart);
    // The unreachable server was asked once, the others twice, each refusal only once.
    EXPECT_EQ(linesWith(log, "cmd=GIEL key=- result=ERRNO 22"), noFdmi ? 1 : refusedFirst);
    EXPECT_EQ(linesWith(log, "cmd=GIEL key=- result=ACC"), noFdmi ? 0u : 2u);
    EXPECT_EQ(linesWith(log, "cmd=GID_PN key=10000000C9A00001 result=ERRNO 22"), refusedFirst);
    EXPECT_EQ(linesWith(log, "cmd=GID_PN key=10000000C9A00001 result=ACC"), 2u);
    EXPECT_EQ(countOf(text, "management server FFFFFA cannot be reached through fc_host host0 (driver fcoe)"),
              noFdmi ? 1u : 0u);
}
