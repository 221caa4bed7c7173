// Model files: what is accepted, and for a bad one the JSON path and reason of the first bad value.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "Files.h"
#include "ModelLoader.h"
#include "SimHarness.h"

using fabricsim::Model;
using fabricsim::ModelError;
using nlohmann::json;

namespace {

ModelError rejectedText(const std::string& text) {
    Model model;
    ModelError error;
    EXPECT_FALSE(fabricsim::parseModel(text, model, error)) << text.substr(0, 200);
    return error;
}

ModelError rejected(const json& document) { return rejectedText(document.dump()); }

json minimal() {
    return json::parse(R"({
      "adapters": [ { "name": "a", "node_wwn": "2000000000000001",
                      "ports": [ { "wwn": "1000000000000001", "fcid": "010100", "fabric": "F" } ] } ],
      "fabrics": { "F": { "name": "1000000000000F01",
        "switches": [ { "wwn": "1000000000000F01", "type": 1,
          "ports": [ { "wwn": "2000000000000F01", "type": "0x81", "attached": [ { "wwn": "1000000000000001", "type": 1 } ] } ] } ],
        "platforms": [ { "name": "p" } ],
        "zoning": { "full_db": true, "active": { "name": "z", "zones": [ { "name": "zz", "members": [ { "type": 1, "id": "01" } ] } ] } } } },
      "faults": [ { "command": "GIEL" } ] })");
}

}  // namespace

TEST(ModelLoader, AcceptsTheExamplesAndTheEmptyModel) {
    Model model;
    ModelError error;
    EXPECT_TRUE(fabricsim::loadModelFile(sourcePath("examples/san.json"), model, error))
        << error.path << ": " << error.reason;
    EXPECT_EQ(model.adapters.size(), 2u);
    EXPECT_EQ(model.fabrics.size(), 2u);
    EXPECT_TRUE(fabricsim::loadModelFile(fstest::modelPath("full.json"), model, error)) << error.path << ": " << error.reason;
    EXPECT_TRUE(fabricsim::parseModel("{}", model, error));
    EXPECT_TRUE(model.adapters.empty());
    EXPECT_TRUE(fabricsim::parseModel(minimal().dump(), model, error)) << error.path << ": " << error.reason;
}

TEST(ModelLoader, ReadsNumbersInDecimalOrHexAndPadsMemberIds) {
    json doc = minimal();
    doc["fabrics"]["F"]["switches"][0]["domain"] = "0x1F";
    doc["fabrics"]["F"]["switches"][0]["ports"][0]["physical"] = "4294967295";
    doc["fabrics"]["F"]["platforms"][0]["type"] = "0XA";
    doc["faults"][0] = {{"command", "GIEL"}, {"busy", false}, {"raw", "00"}};  // busy false is no answer
    Model model;
    ModelError error;
    ASSERT_TRUE(fabricsim::parseModel(doc.dump(), model, error)) << error.path << ": " << error.reason;
    const auto& sw = model.fabrics[0].switches->at(0);
    EXPECT_EQ(*sw.domain, 0x1F);
    EXPECT_EQ(*sw.ports->at(0).physical, 0xFFFFFFFFu);
    EXPECT_EQ(sw.ports->at(0).type, 0x81);
    EXPECT_EQ(*model.fabrics[0].platforms->at(0).type, 10u);
    EXPECT_FALSE(sw.logicalName.has_value()) << "absent means rejected, not empty";
    const auto& member = model.fabrics[0].zoning->active->zones[0].members[0];
    EXPECT_EQ(toHex(member.id), "0100000000000000");
    EXPECT_EQ(model.adapters[0].ports[0].fabric, std::optional<std::size_t>(0));
}

TEST(ModelLoader, NamesThePathAndReasonOfTheFirstBadValue) {
    // The JSON pointer to change, its new value, the path and reason told.
    const struct { const char* pointer; json value; const char* path; const char* reason; } cases[] = {
        {"/adapters/0/node_wwn", "123", "$.adapters[0].node_wwn", "not a WWN (16 hexadecimal digits)"},
        {"/adapters/0/node_wwn", "20000000000000011", "$.adapters[0].node_wwn", "not a WWN"},
        {"/adapters/0/node_wwn", "200000000000000G", "$.adapters[0].node_wwn", "not a WWN"},
        {"/adapters/0/node_wwn", 12, "$.adapters[0].node_wwn", "not a WWN"},
        {"/adapters/0/ports/0/fcid", "1234567", "$.adapters[0].ports[0].fcid", "not an FCID"},
        {"/adapters/0/ports/0/fabric", "Z", "$.adapters[0].ports[0].fabric", "no such fabric"},
        {"/adapters/0/fail", "close", "$.adapters[0].fail", "not one of"},
        {"/adapters/0/ct_v2", "yes", "$.adapters[0].ct_v2", "expected true or false"},
        {"/adapters/0/name", "", "$.adapters[0].name", "empty"},
        {"/adapters/0/ports", json::object(), "$.adapters[0].ports", "expected an array, found an object"},
        {"/adapters/0/speed", 4, "$.adapters[0].speed", "unknown field"},
        {"/fabrics/F/switches/0/type", 256, "$.fabrics.F.switches[0].type", "out of range (0 to 255)"},
        {"/fabrics/F/switches/0/type", -1, "$.fabrics.F.switches[0].type", "negative"},
        {"/fabrics/F/switches/0/type", 1.5, "$.fabrics.F.switches[0].type", "expected a number"},
        {"/fabrics/F/switches/0/type", "0x", "$.fabrics.F.switches[0].type", "not a number"},
        {"/fabrics/F/switches/0/type", "12a", "$.fabrics.F.switches[0].type", "not a number"},
        {"/fabrics/F/switches/0/domain", "99999999999999999999999", "$.fabrics.F.switches[0].domain", "not a number"},
        {"/fabrics/F/switches/0/logical_name", std::string(256, 'x'), "$.fabrics.F.switches[0].logical_name", "longer than 255 bytes"},
        {"/fabrics/F/switches/0/vendor", std::string("a\0b", 3), "$.fabrics.F.switches[0].vendor", "NUL"},
        {"/fabrics/F/switches/0/vendor", std::string(250, 'v'), "$.fabrics.F.switches[0]", "together longer than 249 bytes"},
        {"/fabrics/F/switches/0/mgmt_addresses", json::array({"ok", 5}), "$.fabrics.F.switches[0].mgmt_addresses[1]", "expected a string"},
        {"/fabrics/F/switches/0/ports/0/attached/0/node_wwn", "x", "$.fabrics.F.switches[0].ports[0].attached[0].node_wwn", "not a WWN"},
        {"/fabrics/F/switches/0/ports/0/physical", "0x100000000", "$.fabrics.F.switches[0].ports[0].physical", "out of range"},
        {"/fabrics/F/platforms/0/nodes", json::array({"1"}), "$.fabrics.F.platforms[0].nodes[0]", "not a WWN"},
        {"/fabrics/F/platforms/0/name", nullptr, "$.fabrics.F.platforms[0].name", "missing"},
        {"/fabrics/F/zoning/full_db", 1, "$.fabrics.F.zoning.full_db", "expected true or false"},
        {"/fabrics/F/zoning/active/zones/0/members/0/id", "0102030405060708090A", "$.fabrics.F.zoning.active.zones[0].members[0].id", "longer than 8 bytes"},
        {"/fabrics/F/zoning/active/zones/0/members/0/id", "123", "$.fabrics.F.zoning.active.zones[0].members[0].id", "not hexadecimal bytes"},
        {"/fabrics/F/zoning/active/name", std::string(300, 'z'), "$.fabrics.F.zoning.active.name", "longer than 255"},
        {"/fabrics/F/name", "", "$.fabrics.F.name", "not a WWN"},
        {"/fabrics/F", json::array(), "$.fabrics.F", "expected an object, found an array"},
        {"/faults/0/command", "GXYZ", "$.faults[0].command", "not one of the 21 commands"},
        {"/faults/0/command", nullptr, "$.faults[0].command", "missing"},
        {"/faults/0/reject", json::array({9}), "$.faults[0].reject", "expected [reason, explanation]"},
        {"/faults/0/reject", json::array({9, 256}), "$.faults[0].reject[1]", "out of range"},
        {"/faults/0/fail", 0, "$.faults[0].fail", "0 is success"},
        {"/faults/0/raw", "ABC", "$.faults[0].raw", "not hexadecimal bytes"},
        {"/faults/0/times", -3, "$.faults[0].times", "negative"},
        {"/faults/0/port", "abc", "$.faults[0].port", "not a WWN"},
        // Faults that cannot match as written.
        {"/faults/0", {{"command", "GDID"}, {"key", "host17"}}, "$.faults[0].key", "not a WWN"},
        {"/faults", json::array({{{"command", "GNN_ID"}, {"key", "10000000"}}}), "$.faults[0].key",
         "not an FCID (6 hexadecimal digits)"},
        {"/faults/0", {{"command", "GIEL"}, {"busy", true}, {"reject", {1, 2}}}, "$.faults[0]",
         "more than one answer (reject, busy, fail, raw)"},
        {"/adapters/1", minimal()["adapters"][0], "$.adapters[1].name", "the same name as an earlier adapter"},
    };
    for (const auto& c : cases) {
        json doc = minimal();
        doc[json::json_pointer(c.pointer)] = c.value;
        ModelError error = rejected(doc);
        EXPECT_EQ(error.path, c.path) << c.pointer;
        EXPECT_NE(error.reason.find(c.reason), std::string::npos) << c.pointer << ": " << error.reason;
    }
}

// Broken, huge and deeply nested text: refused with a position, and a 100 MB string, whole or
// unterminated, without being carried around; up to the limit strings are read and then judged
// by their field.
TEST(ModelLoader, ReportsBrokenHugeAndDeeplyNestedText) {
    const std::string head = "{\n\"adapters\": [{\"name\": \"", huge = std::string(100u << 20, 'n');
    const struct { std::string text; const char* path; const char* reason; } cases[] = {
        {"{\n  \"adapters\": [ ,\n", "$", "not valid JSON at line 2, column 17"},
        {"", "$", "not valid JSON"},
        {"[]", "$", "expected an object"},
        {"{} {}", "$", "not valid JSON"},
        {"{\"adapters\": 5}", "$.adapters", "expected an array"},
        {head + huge + "\"}]}", "$", "a string longer than 1048576 characters at line 2, column 23"},
        {head + huge, "$", "a string longer than 1048576 characters at line 2, column 23"},
        {head + std::string(1u << 19, 'n') + "\"}]}", "$.adapters[0].name", "longer than 255 bytes"},
        {"{\"adapters\": " + std::string(100000, '[') + std::string(100000, ']') + "}", "$.adapters[0]", ""},
    };
    for (const auto& c : cases) {
        const ModelError error = rejectedText(c.text);
        EXPECT_EQ(error.path, c.path) << c.text.substr(0, 40);
        EXPECT_NE(error.reason.find(c.reason), std::string::npos) << error.reason;
    }
    json doc = minimal();
    doc["fabrics"][std::string(1000, 'k')] = 5;
    EXPECT_LT(rejected(doc).path.size(), 120u) << "keys are shown shortened";
}

TEST(ModelLoader, ReportsFilesThatCannotBeRead) {
    Model model;
    ModelError error;
    EXPECT_FALSE(fabricsim::loadModelFile("/nonexistent/model.json", model, error));
    EXPECT_EQ(error.reason, "cannot be opened: No such file or directory");
    EXPECT_FALSE(fabricsim::loadModelFile("/", model, error));
    EXPECT_EQ(error.reason, "is a directory");
    EXPECT_FALSE(fabricsim::loadModelFile("/dev/zero", model, error)) << "a file that never ends";
    EXPECT_EQ(error.reason, "larger than 256 MiB");
    EXPECT_EQ(fabricsim::describeModelError("/m.json", {"$.a", "bad"}), "fabricsim: model /m.json: $.a: bad");
}
