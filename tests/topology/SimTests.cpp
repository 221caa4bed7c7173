// The probe of one port through the real SNIA library and the simulator (run
// under fabricsim-run with models/topology_sim.json): retries and their pauses,
// the timeout-entry boundaries, and output streams that fail at every byte.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "Capture.h"
#include "Count.h"
#include "FabricProbe.h"
#include "Files.h"
#include "GsBytes.h"
#include "GsTransport.h"
#include "HbaAccess.h"
#include "PlatformQueries.h"
#include "PortTransport.h"
#include "ReturnCodes.h"
#include "TempDir.h"
#include "TimeoutEntries.h"
#include "ZoneQueries.h"
#include "psclock.h"

// Array allocations of a zone set response's size fail while this is set: the
// zoning walk's buffers cannot be had, all else of the process goes on.
static bool failZoneSetBuffers = false;

void* operator new[](std::size_t size) {
    if (failZoneSetBuffers && size == kZoneSetResponseSize) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

Wwn wwnOf(const char* text) {
    Wwn wwn{};
    const Bytes bytes = fromHex(text);
    std::copy(bytes.begin(), bytes.end(), wwn.bytes);
    return wwn;
}

const Wwn kPortA = wwnOf("10000000C9B0000A");  // fabric A: switches, ports and platforms
const Wwn kPortR = wwnOf("10000000C9B0000B");  // fabric R: GIEL rejected twice
const Wwn kPortZ = wwnOf("10000000C9B0000C");  // fabric Z: GIEL always lists an all-zero WWN first
const Wwn kPortN = wwnOf("10000000C9B0000D");  // fabric N: GFN always names the all-zero WWN

HbaHandle handle = 0;
// The routes of the adapter's ports, chosen as the probe chooses them when it opens the adapter.
std::unique_ptr<PortTransports> transports;

const GsPort& gsPort(const Wwn& wwn) {
    for (const GsPort& port : transports->ports())
        if (std::memcmp(port.wwn.bytes, wwn.bytes, sizeof wwn.bytes) == 0) return port;
    throw std::invalid_argument("no such port");
}

// Pauses are counted, not waited for; the clock answers from a script when one is set.
std::vector<unsigned> pauses;
std::deque<std::time_t> clockScript;
void countPause(unsigned seconds) { pauses.push_back(seconds); }
std::time_t scriptedNow() {
    if (clockScript.empty()) return std::time(nullptr);
    std::time_t t = clockScript.front();
    clockScript.pop_front();
    return t;
}
const ClockSeam kTestClock{countPause, scriptedNow};

std::vector<std::string> simLog() {
    const char* path = std::getenv("FABRICSIM_LOG");
    return path ? readLines(path) : std::vector<std::string>{};
}

class HbaApiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (const char* log = std::getenv("FABRICSIM_LOG")) std::remove(log);
        ASSERT_EQ(0, initialize());
        std::vector<Wwn> ports;
        int status = 0;
        handle = openOrFilterAdapter(0, ports, status);
        ASSERT_NE(0u, handle);
        ASSERT_EQ(4u, ports.size());
        transports = std::make_unique<PortTransports>(handle, ports);
        ASSERT_EQ(2, getSendCTPassThruVersion());
        psSetClockSeam(&kTestClock);
    }
    void TearDown() override {
        psSetClockSeam(nullptr);
        transports.reset();
        closeAdapter(handle);
        finalize();
    }
};
[[maybe_unused]] const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new HbaApiEnvironment);

// One port's probe into memory.
struct Probe {
    int result = 0;
    int fabricFound = 0;
    std::string output;
};

Probe probe(const Wwn& port, std::vector<WwnText>& probed, const char* fabrics = "allfabrics",
            const FabricList& wanted = FabricList(), const char* command = "Topology") {
    StreamCapture stream;
    Probe p;
    RecordSink out(stream.get(), "/out/fabricprobe.dat");
    p.result = getFabricProbeInfo(gsPort(port), probeCommandOf(command), fabricSelectionOf(fabrics), out, wanted,
                                  p.fabricFound, probed);
    p.output = stream.text();
    return p;
}

class PortProbe : public ::testing::Test {
protected:
    void SetUp() override {
        pauses.clear();
        clockScript.clear();
        // Timeout entries go to the working directory.
        ASSERT_EQ(0, ::chdir(dir_.file("").c_str()));
    }
    TempDir dir_;
    std::vector<WwnText> probed_;
};

TEST_F(PortProbe, AFabricIsWrittenOnceHoweverManyPortsReachIt) {
    Probe first = probe(kPortA, probed_);
    EXPECT_EQ(0, first.result);
    EXPECT_EQ(1, first.fabricFound);
    EXPECT_EQ(0u, first.output.find("[Fabric]\n\"100000000000A000\"\n"));
    EXPECT_NE(std::string::npos, first.output.find("[Node]\n\"20000000C9B00001\",\"host17\",\"Host\",\"http://host17\",\"\",\"snmp://host17\"\n"));
    EXPECT_EQ(first.output.size() - 10, first.output.rfind("[/Fabric]\n"));

    const auto before = simLog().size();
    Probe again = probe(kPortA, probed_);
    EXPECT_EQ(0, again.result);
    EXPECT_EQ(0, again.fabricFound);
    EXPECT_EQ("", again.output);
    const std::vector<std::string> second = linesFrom(simLog(), before);
    EXPECT_EQ(1u, linesWith(second, "cmd=GIEL "));
    EXPECT_EQ(1u, linesWith(second, "cmd=GFN "));
    EXPECT_EQ(2u, second.size());
    EXPECT_TRUE(pauses.empty());
}

TEST_F(PortProbe, AFabricNotInTheListIsNotWritten) {
    TempDir input;
    FabricList wanted;
    ASSERT_EQ(0, wanted.load(input.write("in", "100000000000B000\n").c_str()));
    Probe p = probe(kPortA, probed_, "specificfabrics", wanted);
    EXPECT_EQ(0, p.result);
    EXPECT_EQ(0, p.fabricFound);
    EXPECT_EQ("", p.output);
    EXPECT_TRUE(probed_.empty());
}

TEST_F(PortProbe, ARejectedSwitchListIsAskedAgainAfterFifteenSeconds) {
    Probe p = probe(kPortR, probed_);
    EXPECT_EQ(0, p.result);
    EXPECT_EQ((std::vector<unsigned>{15, 15}), pauses);
    EXPECT_EQ(0u, p.output.find("[Fabric]\n\"100000000000B000\"\n"));
}

// After three lists holding an all-zero WWN the list is used as it stands; the
// zero WWN's GFN is rejected three times before the next switch names the fabric.
TEST_F(PortProbe, AllZeroWwnsAreRetriedAndThenTakenAsTheyStand) {
    const auto before = simLog().size();
    Probe p = probe(kPortZ, probed_);
    EXPECT_EQ(0, p.result);
    EXPECT_EQ((std::vector<unsigned>{15, 15, 15, 15}), pauses);
    const std::vector<std::string> run = linesFrom(simLog(), before);
    EXPECT_EQ(3u, linesWith(run, "cmd=GIEL "));
    EXPECT_EQ(3u, linesWith(run, "cmd=GFN", "key=0000000000000000"));
    EXPECT_EQ(1u, linesWith(run, "cmd=GFN", "key=100000000000C001"));
    EXPECT_EQ(0u, p.output.find("[Fabric]\n\"100000000000C000\"\n"
                                "[FabricToInterconnectElement]\n\"0000000000000000\",\"100000000000C000\"\n"));
}

TEST_F(PortProbe, AFabricNamedAllZerosAfterThreeAnswersIsWrittenSo) {
    Probe p = probe(kPortN, probed_);
    EXPECT_EQ(0, p.result);
    EXPECT_EQ((std::vector<unsigned>{15, 15}), pauses);
    EXPECT_EQ(0u, p.output.find("[Fabric]\n\"0000000000000000\"\n"));
}

// An output failure at any byte ends the probe with -2013 and nothing more is
// written; also in a zoning probe, whose writers hand back the stream's own failure.
TEST_F(PortProbe, AWriteFailureAtAnyByteEndsTheProbeWithMinus2013) {
    for (const char* command : {"Topology", "ZoningOnly"}) {
        SCOPED_TRACE(command);
        StreamCapture all;
        std::vector<WwnText> probed;
        int found = 0;
        RecordSink allOut(all.get(), "/out/fabricprobe.dat");
        ASSERT_EQ(0, getFabricProbeInfo(gsPort(kPortA), probeCommandOf(command), FabricSelection::All, allOut,
                                        FabricList(), found, probed));
        const std::string full = all.text();
        ASSERT_GT(full.size(), 400u);
        ASSERT_NE(std::string::npos, full.find(std::string(command) == "Topology" ? "[Node]" : "[ZoneMember]"));

        for (std::size_t capacity = 0; capacity < full.size(); ++capacity) {
            SCOPED_TRACE(capacity);
            // The stream takes writes again after the failed one: nothing more may be written.
            FailingStream stream(capacity, true);
            std::vector<WwnText> fresh;
            found = 0;
            RecordSink out(stream.get(), "/out/fabricprobe.dat");
            const int result = getFabricProbeInfo(gsPort(kPortA), probeCommandOf(command), FabricSelection::All, out,
                                                  FabricList(), found, fresh);
            ASSERT_EQ(FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE, result);
            ASSERT_EQ(full.substr(0, capacity), stream.text());
        }
    }
}

// Memory that cannot be had is no failed write: the probe ends with -2015.
TEST_F(PortProbe, ZoningWithoutMemoryForItsBuffersEndsTheProbeWithMinus2015) {
    failZoneSetBuffers = true;
    const Probe p = probe(kPortA, probed_, "allfabrics", FabricList(), "ZoningOnly");
    failZoneSetBuffers = false;
    EXPECT_EQ(FABRIC_PROBE_MEMORY_ALLOCATION_FAILURE, p.result);
    EXPECT_EQ(0u, p.output.find("[Fabric]\n"));
    EXPECT_EQ(std::string::npos, p.output.find("[Zone"));
}

// The platform's 256-byte name entry as GPNL lists it.
Bytes nameEntry(const std::string& name) { return GsBytes().counted(name, 256).bytes(); }

std::string entryFor(const char* name) {
    char key[kTimeoutKeySize];
    formatTimeoutKey(key, handle, name);
    return std::string(key) + "\n";
}

TEST_F(PortProbe, AGpltFailingAfterMoreThanSixtySecondsIsEnteredAndThenSkipped) {
    const auto entry = nameEntry("p-fail");
    std::uint32_t type = 99;
    clockScript = {1000, 1060};
    EXPECT_EQ(FAILED_GS_RESPONSE, getPlatformType(gsPort(kPortA), "p-fail", entry.data(), type));
    EXPECT_FALSE(fileExists(dir_.file(kTimeoutEntriesFile)));

    clockScript = {1000, 1061};
    EXPECT_EQ(FAILED_GS_RESPONSE, getPlatformType(gsPort(kPortA), "p-fail", entry.data(), type));
    EXPECT_EQ(entryFor("p-fail"), dir_.read(kTimeoutEntriesFile));
    EXPECT_EQ(99u, type);

    const auto before = simLog().size();
    clockScript = {1000, 2000};
    EXPECT_EQ(kPlatformTypeSkipped, getPlatformType(gsPort(kPortA), "p-fail", entry.data(), type));
    EXPECT_EQ(before, simLog().size());
    EXPECT_EQ(entryFor("p-fail"), dir_.read(kTimeoutEntriesFile));
    EXPECT_EQ(2u, clockScript.size());  // no request, no clock
}

TEST_F(PortProbe, ASlowGpltThatSucceedsIsNoTimeout) {
    const auto entry = nameEntry("p-ok");
    std::uint32_t type = 0;
    clockScript = {1000, 1090};
    EXPECT_EQ(0, getPlatformType(gsPort(kPortA), "p-ok", entry.data(), type));
    EXPECT_EQ(9u, type);
    EXPECT_FALSE(fileExists(dir_.file(kTimeoutEntriesFile)));
}

TEST_F(PortProbe, OnlyAnEntryForThisHandleAndNameSkipsGplt) {
    const auto entry = nameEntry("p-ok");
    char other[kTimeoutKeySize];
    formatTimeoutKey(other, handle + 1, "p-ok");
    dir_.write(kTimeoutEntriesFile, std::string(other) + "\n\n" + entryFor("p-o") + entryFor("p-ok ") +
                                        entryFor("p-okx"));
    std::uint32_t type = 0;
    EXPECT_EQ(0, getPlatformType(gsPort(kPortA), "p-ok", entry.data(), type));
    EXPECT_EQ(9u, type);
}

}  // namespace
