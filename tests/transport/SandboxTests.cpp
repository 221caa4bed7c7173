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

struct Seen { std::size_t count; std::string text; };

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ",\n") + part;
    return text;
}
std::string port(const std::string& wwn, const std::string& fcid, bool fabric = true) {
    return R"({"wwn": ")" + wwn + R"(", "fcid": ")" + fcid + R"(", "fabric": )" + (fabric ? "\"A\"}" : "null}");
}
std::string adapterJson(const std::string& name, const std::vector<std::string>& ports) {
    return R"({"name": ")" + name + R"(", "node_wwn": "20000000C9A00001", "ports": [)" + joined(ports) + "]}";
}
// One fabric "A" with one switch.
std::string modelJson(const std::vector<std::string>& adapters) {
    return R"({"adapters": [)" + joined(adapters) + R"(], "fabrics": {"A": {"name": "100000000000A001",
        "switches": [{"wwn": "100000000000A001", "type": 1, "ports": []}]}}})";
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

// The SNIA library itself refuses to load without any vendor library, so initialize hands
// its status on (and logs AGT0431W); one loadable library listed is success, adapters or not.
TEST(InitializeRealLibrary, TheLoadStatusWithoutALoadableLibraryAndSuccessWithOne) {
    const TempDir dir;
    const std::string model = dir.write("model.json", modelJson({}));
    const struct { std::optional<std::string> conf; std::string summary; std::vector<std::string> seen, unseen; } cases[] = {
        {std::nullopt, "initialize=1", {"HBA_LoadLibrary failed, rc: 1", "Exit initialize(), rc: 1"}, {}},
        {"# none here\n\n#x y\n", "initialize=1", {"HBA_LoadLibrary failed, rc: 1", "Exit initialize(), rc: 1"}, {}},
        {"# simulator second\nbad /nonexistent/libbad.so\n" + fabricsimConfLine(), "initialize=0 adapters=0",
         {"could not load /nonexistent/libbad.so", "libfabricsim.so loaded successfully",
          "HBA_FreeLibrary call is successful"},
         {"unable to load HBA API libraries"}},
    };
    for (const auto& c : cases) {
        const SandboxResult result = runWithHbaConf(c.conf, {{"FABRICSIM_MODEL", model}}, [] { return initializeBody(); });
        ASSERT_TRUE(result.ran) << result.error;
        const Outcome outcome = outcomeOf(result);
        EXPECT_EQ(outcome.summary, c.summary);
        for (const std::string& part : c.seen) EXPECT_NE(outcome.trace.find(part), std::string::npos) << part;
        for (const std::string& part : c.unseen) EXPECT_EQ(outcome.trace.find(part), std::string::npos) << part;
    }
}

// An adapter without ports is filtered and the walk goes on; 4000 ports are all listed in order.
TEST(AdapterWalk, EveryPortIsListedInPortOrderAndAnAdapterWithoutPortsIsFiltered) {
    std::vector<std::string> fabricPorts, loopPorts;
    for (unsigned p = 0; p < 4000; ++p) {
        fabricPorts.push_back(port("1000000001" + hex(p, 6), "01" + hex(0x100 + p, 4)));
        loopPorts.push_back(port("1000000002" + hex(p, 6), hex(p % 0x100, 6), false));
    }
    const struct { std::vector<std::string> adapters; std::string summary; std::vector<Seen> trace; } cases[] = {
        {{adapterJson("hba-empty", {}), adapterJson("hba-one", {port("10000000C9B00001", "010100")})},
         "initialize=0 0:filtered/0/0 1:open/0/1/10000000C9B00001/10000000C9B00001/gfn=0",
         {{1, "Number of ports in adapter 0 is 0"}, {1, "Filtering adapter index 0"}}},
        {{adapterJson("hba-wide", fabricPorts), adapterJson("hba-loop", loopPorts)},
         "initialize=0 0:open/0/4000/1000000001000000/1000000001000F9F/gfn=0 1:filtered/0/0",
         {{1, "Number of ports in adapter 0 is 4000"}, {4000, "connected to fabric\n"}}},
    };
    for (const auto& c : cases) {
        const TempDir dir;
        const SandboxResult result = withSimulator(dir.write("model.json", modelJson(c.adapters)), [] { return walkBody(); });
        ASSERT_TRUE(result.ran) << result.error;
        const Outcome outcome = outcomeOf(result);
        EXPECT_EQ(outcome.summary, c.summary);
        for (const Seen& seen : c.trace) EXPECT_EQ(countOf(outcome.trace, seen.text), seen.count) << seen.text;
    }
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
    for (const Seen& seen : std::vector<Seen>{{1, "adapter name for adapter 0 is \n"},
                                              {1, "Unable to get adapter attributes for rogue-garbage, rc: 1\n"},
                                              {0, "Number of ports in adapter 1"}, {1, "unable to get port attributes for port 0\n"},
                                              {0, "FcId of the adapter port 0 for adapter 2"}})
        EXPECT_EQ(countOf(outcome.trace, seen.text), seen.count) << seen.text;
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
    // The failed answer is dumped from the buffer only: 24 bytes of garbage, no more.
    std::string garbage;
    for (int i = 0; i < 24; ++i) garbage += "5A ";
    for (const Seen& seen : std::vector<Seen>{{1, "returned response size: 100000, used size 24\n"},
                                              {1, "returned response size: 0, used size 0\n"},
                                              {1, "Attempt using HBA_SendCTPassThru() also failed \n"},
                                              {1, "CTPassThru failed, status = 1 errno "}, {1, garbage + "\n"},
                                              {0, garbage + "5A"}})
        EXPECT_EQ(countOf(outcome.trace, seen.text), seen.count) << seen.text << outcome.trace;
}
