// Adapter enumeration and the CT pass-through transport through the real SNIA
// library and the simulator (run under fabricsim-run with models/transport.json).
#include <gtest/gtest.h>

#include <ctime>  // hbaapi.h uses struct tm without declaring it
#include <hbaapi.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "GsPreambles.h"
#include "GsTransport.h"
#include "HbaAccess.h"
#include "Count.h"
#include "Files.h"
#include "PortTransport.h"
#include "TempDir.h"
#include "TraceCapture.h"
#include "psclock.h"

// Link-time spies (-Wl,--wrap) on the two calls whose effect the simulator does
// not show: which handles were opened and which were closed again.
namespace {
std::vector<std::pair<std::string, HBA_HANDLE>> openedHandles;
std::multiset<HBA_HANDLE> closedHandles;
}  // namespace

extern "C" {
HBA_HANDLE __real_HBA_OpenAdapter(char* name);
void __real_HBA_CloseAdapter(HBA_HANDLE handle);
HBA_HANDLE __wrap_HBA_OpenAdapter(char* name) {
    const HBA_HANDLE handle = __real_HBA_OpenAdapter(name);
    openedHandles.emplace_back(name, handle);
    return handle;
}
void __wrap_HBA_CloseAdapter(HBA_HANDLE handle) {
    closedHandles.insert(handle);
    __real_HBA_CloseAdapter(handle);
}
}

namespace {
// Adapter indexes of models/transport.json.
enum : int { kLoop, kFabric, kV1, kNoOpen, kNoName, kNoAttributes, kBadPort, kNoFabric };

const Wwn kSwitch{{0x10, 0, 0, 0, 0, 0, 0xA0, 0x01}};
const Wwn kSwitchPort{{0x20, 0x01, 0, 0, 0, 0, 0xA0, 0x01}};

int sleeps = 0;
unsigned sleptSeconds = 0;
void countSleep(unsigned seconds) {
    ++sleeps;
    sleptSeconds += seconds;
}
const ClockSeam kCountingClock{countSleep, nullptr};

std::string simLogPath() {
    const char* path = std::getenv("FABRICSIM_LOG");
    return path ? path : "";
}

// The simulator's call log, from a given line on.
std::vector<std::string> simLogFrom(std::size_t first) { return linesFrom(readLines(simLogPath()), first); }
std::size_t simLogSize() { return readLines(simLogPath()).size(); }

class HbaApiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_FALSE(simLogPath().empty()) << "FABRICSIM_LOG must name the simulator's call log";
        writeFile(simLogPath(), "");
        psSetClockSeam(&kCountingClock);
        ASSERT_EQ(initialize(), 0) << "the simulator must load through the SNIA library";
        // The SNIA library counts an adapter whose name cannot be read once more on
        // every count, so the second count (initialize made the first) may be above 8.
        ASSERT_GE(getNumberOfAdapters(), 8);
    }
    void TearDown() override {
        finalize();
        psSetClockSeam(nullptr);
    }
};
[[maybe_unused]] const auto* const environment = ::testing::AddGlobalTestEnvironment(new HbaApiEnvironment);

struct Opened {
    HbaHandle handle = 0;
    std::vector<Wwn> ports;
    int status = -99;
};

Opened open(int index) {
    Opened opened;
    opened.handle = openOrFilterAdapter(index, opened.ports, opened.status);
    return opened;
}

std::vector<std::string> texts(const std::vector<Wwn>& wwns) {
    std::vector<std::string> out;
    for (const Wwn& wwn : wwns) out.push_back(formatWwn(wwn).text);
    return out;
}

HBA_HANDLE lastOpenedHandle(const std::string& name) {
    for (auto it = openedHandles.rbegin(); it != openedHandles.rend(); ++it)
        if (it->first == name) return it->second;
    return 0;
}

// One request: a preamble, an optional 8-byte key, and a response buffer of the given size.
struct Exchange {
    std::vector<std::uint8_t> request;
    std::vector<std::uint8_t> response;
    std::uint8_t reason = 0xAA;
    std::uint8_t explanation = 0xBB;
    int status = 99;
};

Exchange issue(HbaHandle handle, const Wwn& port, const std::uint8_t* preamble, const Wwn* key,
               std::size_t responseSize) {
    Exchange exchange;
    exchange.request.resize(key ? 24 : 16);
    std::memcpy(exchange.request.data(), preamble, 16);
    if (key) std::memcpy(exchange.request.data() + 16, key->bytes, 8);
    exchange.response.assign(responseSize, 0xCC);
    exchange.status = IssueGS3Command(handle, port, exchange.request.data(),
                                      static_cast<std::uint32_t>(exchange.request.size()), exchange.response.data(),
                                      static_cast<std::uint32_t>(exchange.response.size()), exchange.reason,
                                      exchange.explanation);
    return exchange;
}

class Sim : public ::testing::Test {
protected:
    void SetUp() override {
        sleeps = 0;
        sleptSeconds = 0;
        logStart = simLogSize();
    }
    std::vector<std::string> newLogLines() const { return simLogFrom(logStart); }
    std::size_t logStart = 0;
};
}  // namespace

TEST_F(Sim, AdapterWithOnlyLoopPortsIsFilteredAndClosed) {
    TraceCapture trace;
    const Opened opened = open(kLoop);
    const std::string text = trace.finish();

    EXPECT_EQ(opened.handle, 0u);
    EXPECT_TRUE(opened.ports.empty());
    EXPECT_EQ(opened.status, 0);
    const HBA_HANDLE handle = lastOpenedHandle("hba-loop");
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(closedHandles.count(handle), 1u);
    EXPECT_NE(text.find("FcId of the adapter port 0 for adapter 0 = 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("FcId of the adapter port 1 for adapter 0 = EF\n"), std::string::npos);
    EXPECT_NE(text.find("Filtering adapter index 0\n"), std::string::npos);
    EXPECT_EQ(text.find("switched fabric"), std::string::npos);
}

TEST_F(Sim, FabricPortsKeepTheAdapterOpenInPortOrder) {
    TraceCapture trace;
    const Opened opened = open(kFabric);
    const std::string text = trace.finish();
    const OpenAdapter owner(opened.handle);

    ASSERT_NE(opened.handle, 0u);
    EXPECT_EQ(opened.status, 0);
    // 0x000100 is the lowest fabric address; 0x0000FF is not one.
    EXPECT_EQ(texts(opened.ports), (std::vector<std::string>{"10000000C9A10001", "10000000C9A10003"}));
    EXPECT_EQ(closedHandles.count(opened.handle), 0u);
    EXPECT_NE(text.find("Enter: openOrFilterAdapter(), adapter index: 1\n"), std::string::npos) << text;
    EXPECT_NE(text.find("adapter name for adapter 1 is hba-fabric\n"), std::string::npos);
    EXPECT_NE(text.find("HBA Node WWN for adapter: 0x20000000C9A10000\n"), std::string::npos);
    EXPECT_NE(text.find("Number of ports in adapter 1 is 3\n"), std::string::npos);
    EXPECT_NE(text.find("Port 0 for adapter 1 connected  to a  switched fabric\n"), std::string::npos);
    EXPECT_NE(text.find("adapter: 1, port: 2, port wwn: 10000000C9A10003 connected to fabric\n"), std::string::npos);
    EXPECT_EQ(text.find("Port 1 for adapter 1 connected"), std::string::npos);
    EXPECT_EQ(text.find("Filtering"), std::string::npos);
}

TEST_F(Sim, FailingAdapterCallsFilterWithTheirStatus) {
    const Opened noOpen = open(kNoOpen);
    EXPECT_EQ(noOpen.handle, 0u);
    EXPECT_EQ(noOpen.status, 1);

    const Opened noName = open(kNoName);
    EXPECT_EQ(noName.handle, 0u);
    EXPECT_NE(noName.status, 0);
    EXPECT_EQ(lastOpenedHandle("hba-noname"), 0u) << "no name, no open";

    const Opened noAttributes = open(kNoAttributes);
    EXPECT_EQ(noAttributes.handle, 0u);
    EXPECT_NE(noAttributes.status, 0);
    const HBA_HANDLE opened = lastOpenedHandle("hba-noattr");
    ASSERT_NE(opened, 0u);
    EXPECT_EQ(closedHandles.count(opened), 1u);
    for (const Opened* filtered : {&noOpen, &noName, &noAttributes}) EXPECT_TRUE(filtered->ports.empty());
}

TEST_F(Sim, PortWhoseAttributesFailIsSkipped) {
    TraceCapture trace;
    const Opened opened = open(kBadPort);
    const std::string text = trace.finish();
    const OpenAdapter owner(opened.handle);

    EXPECT_NE(opened.handle, 0u);
    EXPECT_EQ(opened.status, 0) << "the status of the last port's attributes";
    EXPECT_EQ(texts(opened.ports), std::vector<std::string>{"10000000C9A60002"});
    EXPECT_NE(text.find("unable to get port attributes for port 0\n"), std::string::npos) << text;
}

TEST_F(Sim, VersionProbeKeepsV2WhereTheAdapterHasIt) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    ASSERT_FALSE(opened.ports.empty());

    EXPECT_EQ(setSendCTPassThruVersion(opened.handle, opened.ports[0]), 2);
    EXPECT_EQ(getSendCTPassThruVersion(), 2);
    const auto log = newLogLines();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(linesWith(log, "port=10000000C9A10001", "v=2", "cmd=GIEL", "result=ACC"), 1u) << log[0];
}

TEST_F(Sim, AdapterWithoutV2SelectsV1AndItsRequestsSucceed) {
    const Opened opened = open(kV1);
    const OpenAdapter owner(opened.handle);
    ASSERT_FALSE(opened.ports.empty());

    TraceCapture probeTrace;
    EXPECT_EQ(setSendCTPassThruVersion(opened.handle, opened.ports[0]), 1);
    EXPECT_NE(probeTrace.finish().find("using HBA_SendCTPassThru()...\n"), std::string::npos);
    // The probe never falls back to the older call.
    EXPECT_EQ(linesWith(newLogLines(), "v=1"), 0u);

    TraceCapture trace;
    Exchange gfn = issue(opened.handle, opened.ports[0], GFN_PREAMBLE, &kSwitch, 24);
    const std::string text = trace.finish();
    EXPECT_EQ(gfn.status, 0);
    EXPECT_STREQ(formatWwn(gfn.response.data() + 16).text, "100000000000A001");
    EXPECT_EQ(linesWith(newLogLines(), "v=1", "cmd=GFN", "result=ACC"), 1u);
    EXPECT_NE(text.find("using HBA_SendCTPassThru()\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("returned response size"), std::string::npos) << "the older call reports no size";
}

// The older call is asked at the adapter's opening only when the kernel could carry
// its requests instead (an fc_host serves the port); its answer then decides, once.
TEST_F(Sim, AnFcHostMakesTheOlderCallAskedOnceWhenTheAdapterOpens) {
    const Opened opened = open(kV1);
    const OpenAdapter owner(opened.handle);
    ASSERT_FALSE(opened.ports.empty());
    const TempDir dir;
    SysfsPaths paths;
    paths.classDir = dir.path();
    {
        const PortTransports none(opened.handle, opened.ports, paths);
        const auto log = newLogLines();
        EXPECT_EQ(linesWith(log, "v=2", "cmd=GIEL"), 1u);
        EXPECT_EQ(linesWith(log, "v=1"), 0u);
    }
    const std::string host = dir.mkdirs("fc_host/host7");
    std::string wwn = formatWwn(opened.ports[0]).text;
    std::transform(wwn.begin(), wwn.end(), wwn.begin(), [](unsigned char c) { return std::tolower(c); });
    writeFile(host + "/port_name", "0x" + wwn + "\n");

    const PortTransports transports(opened.handle, opened.ports, paths);
    EXPECT_EQ(linesWith(newLogLines(), "v=1", "cmd=GIEL", "result=ACC"), 1u);
    TraceCapture trace;
    std::uint8_t request[24];
    std::memcpy(request, GFN_PREAMBLE, 16);
    std::memcpy(request + 16, kSwitch.bytes, 8);
    std::uint8_t response[24];
    std::uint8_t reason = 0, explanation = 0;
    std::uint32_t used = 0;
    EXPECT_EQ(IssueGS3Command(transports.ports()[0], request, sizeof request, response, sizeof response, reason,
                              explanation, used),
              0);
    EXPECT_EQ(used, sizeof response) << "the older call reports no size: the whole buffer counts";
    EXPECT_NE(trace.finish().find("using HBA_SendCTPassThru()\n"), std::string::npos);
    EXPECT_EQ(linesWith(newLogLines(), "v=1", "cmd=GFN", "result=ACC"), 1u);
}

TEST_F(Sim, NoVersionChosenSendsNothing) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    resetSendCTPassThruVersion();

    TraceCapture trace;
    const Exchange gfn = issue(opened.handle, opened.ports[0], GFN_PREAMBLE, &kSwitch, 24);
    EXPECT_EQ(gfn.status, -1001);
    EXPECT_TRUE(newLogLines().empty());
    EXPECT_NE(trace.finish().find("CTPassThru version not set\n"), std::string::npos);
}

TEST_F(Sim, BuffersShorterThanAHeaderAreRefused) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    setSendCTPassThruVersion(opened.handle, opened.ports[0]);
    logStart = simLogSize();

    std::uint8_t request[24];
    std::memcpy(request, GFN_PREAMBLE, 16);
    std::uint8_t response[32];
    std::memset(response, 0xEE, sizeof response);
    std::uint8_t reason = 0xAA, explanation = 0xBB;
    EXPECT_EQ(IssueGS3Command(opened.handle, opened.ports[0], request, 24, response, 15, reason, explanation), -1001);
    EXPECT_EQ(IssueGS3Command(opened.handle, opened.ports[0], request, 8, response, 24, reason, explanation), -1001);
    EXPECT_EQ(IssueGS3Command(opened.handle, opened.ports[0], nullptr, 24, response, 24, reason, explanation), -1001);
    EXPECT_EQ(IssueGS3Command(opened.handle, opened.ports[0], request, 24, nullptr, 24, reason, explanation), -1001);
    EXPECT_TRUE(newLogLines().empty());
    EXPECT_EQ(response[0], 0xEE);
    EXPECT_EQ(request[10], 0x00) << "the request is not touched either";
    EXPECT_EQ(reason, 0xAA);
}

TEST_F(Sim, MaximumSizeWordsFollowTheResponseBuffer) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    setSendCTPassThruVersion(opened.handle, opened.ports[0]);

    const Exchange gfn = issue(opened.handle, opened.ports[0], GFN_PREAMBLE, &kSwitch, 24);
    EXPECT_EQ(gfn.status, 0);
    EXPECT_EQ(gfn.request[10], 0x00);
    EXPECT_EQ(gfn.request[11], 0x02);

    const Exchange gpl = issue(opened.handle, opened.ports[1], GPL_PREAMBLE, &kSwitch, 8212);
    EXPECT_EQ(gpl.request[10], 0x08);
    EXPECT_EQ(gpl.request[11], 0x01);

    TraceCapture trace;
    const Exchange gazs = issue(opened.handle, opened.ports[0], GAZS_PREAMBLE, nullptr, 256000);
    EXPECT_EQ(gazs.request[10], 0xF9);
    EXPECT_EQ(gazs.request[11], 0xFC);
    EXPECT_NE(trace.finish().find("responseSizeHex is \n"), std::string::npos);
}

TEST_F(Sim, LogicalBusyTwiceThenAcceptIsThreeSendsAndTwoPauses) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    setSendCTPassThruVersion(opened.handle, opened.ports[0]);
    logStart = simLogSize();

    TraceCapture trace;
    const Exchange gfn = issue(opened.handle, opened.ports[1], GFN_PREAMBLE, &kSwitch, 24);
    const std::string text = trace.finish();
    EXPECT_EQ(gfn.status, 0);
    EXPECT_STREQ(formatWwn(gfn.response.data() + 16).text, "100000000000A001");
    EXPECT_EQ(gfn.reason, 0xAA) << "left alone on success";
    EXPECT_EQ(sleeps, 2);
    EXPECT_EQ(sleptSeconds, 2u);
    const auto log = newLogLines();
    EXPECT_EQ(log.size(), 3u);
    EXPECT_EQ(linesWith(log, "port=10000000C9A10003", "cmd=GFN", "result=RJT 05 00"), 2u);
    EXPECT_EQ(linesWith(log, "port=10000000C9A10003", "cmd=GFN", "result=ACC"), 1u);
    EXPECT_EQ(countOf(text, "Got logical busy error will retry commnd\n"), 2u) << text;
}

TEST_F(Sim, LogicalBusyEveryTimeEndsAsABusyReject) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    setSendCTPassThruVersion(opened.handle, opened.ports[0]);
    logStart = simLogSize();

    TraceCapture trace;
    const Exchange gdid = issue(opened.handle, opened.ports[1], GDID_PREAMBLE, &kSwitch, 20);
    const std::string text = trace.finish();
    EXPECT_EQ(gdid.status, -1000);
    EXPECT_EQ(gdid.reason, 0x05);
    EXPECT_EQ(gdid.explanation, 0x00);
    EXPECT_EQ(sleeps, 2);
    EXPECT_EQ(linesWith(newLogLines(), "cmd=GDID", "result=RJT 05 00"), 3u);
    EXPECT_NE(text.find("reason 05 explanation 00 reason text Logical busy explanation text No additional "
                        "explanation\n"),
              std::string::npos)
        << text;
}

TEST_F(Sim, UnsupportedCommandIsRejectedWithItsTexts) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    setSendCTPassThruVersion(opened.handle, opened.ports[0]);

    std::uint8_t unknown[16];
    std::memcpy(unknown, GIEL_PREAMBLE, 16);
    unknown[9] = 0xFF;  // command 0x01FF
    TraceCapture trace;
    const Exchange rejected = issue(opened.handle, opened.ports[0], unknown, nullptr, 24);
    const std::string text = trace.finish();
    EXPECT_EQ(rejected.status, -1000);
    EXPECT_EQ(rejected.reason, 0x0B);
    EXPECT_EQ(rejected.explanation, 0x00);
    EXPECT_EQ(rejected.response[8], 0x80);
    EXPECT_EQ(rejected.response[9], 0x01) << "the reject stays in the buffer";
    EXPECT_EQ(sleeps, 0);
    EXPECT_NE(text.find("Exit IssueGS3Command() with error code = -1000 reason 0B explanation 00 reason text "
                        "Command not supported explanation text No additional explanation\n"),
              std::string::npos)
        << text;
}

TEST_F(Sim, VendorRejectCodesHaveTheirTexts) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    setSendCTPassThruVersion(opened.handle, opened.ports[0]);

    TraceCapture trace;
    const Exchange gpl = issue(opened.handle, opened.ports[0], GPL_PREAMBLE, &kSwitch, 8212);
    EXPECT_EQ(gpl.status, -1000);
    EXPECT_EQ(gpl.reason, 0xFF);
    EXPECT_EQ(gpl.explanation, 0xF3);
    EXPECT_NE(trace.finish().find("reason FF explanation F3 reason text Vendor Unique Error explanation text Data "
                                  "base empty\n"),
              std::string::npos);
}

TEST_F(Sim, FailedV2CallFallsBackToV1) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    setSendCTPassThruVersion(opened.handle, opened.ports[0]);
    logStart = simLogSize();

    TraceCapture trace;
    const Exchange gps = issue(opened.handle, opened.ports[0], GPS_PREAMBLE, &kSwitchPort, 24);
    const std::string text = trace.finish();
    EXPECT_EQ(gps.status, 0);
    const auto log = newLogLines();
    EXPECT_EQ(linesWith(log, "v=2", "cmd=GPS", "result=FAIL 1"), 1u);
    EXPECT_EQ(linesWith(log, "v=1", "cmd=GPS", "result=ACC"), 1u);
    EXPECT_NE(text.find("HBA_SendCTPassThruV2() failed, will attempt using HBA_SendCTPassThru()\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("Attempt using HBA_SendCTPassThru() completed successfully \n"), std::string::npos);
    EXPECT_EQ(text.find("returned response size"), std::string::npos);
}

TEST_F(Sim, ResponseSizeBeyondTheBufferIsCutToTheBuffer) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    setSendCTPassThruVersion(opened.handle, opened.ports[0]);

    // The raw answer holds 64 bytes; the buffer only 20.
    TraceCapture trace;
    const Exchange gmid = issue(opened.handle, opened.ports[0], GMID_PREAMBLE, &kSwitch, 20);
    const std::string text = trace.finish();
    EXPECT_EQ(gmid.status, 0);
    EXPECT_EQ(gmid.response[16], 0xAB);
    EXPECT_NE(text.find("used size 20\n"), std::string::npos) << text;
}

TEST_F(Sim, ResidualEqualToTheMaximumIsStillAnAccept) {
    const Opened opened = open(kFabric);
    const OpenAdapter owner(opened.handle);
    setSendCTPassThruVersion(opened.handle, opened.ports[0]);

    TraceCapture trace;
    const Exchange gieln = issue(opened.handle, opened.ports[0], GIELN_PREAMBLE, &kSwitch, 272);
    EXPECT_EQ(gieln.status, 0);
    EXPECT_NE(trace.finish().find("response returned is same as the maximum respone size we requested\n"),
              std::string::npos);
}

TEST_F(Sim, FailedCallWithGarbageInTheBufferIsNotSent) {
    const Opened opened = open(kV1);
    const OpenAdapter owner(opened.handle);
    ASSERT_EQ(setSendCTPassThruVersion(opened.handle, opened.ports[0]), 1);
    logStart = simLogSize();

    // First a garbage answer whose byte 13 reads as busy, then failed calls that leave it in place.
    TraceCapture trace;
    const Exchange gieil = issue(opened.handle, opened.ports[0], GIEIL_PREAMBLE, &kSwitch, 272);
    const std::string text = trace.finish();
    EXPECT_EQ(gieil.status, -1001);
    EXPECT_EQ(gieil.reason, 0xAA);
    EXPECT_EQ(gieil.explanation, 0xBB);
    EXPECT_EQ(gieil.response[0], 0xDE);
    EXPECT_EQ(sleeps, 2);
    EXPECT_EQ(linesWith(newLogLines(), "cmd=GIEIL"), 3u);
    EXPECT_NE(text.find("IssueGS3Command() CTPassThru failed, status = 1 errno "), std::string::npos) << text;
    EXPECT_NE(text.find("DE AD BE EF DE AD BE EF 77 77 77 77 77 05 00 01 C0 FF EE \n"), std::string::npos);
}

TEST_F(Sim, PortWithoutAFabricCannotSend) {
    const Opened opened = open(kNoFabric);
    const OpenAdapter owner(opened.handle);
    ASSERT_NE(opened.handle, 0u) << "its identifier passes the fabric test";
    EXPECT_EQ(setSendCTPassThruVersion(opened.handle, opened.ports[0]), 1);
    const Exchange gfn = issue(opened.handle, opened.ports[0], GFN_PREAMBLE, &kSwitch, 24);
    EXPECT_EQ(gfn.status, -1001);
    EXPECT_EQ(gfn.reason, 0xAA);
}
