// A model made servable through fcoe: names swapped where fcoe derives them otherwise, and
// models no VM can be the host of refused with the reason.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "FcoeModel.h"

using namespace fabricsim::fcf;

namespace {

std::string adapter(const std::string& name, const std::string& node, const std::string& ports) {
    return R"({"name": ")" + name + R"(", "node_wwn": ")" + node + R"(", "ports": [)" + ports + "]}";
}
std::string port(const std::string& wwn) { return R"({"wwn": ")" + wwn + R"(", "fcid": "010100", "fabric": "A"})"; }
std::string model(const std::string& adapters, const std::string& extra = "") {
    return R"({"adapters": [)" + adapters + R"(], "fabrics": {"A": {"name": "100000051E0A0001")" + extra + "}}}";
}

}  // namespace

TEST(FcoeModel, SwapsPortAndNodeNamesEverywhereTheyAppear) {
    const std::string text = model(adapter("a", "20000000C9A00001", port("10000000c9a00001")),
                                   R"(, "switches": [{"wwn": "100000051E0A0001", "type": 2, "ports": [{"wwn": "200000051E0A0001", "type": 2,
                                      "attached": [{"wwn": "10000000C9A00001", "type": 1, "node_wwn": "20000000C9A00001"}]}]}])");
    const std::string faults = R"([{"command": "GPL", "port": "10000000C9A00001", "busy": true}])";
    std::string out;
    ASSERT_EQ(fcoeModel(text, &faults, out), "");
    const auto m = nlohmann::json::parse(out);
    EXPECT_EQ(m["adapters"][0]["ports"][0]["wwn"], "20000000C9A00001");
    EXPECT_EQ(m["adapters"][0]["node_wwn"], "10000000C9A00001");
    const auto& attached = m["fabrics"]["A"]["switches"][0]["ports"][0]["attached"][0];
    EXPECT_EQ(attached["wwn"], "20000000C9A00001");
    EXPECT_EQ(attached["node_wwn"], "10000000C9A00001");
    EXPECT_EQ(m["faults"][0]["port"], "20000000C9A00001");
    EXPECT_EQ(m["fabrics"]["A"]["name"], "100000051E0A0001");
    std::string again;
    ASSERT_EQ(fcoeModel(out, nullptr, again), "");
    EXPECT_EQ(again, out) << "fcoe's own names stay";
}

TEST(FcoeModel, RefusesWhatNoVmCanBeTheHostOf) {
    struct Case { const char* what; std::string text; const char* reason; };
    const Case cases[] = {
        {"two ports of one adapter", model(adapter("a", "20000000C9A00001", port("10000000C9A00001") + "," + port("10000000C9A00003"))),
         "several ports"},
        {"a multicast MAC", model(adapter("a", "20000100C9A00001", port("10000100C9A00001"))), "multicast"},
        {"one MAC twice", model(adapter("a", "20000000C9A00001", port("10000000C9A00001")) + "," +
                                adapter("b", "20000000C9A00002", port("10010000C9A00001"))), "two ports give"},
        {"a derived name in use", model(adapter("a", "20000000C9A00009", port("10000000C9A00001")),
                                        R"(, "platforms": [{"name": "p", "nodes": ["20000000C9A00001"]}])"), "used elsewhere"},
        {"not a model", R"({"adapters": 1})", "$.adapters"},
        {"not JSON", "{", "not JSON"},
    };
    for (const Case& c : cases) {
        std::string out;
        const std::string failure = fcoeModel(c.text, nullptr, out);
        EXPECT_NE(failure.find(c.reason), std::string::npos) << c.what << ": " << failure;
    }
}
