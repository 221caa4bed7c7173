// Loading the HBA API and walking adapters through the real SNIA library, each
// case in a child that sees its own /etc/hba.conf (and, where listed, the staged
// simulator with a model the test writes).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "GsPreambles.h"
#include "GsTransport.h"
#include "HbaAccess.h"
#include "HbaConfSandbox.h"
#include "Count.h"
#include "Files.h"
#include "TempDir.h"
#include "TraceCapture.h"

namespace {
const std::string kTraceMark = "\n--trace--\n";

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

struct Port {
    std::string wwn, fcid;
    bool fabric = true;
};

std::string portsJson(const std::vector<Port>& ports) {
    std::string json;
    for (const Port& port : ports) {
        if (!json.empty()) json += ",\n";
        json += R"({ "wwn": ")" + port.wwn + R"(", "fcid": ")" + port.fcid + R"(", "fabric": )" +
                (port.fabric ? "\"A\"" : "null") + " }";
    }
    return json;
}

// One fabric "A" with one switch; the adapters are given as JSON objects.
std::string modelJson(const std::vector<std::string>& adapters) {
    std::string json = "{ \"adapters\": [\n";
    for (std::size_t i = 0; i < adapters.size(); ++i) json += (i ? ",\n" : "") + adapters[i];
    json += R"(
], "fabrics": { "A": { "name": "100000000000A001", "switches": [
  { "wwn": "100000000000A001", "type": 1, "domain": 1, "logical_name": "core-1", "mgmt_id": "FFFC01",
    "ports": [] } ] } },
  "faults": [] })";
    return json;
}

std::string adapterJson(const std::string& name, const std::vector<Port>& ports) {
    return R"({ "name": ")" + name + R"(", "node_wwn": "20000000C9A00001", "ct_v2": true, "fail": null, "ports": [
)" + portsJson(ports) + "] }";
}

// Splits "summary --trace-- trace" as the bodies below return it.
struct Outcome {
    std::string summary, trace;
};
Outcome outcomeOf(const SandboxResult& result) {
    const auto mark = result.text.find(kTraceMark);
    if (mark == std::string::npos) return {result.text, ""};
    return {result.text.substr(0, mark), result.text.substr(mark + kTraceMark.size())};
}

// initialize(), and on success the adapter count and finalize().
std::string initializeBody() {
    TraceCapture trace;
    std::ostringstream out;
    const int status = initialize();
    out << "initialize=" << status;
    if (status == 0) {
        out << " adapters=" << getNumberOfAdapters();
        finalize();
    }
    return out.str() + kTraceMark + trace.finish();
}

// Opens every adapter in turn: "index:handle?/status/wwn,wwn" per adapter.
std::string walkBody() {
    TraceCapture trace;
    std::ostringstream out;
    HbaApiSession session;
    out << "initialize=" << session.status();
    if (session.status() == 0) {
        const int count = getNumberOfAdapters();
        for (int index = 0; index < count; ++index) {
            std::vector<Wwn> ports;
            int status = -99;
            OpenAdapter adapter(openOrFilterAdapter(index, ports, status));
            out << " " << index << ":" << (adapter.get() != 0 ? "open" : "filtered") << "/" << status << "/"
                << ports.size();
            if (!ports.empty()) out << "/" << formatWwn(ports.front()).text << "/" << formatWwn(ports.back()).text;
            if (adapter.get() != 0 && !ports.empty()) {
                // The last listed port still carries requests.
                setSendCTPassThruVersion(adapter.get(), ports.front());
                std::uint8_t request[24], response[24];
                std::memcpy(request, GFN_PREAMBLE, 16);
                const std::uint8_t sw[8] = {0x10, 0, 0, 0, 0, 0, 0xA0, 0x01};
                std::memcpy(request + 16, sw, 8);
                std::uint8_t reason = 0, explanation = 0;
                out << "/gfn=" << IssueGS3Command(adapter.get(), ports.back(), request, 24, response, 24, reason,
                                                  explanation);
            }
        }
    }
    return out.str() + kTraceMark + trace.finish();
}

SandboxResult withSimulator(const std::string& modelPath, const std::function<std::string()>& body) {
    return runWithHbaConf(fabricsimConfLine(), {{"FABRICSIM_MODEL", modelPath}}, body);
}
}  // namespace

TEST(InitializeRealLibrary, MissingOrCommentOnlyConfigurationReturnsTheLoadStatus) {
    // The SNIA library itself refuses to load without any vendor library, so
    // initialize hands its status on (and logs AGT0431W).
    for (const auto& conf : {std::optional<std::string>{}, std::optional<std::string>{"# none here\n\n#x y\n"}}) {
        const SandboxResult result = runWithHbaConf(conf, {}, [] { return initializeBody(); });
        ASSERT_TRUE(result.ran) << result.error;
        const Outcome outcome = outcomeOf(result);
        EXPECT_EQ(outcome.summary, "initialize=1");
        EXPECT_NE(outcome.trace.find("HBA_LoadLibrary failed, rc: 1"), std::string::npos) << outcome.trace;
        EXPECT_NE(outcome.trace.find("Exit initialize(), rc: 1"), std::string::npos);
    }
}

TEST(InitializeRealLibrary, ZeroAdaptersWithALoadableListedLibraryIsSuccess) {
    const TempDir dir;
    const std::string model = dir.write("model.json", modelJson({}));
    const SandboxResult result =
        runWithHbaConf("# simulator second\nbad /nonexistent/libbad.so\n" + fabricsimConfLine(),
                       {{"FABRICSIM_MODEL", model}}, [] { return initializeBody(); });
    ASSERT_TRUE(result.ran) << result.error;
    const Outcome outcome = outcomeOf(result);
    EXPECT_EQ(outcome.summary, "initialize=0 adapters=0");
    // No adapter: hba.conf was read, the bad line tried, and the simulator loaded.
    EXPECT_NE(outcome.trace.find("could not load /nonexistent/libbad.so"), std::string::npos) << outcome.trace;
    EXPECT_NE(outcome.trace.find("libfabricsim.so loaded successfully"), std::string::npos);
    EXPECT_EQ(outcome.trace.find("unable to load HBA API libraries"), std::string::npos);
    EXPECT_NE(outcome.trace.find("HBA_FreeLibrary call is successful"), std::string::npos);
}

TEST(AdapterWalk, ZeroPortsIsFilteredAndTheRunGoesOn) {
    const TempDir dir;
    const std::string model =
        dir.write("model.json",
                  modelJson({adapterJson("hba-empty", {}), adapterJson("hba-one", {{"10000000C9B00001", "010100"}})}));
    const SandboxResult result = withSimulator(model, [] { return walkBody(); });
    ASSERT_TRUE(result.ran) << result.error;
    const Outcome outcome = outcomeOf(result);
    EXPECT_EQ(outcome.summary,
              "initialize=0 0:filtered/0/0 1:open/0/1/10000000C9B00001/10000000C9B00001/gfn=0");
    EXPECT_NE(outcome.trace.find("Number of ports in adapter 0 is 0"), std::string::npos) << outcome.trace;
    EXPECT_NE(outcome.trace.find("Filtering adapter index 0"), std::string::npos);
}

TEST(AdapterWalk, FourThousandPortsAreAllListedInPortOrder) {
    std::vector<Port> fabricPorts, loopPorts;
    for (unsigned p = 0; p < 4000; ++p) {
        fabricPorts.push_back({"1000000001" + hex(p, 6), "01" + hex(0x100 + p, 4)});
        loopPorts.push_back({"1000000002" + hex(p, 6), hex(p % 0x100, 6), false});
    }
    const TempDir dir;
    const std::string model =
        dir.write("model.json", modelJson({adapterJson("hba-wide", fabricPorts), adapterJson("hba-loop", loopPorts)}));
    const SandboxResult result = withSimulator(model, [] { return walkBody(); });
    ASSERT_TRUE(result.ran) << result.error;
    const Outcome outcome = outcomeOf(result);
    EXPECT_EQ(outcome.summary,
              "initialize=0 0:open/0/4000/1000000001000000/1000000001000F9F/gfn=0 1:filtered/0/0");
    EXPECT_NE(outcome.trace.find("Number of ports in adapter 0 is 4000"), std::string::npos);
    EXPECT_EQ(countOf(outcome.trace, "connected to fabric\n"), 4000u);
}

TEST(RogueVendor, EmptyNameAndGarbageFromFailedCallsAreHandled) {
    const SandboxResult result = runWithHbaConf("rogue " TRANSPORT_ROGUE_VENDOR "\n", {}, [] { return walkBody(); });
    ASSERT_TRUE(result.ran) << result.error;
    const Outcome outcome = outcomeOf(result);
    // Adapter 0 has an empty name and still opens; adapter 1's attributes fail after
    // claiming 0xFFFFFFFF ports, so no port is read; adapter 2's port 0 fails with garbage.
    EXPECT_EQ(outcome.summary,
              "initialize=0 0:open/0/1/1000000000000100/1000000000000100/gfn=0 1:filtered/1/0 "
              "2:open/0/2/1000000000000301/1000000000000302/gfn=0")
        << outcome.trace;
    EXPECT_NE(outcome.trace.find("adapter name for adapter 0 is \n"), std::string::npos);
    EXPECT_NE(outcome.trace.find("Unable to get adapter attributes for rogue-garbage, rc: 1\n"), std::string::npos);
    EXPECT_EQ(outcome.trace.find("Number of ports in adapter 1"), std::string::npos);
    EXPECT_NE(outcome.trace.find("unable to get port attributes for port 0\n"), std::string::npos);
    EXPECT_EQ(outcome.trace.find("FcId of the adapter port 0 for adapter 2"), std::string::npos);
}

TEST(RogueVendor, ResponseSizesOutsideTheBufferAndFailedCallsWithGarbage) {
    const SandboxResult result = runWithHbaConf("rogue " TRANSPORT_ROGUE_VENDOR "\n", {}, [] {
        TraceCapture trace;
        std::ostringstream out;
        HbaApiSession session;
        std::vector<Wwn> ports;
        int status = 0;
        OpenAdapter adapter(openOrFilterAdapter(0, ports, status));
        if (adapter.get() == 0 || ports.empty()) return std::string("adapter 0 did not open");
        out << "version=" << setSendCTPassThruVersion(adapter.get(), ports[0]);

        const std::uint8_t sw[8] = {0x10, 0, 0, 0, 0, 0, 0xA0, 0x01};
        for (const std::uint8_t* preamble : {GFN_PREAMBLE, GDID_PREAMBLE, GIELN_PREAMBLE}) {
            // Guard bytes after the buffer show that nothing is written past it.
            std::uint8_t request[24], response[24 + 8];
            std::memcpy(request, preamble, 16);
            std::memcpy(request + 16, sw, 8);
            std::memset(response, 0xEE, sizeof response);
            std::uint8_t reason = 0xAA, explanation = 0xBB;
            const int rc = IssueGS3Command(adapter.get(), ports[0], request, 24, response, 24, reason, explanation);
            out << " " << rc << "/" << std::hex << int(reason) << int(explanation) << std::dec;
            for (int i = 24; i < 32; ++i)
                if (response[i] != 0xEE) out << "!overwritten";
        }
        return out.str() + kTraceMark + trace.finish();
    });
    ASSERT_TRUE(result.ran) << result.error;
    const Outcome outcome = outcomeOf(result);
    EXPECT_EQ(outcome.summary, "version=2 0/aabb -1001/aabb 0/aabb") << outcome.trace;
    EXPECT_NE(outcome.trace.find("returned response size: 100000, used size 24\n"), std::string::npos)
        << outcome.trace;
    EXPECT_NE(outcome.trace.find("returned response size: 0, used size 0\n"), std::string::npos);
    EXPECT_NE(outcome.trace.find("Attempt using HBA_SendCTPassThru() also failed \n"), std::string::npos);
    EXPECT_NE(outcome.trace.find("CTPassThru failed, status = 1 errno "), std::string::npos);
    // The failed answer is dumped from the buffer only: 24 bytes of garbage, no more.
    EXPECT_NE(outcome.trace.find("5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A \n"),
              std::string::npos);
    EXPECT_EQ(outcome.trace.find("5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A"),
              std::string::npos);
}
