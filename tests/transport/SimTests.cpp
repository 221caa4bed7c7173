// Adapter enumeration and the CT pass-through transport through the real SNIA
// library and the simulator (run under fabricsim-run with models/transport.json).
#include <gtest/gtest.h>

#include <ctime>  // hbaapi.h uses struct tm without declaring it
#include <hbaapi.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "Count.h"
#include "Files.h"
#include "GsBytes.h"
#include "GsPreambles.h"
#include "GsTransport.h"
#include "HbaAccess.h"
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

HBA_HANDLE lastOpenedHandle(const std::string& name) {
    for (auto it = openedHandles.rbegin(); it != openedHandles.rend(); ++it)
        if (it->first == name) return it->second;
    return 0;
}

// A text the trace holds exactly `count` times (0: never).
struct Seen { std::size_t count; std::string text; };
void expectTrace(const std::string& trace, const std::vector<Seen>& expected) {
    for (const Seen& seen : expected) EXPECT_EQ(countOf(trace, seen.text), seen.count) << seen.text << "\n" << trace;
}

// Each adapter opened, sleeps counted and the simulator's calls since the test began,
// shortened to "v=2 GFN RJT 05 00".
class Sim : public ::testing::Test {
protected:
    void SetUp() override { mark(); }
    void mark() {
        sleeps = 0;
        sleptSeconds = 0;
        logStart = readLines(simLogPath()).size();
    }
    // Closes the adapter opened before; closedHandles then holds what this open closed.
    void open(int index) {
        owner.reset();
        closedHandles.clear();
        ports.clear();
        handle = openOrFilterAdapter(index, ports, status);
        owner = std::make_unique<OpenAdapter>(handle);
    }
    std::vector<std::string> calls() const {
        static const std::regex call(".* (v=[12]) cmd=([^ ]+) key=[^ ]+ result=(.*)");
        std::vector<std::string> out;
        for (const std::string& line : linesFrom(readLines(simLogPath()), logStart))
            out.push_back(std::regex_replace(line, call, "$1 $2 $3"));
        return out;
    }
    HbaHandle handle = 0;
    std::vector<Wwn> ports;
    int status = -99;
    std::unique_ptr<OpenAdapter> owner;
    std::size_t logStart = 0;
};

std::vector<std::string> texts(const std::vector<Wwn>& wwns) {
    std::vector<std::string> out;
    for (const Wwn& wwn : wwns) out.push_back(formatWwn(wwn).text);
    return out;
}
}  // namespace

// Adapters are kept open with their fabric ports in port order, or filtered with the status of
// the call that failed; an adapter that was opened and filtered is closed again.
TEST_F(Sim, AdaptersAreKeptWithTheirFabricPortsOrFilteredAndClosed) {
    enum Opened { Never, Closed, Kept };
    const struct { int adapter; const char* name; Opened opened; int status; std::vector<std::string> ports;
                   std::vector<Seen> trace; } cases[] = {
        {kLoop, "hba-loop", Closed, 0, {},
         {{1, "FcId of the adapter port 0 for adapter 0 = 0\n"}, {1, "FcId of the adapter port 1 for adapter 0 = EF\n"},
          {1, "Filtering adapter index 0\n"}, {0, "switched fabric"}}},
        // 0x000100 is the lowest fabric address; 0x0000FF is not one.
        {kFabric, "hba-fabric", Kept, 0, {"10000000C9A10001", "10000000C9A10003"},
         {{1, "Enter: openOrFilterAdapter(), adapter index: 1\n"}, {1, "adapter name for adapter 1 is hba-fabric\n"},
          {1, "HBA Node WWN for adapter: 0x20000000C9A10000\n"}, {1, "Number of ports in adapter 1 is 3\n"},
          {1, "Port 0 for adapter 1 connected  to a  switched fabric\n"},
          {1, "adapter: 1, port: 2, port wwn: 10000000C9A10003 connected to fabric\n"},
          {0, "Port 1 for adapter 1 connected"}, {0, "Filtering"}}},
        {kNoOpen, "hba-noopen", Never, 1, {}, {}},
        {kNoName, "hba-noname", Never, 1, {}, {}},
        {kNoAttributes, "hba-noattr", Closed, 1, {}, {}},
        // The status is the last port's attributes'.
        {kBadPort, "hba-badport", Kept, 0, {"10000000C9A60002"}, {{1, "unable to get port attributes for port 0\n"}}},
    };
    for (const auto& c : cases)
        for (const bool traced : {true, false}) {  // what is found never depends on the trace
            SCOPED_TRACE(std::string(c.name) + (traced ? " traced" : " untraced"));
            TraceCapture trace(traced);
            open(c.adapter);
            if (traced) expectTrace(trace.finish(), c.trace);
            EXPECT_EQ(handle != 0, c.opened == Kept);
            EXPECT_EQ(status, c.status);
            EXPECT_EQ(texts(ports), c.ports);
            const HBA_HANDLE opened = c.opened == Kept ? handle : lastOpenedHandle(c.name);
            EXPECT_EQ(opened != 0, c.opened != Never);
            EXPECT_EQ(closedHandles.count(opened), c.opened == Closed ? 1u : 0u);
        }
}

// The version probe keeps V2 where the adapter has it, else takes V1 without ever
// sending the probe through the older call.
TEST_F(Sim, TheVersionProbeChoosesTheNewestCallTheAdapterHas) {
    struct Case { int adapter; int version; std::vector<std::string> calls; const char* trace; };
    const Case cases[] = {
        {kFabric, 2, {"v=2 GIEL ACC"}, "using HBA_SendCTPassThruV2()...\n"},
        {kV1, 1, {"v=2 GIEL FAIL 2"}, "using HBA_SendCTPassThru()...\n"},
        {kNoFabric, 1, {"v=2 GIEL FAIL 1"}, "using HBA_SendCTPassThru()...\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.adapter);
        open(c.adapter);
        mark();
        TraceCapture trace;
        EXPECT_EQ(setSendCTPassThruVersion(handle, ports.at(0)), c.version);
        EXPECT_EQ(getSendCTPassThruVersion(), c.version);
        EXPECT_EQ(countOf(trace.finish(), c.trace), 1u);
        EXPECT_EQ(calls(), c.calls);
    }
}

// One request through IssueGS3Command after the version probe: what the caller gets, the
// pauses, the calls the simulator saw and the trace (the faults are models/transport.json's).
TEST_F(Sim, EachAnswerReachesTheCallerAsTheHbaLibraryGaveIt) {
    constexpr int kNoVersion = 0;
    // version: the version probe's outcome, or kNoVersion after a reset; code: replaces the preamble's
    // command code when not 0; maxWords: what bytes 10-11 of the request must say; reason and
    // explanation 0xAA/0xBB: left alone; the answer's bytes from `at` begin with `answer`; the
    // pauses are a second each.
    struct Case { const char* what; int adapter; int version; std::size_t port; const std::uint8_t* preamble;
                  std::uint8_t code; const Wwn* key; std::uint32_t size; std::uint16_t maxWords; int status;
                  std::uint8_t reason, explanation; std::size_t at; const char* answer; int sleeps;
                  std::vector<std::string> calls; std::vector<Seen> trace; };
    const std::string busy = "v=2 GFN RJT 05 00", gdidBusy = "v=2 GDID RJT 05 00";
    const Case cases[] = {
        {"accepted", kFabric, 2, 0, GFN_PREAMBLE, 0, &kSwitch, 24, 0x0002, 0, 0xAA, 0xBB, 16, "100000000000A001", 0,
         {"v=2 GFN ACC"}, {{1, "used size 24\n"}}},
        {"older call", kV1, 1, 0, GFN_PREAMBLE, 0, &kSwitch, 24, 0x0002, 0, 0xAA, 0xBB, 16, "100000000000A001", 0,
         {"v=1 GFN ACC"}, {{1, "using HBA_SendCTPassThru()\n"}, {0, "returned response size"}}},
        {"no version chosen", kFabric, kNoVersion, 0, GFN_PREAMBLE, 0, &kSwitch, 24, 0, -1001, 0xAA, 0xBB, 0, "CCCC",
         0, {}, {{1, "CTPassThru version not set\n"}}},
        {"no fabric", kNoFabric, 1, 0, GFN_PREAMBLE, 0, &kSwitch, 24, 0x0002, -1001, 0xAA, 0xBB, 0, "", 0,
         {"v=1 GFN FAIL 1"}, {}},
        {"a large buffer", kFabric, 2, 1, GPL_PREAMBLE, 0, &kSwitch, 8212, 0x0801, 0, 0xAA, 0xBB, 16, "00000001", 0,
         {"v=2 GPL ACC"}, {}},
        {"the largest buffer", kFabric, 2, 0, GAZS_PREAMBLE, 0, nullptr, 256000, 0xF9FC, -1000, 0x09, 0x00, 8, "8001",
         0, {"v=2 GAZS RJT 09 00"}, {{1, "responseSizeHex is \n"}}},
        {"busy twice", kFabric, 2, 1, GFN_PREAMBLE, 0, &kSwitch, 24, 0x0002, 0, 0xAA, 0xBB, 16, "100000000000A001", 2,
         {busy, busy, "v=2 GFN ACC"}, {{2, "Got logical busy error will retry commnd\n"}}},
        {"busy every time", kFabric, 2, 1, GDID_PREAMBLE, 0, &kSwitch, 20, 0x0001, -1000, 0x05, 0x00, 8, "8001", 2,
         {gdidBusy, gdidBusy, gdidBusy},
         {{1, "reason 05 explanation 00 reason text Logical busy explanation text No additional explanation\n"}}},
        {"unknown command", kFabric, 2, 0, GIEL_PREAMBLE, 0xFF, nullptr, 24, 0x0002, -1000, 0x0B, 0x00, 8, "8001", 0,
         {"v=2 FA/01/01FF RJT 0B 00"},
         {{1, "Exit IssueGS3Command() with error code = -1000 reason 0B explanation 00 reason text Command not "
               "supported explanation text No additional explanation\n"}}},
        {"vendor reject", kFabric, 2, 0, GPL_PREAMBLE, 0, &kSwitch, 8212, 0x0801, -1000, 0xFF, 0xF3, 8, "8001", 0,
         {"v=2 GPL RJT FF F3"},
         {{1, "reason FF explanation F3 reason text Vendor Unique Error explanation text Data base empty\n"}}},
        {"V2 fails, V1 answers", kFabric, 2, 0, GPS_PREAMBLE, 0, &kSwitchPort, 24, 0x0002, 0, 0xAA, 0xBB, 8, "8002",
         0, {"v=2 GPS FAIL 1", "v=1 GPS ACC"},
         {{1, "HBA_SendCTPassThruV2() failed, will attempt using HBA_SendCTPassThru()\n"},
          {1, "Attempt using HBA_SendCTPassThru() completed successfully \n"}, {0, "returned response size"}}},
        // The raw answer holds 64 bytes; the buffer only 20.
        {"longer than the buffer", kFabric, 2, 0, GMID_PREAMBLE, 0, &kSwitch, 20, 0x0001, 0, 0xAA, 0xBB, 16, "AB", 0,
         {"v=2 GMID RAW"}, {{1, "used size 20\n"}}},
        {"residual of the whole maximum", kFabric, 2, 0, GIELN_PREAMBLE, 0, &kSwitch, 272, 0x0040, 0, 0xAA, 0xBB, 10,
         "0040", 0, {"v=2 GIELN RAW"},
         {{1, "response returned is same as the maximum respone size we requested\n"}}},
        // A garbage answer whose byte 13 reads as busy, then failed calls that leave it in place.
        {"failed with garbage", kV1, 1, 0, GIEIL_PREAMBLE, 0, &kSwitch, 272, 0x0040, -1001, 0xAA, 0xBB, 0,
         "DEADBEEF", 2, {"v=1 GIEIL RAW", "v=1 GIEIL FAIL 1", "v=1 GIEIL FAIL 1"},
         {{1, "IssueGS3Command() CTPassThru failed, status = 1 errno "},
          {1, "DE AD BE EF DE AD BE EF 77 77 77 77 77 05 00 01 C0 FF EE \n"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open(c.adapter);
        ASSERT_EQ(setSendCTPassThruVersion(handle, ports.at(0)), c.version ? c.version : 2);
        if (c.version == kNoVersion) resetSendCTPassThruVersion();
        mark();
        Bytes request(c.preamble, c.preamble + 16);
        if (c.code != 0) request[9] = c.code;
        if (c.key) request.insert(request.end(), c.key->bytes, c.key->bytes + 8);
        Bytes response(c.size, 0xCC);
        std::uint8_t reason = 0xAA, explanation = 0xBB;
        TraceCapture trace;
        EXPECT_EQ(IssueGS3Command(handle, ports.at(c.port), request.data(), static_cast<std::uint32_t>(request.size()),
                                  response.data(), c.size, reason, explanation),
                  c.status);
        expectTrace(trace.finish(), c.trace);
        EXPECT_EQ(be16At(request, 10), c.maxWords);
        EXPECT_EQ(reason, c.reason);
        EXPECT_EQ(explanation, c.explanation);
        EXPECT_EQ(toHex(response).substr(2 * c.at, std::strlen(c.answer)), c.answer);
        EXPECT_EQ(sleeps, c.sleeps);
        EXPECT_EQ(sleptSeconds, static_cast<unsigned>(c.sleeps)) << "a second each";
        EXPECT_EQ(calls(), c.calls);
    }
}

TEST_F(Sim, BuffersShorterThanAHeaderAreRefusedUntouched) {
    open(kFabric);
    setSendCTPassThruVersion(handle, ports[0]);
    mark();
    std::uint8_t request[24] = {};
    std::memcpy(request, GFN_PREAMBLE, 16);
    std::uint8_t response[32];
    std::memset(response, 0xEE, sizeof response);
    std::uint8_t reason = 0xAA, explanation = 0xBB;
    EXPECT_EQ(IssueGS3Command(handle, ports[0], request, 24, response, 15, reason, explanation), -1001);
    EXPECT_EQ(IssueGS3Command(handle, ports[0], request, 8, response, 24, reason, explanation), -1001);
    EXPECT_EQ(IssueGS3Command(handle, ports[0], nullptr, 24, response, 24, reason, explanation), -1001);
    EXPECT_EQ(IssueGS3Command(handle, ports[0], request, 24, nullptr, 24, reason, explanation), -1001);
    EXPECT_TRUE(calls().empty());
    EXPECT_EQ(response[0], 0xEE);
    EXPECT_EQ(request[10], 0x00) << "the request is not touched either";
    EXPECT_EQ(reason, 0xAA);
}

// The older call is asked at the adapter's opening only when the kernel could carry
// its requests instead (an fc_host serves the port); its answer then decides, once.
TEST_F(Sim, AnFcHostMakesTheOlderCallAskedOnceWhenTheAdapterOpens) {
    open(kV1);
    const TempDir dir;
    SysfsPaths paths;
    paths.classDir = dir.path();
    mark();
    { const PortTransports none(handle, ports, paths); }
    EXPECT_EQ(calls(), std::vector<std::string>{"v=2 GIEL FAIL 2"});

    std::string wwn = formatWwn(ports[0]).text;
    std::transform(wwn.begin(), wwn.end(), wwn.begin(), [](unsigned char c) { return std::tolower(c); });
    writeFile(dir.mkdirs("fc_host/host7") + "/port_name", "0x" + wwn + "\n");
    mark();
    const PortTransports transports(handle, ports, paths);
    Bytes request(GFN_PREAMBLE, GFN_PREAMBLE + 16);
    request.insert(request.end(), kSwitch.bytes, kSwitch.bytes + 8);
    std::uint8_t response[24];
    std::uint8_t reason = 0, explanation = 0;
    std::uint32_t used = 0;
    TraceCapture trace;
    EXPECT_EQ(IssueGS3Command(transports.ports()[0], request.data(), 24, response, sizeof response, reason, explanation,
                              used),
              0);
    EXPECT_EQ(used, sizeof response) << "the older call reports no size: the whole buffer counts";
    EXPECT_EQ(countOf(trace.finish(), "using HBA_SendCTPassThru()\n"), 1u);
    EXPECT_EQ(calls(), (std::vector<std::string>{"v=2 GIEL FAIL 2", "v=1 GIEL ACC", "v=1 GFN ACC"}));
}
