// The installed fabricprobe-view comparing, converting and searching files the
// installed probe writes of models that differ in known ways. Expected reports
// are in tests/view/expected; VIEW_UPDATE_EXPECTED=1 rewrites them.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "ViewRun.h"

namespace {

// The example SAN against a changed copy, both ways round, in text and JSON,
// against the expected files <name>[-reversed].{txt,json}; the changed copy's
// own summary against <name>-summary.txt.
void expectDiffs(const std::string& test, const std::string& model, const std::string& name, bool reversedToo) {
    for (const std::string command : {"Topology", "ZoningOnly"}) {
        const std::string oldPath = runExample(test + "_old_" + command, command);
        const std::string newPath = runModel(test + "_new_" + command, command, model);
        const std::string base = name + "-" + command;
        expectSameAsFile(placeholders(runView({newPath}).out, {{newPath, "NEW"}}), base + "-summary.txt");
        EXPECT_TRUE(jsonHoldsEveryRecord(newPath));
        for (int reversed = 0; reversed <= (reversedToo ? 1 : 0); ++reversed) {
            const std::string& from = reversed ? newPath : oldPath;
            const std::string& to = reversed ? oldPath : newPath;
            const std::string expected = base + (reversed ? "-reversed" : "");
            for (const std::string format : {"txt", "json"}) {
                const RunResult run = runView({"--diff", "--format", format == "txt" ? "text" : "json", from, to});
                EXPECT_EQ(1, run.exitCode) << run.err;
                EXPECT_EQ("", run.err);
                expectSameAsFile(placeholders(run.out, {{from, "OLD"}, {to, "NEW"}}), expected + "." + format);
            }
        }
    }
}

TEST(ViewDiff, TheExampleSanADayLaterShowsTheMovedDeviceTheOfflinePortAndTheLostMember) {
    expectDiffs("day", "examples/san-changed.json", "day-later", false);
}

TEST(ViewDiff, EveryKindOfChangeIsReportedBothWaysRound) {
    expectDiffs("every", "tests/view/models/san-every-kind.json", "every-kind", true);
}

// The file with the record blocks in each fabric, and the fabrics too, in reverse order.
std::string reordered(const std::string& text, bool fabricsToo) {
    std::istringstream in(text);
    std::string out, line;
    while (std::getline(in, line) && line != "[/Header]") out += line + "\n";
    out += "[/Header]\n";
    std::vector<std::string> fabrics, blocks;
    std::string opening;
    while (std::getline(in, line)) {
        if (line == "[Fabric]") {
            std::getline(in, opening);
            blocks.clear();
        } else if (line == "[/Fabric]") {
            std::string fabric = "[Fabric]\n" + opening + "\n";
            for (auto b = blocks.rbegin(); b != blocks.rend(); ++b) fabric += *b;
            fabrics.push_back(fabric + "[/Fabric]\n");
        } else {
            std::string data, closing;
            std::getline(in, data);
            std::getline(in, closing);
            blocks.push_back(line + "\n" + data + "\n" + closing + "\n");
        }
    }
    if (fabricsToo) std::reverse(fabrics.begin(), fabrics.end());
    for (const std::string& fabric : fabrics) out += fabric;
    return out;
}

TEST(ViewDiff, AReorderedCopyIsTheSame) {
    for (const std::string command : {"Topology", "ZoningOnly"}) {
        const std::string path = runModel("reordered_" + command, command, "tests/view/models/san-every-kind.json");
        const std::string text = readFile(path);
        const std::string copy = path + ".reordered";
        writeFile(copy, reordered(text, true));
        ASSERT_NE(text, readFile(copy));
        ASSERT_EQ(text.size(), readFile(copy).size());
        RunResult run = runView({"--diff", path, copy});
        EXPECT_EQ(0, run.exitCode) << run.out << run.err;
        EXPECT_TRUE(contains(run.out, "\nno differences\n")) << run.out;
        run = runView({"--diff", "--format", "json", path, copy});
        EXPECT_EQ(0, run.exitCode) << run.out << run.err;
        EXPECT_EQ(0, nlohmann::json::parse(run.out)["differences"]);
        // Counted the same, whatever the order of the blocks.
        writeFile(copy, reordered(text, false));
        EXPECT_EQ(placeholders(runView({path}).out, {{path, "FILE"}}), placeholders(runView({copy}).out, {{copy, "FILE"}}));
    }
}

TEST(ViewFind, PortsAndNodesAreFoundOnTheirSwitchPortsPlatformsAndZones) {
    const std::string topology = runExample("find_topology", "Topology");
    const std::string zoning = runExample("find_zoning", "ZoningOnly");
    const std::vector<std::pair<std::string, std::string>> names = {{topology, "TOPOLOGY"}, {zoning, "ZONING"}};
    // host18's port on fabric A, written as an administrator might copy it; array01,
    // with two ports on each fabric, zoned by port WWN, and by node WWN in cfg_a_maint.
    const struct {
        std::vector<std::string> args;
        const char* expected;
    } found[] = {
        {{"10:00:00:00:c9:b0:00:01", topology, zoning}, "find-host18-port.txt"},
        {{"10000000C9B00001", "--format", "json", zoning, topology}, "find-host18-port.json"},
        {{"500507680100a000", topology, zoning}, "find-array01-node.txt"},
    };
    for (const auto& f : found) {
        std::vector<std::string> args = {"--find"};
        args.insert(args.end(), f.args.begin(), f.args.end());
        const RunResult run = runView(args);
        EXPECT_EQ(0, run.exitCode) << run.err;
        expectSameAsFile(placeholders(run.out, names), f.expected);
    }

    RunResult run = runView({"--find", "2000000000000099", topology, zoning});
    EXPECT_EQ(1, run.exitCode) << run.err;
    EXPECT_EQ("TOPOLOGY (Topology): 2000000000000099 not found\nZONING (ZoningOnly): 2000000000000099 not found\n",
              placeholders(run.out, names));
    // host18's node WWN: only the Topology file knows its ports, and so its zones.
    run = runView({"--find", "20000000C9B00001", "--format", "json", zoning});
    EXPECT_EQ(1, run.exitCode);
    EXPECT_FALSE(nlohmann::json::parse(run.out)["found"].get<bool>());
    // A missing file among good ones: the others are searched, the status says trouble.
    run = runView({"--find", "10000000C9B00001", topology + ".absent", topology});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_TRUE(contains(run.err, "cannot open")) << run.err;
    EXPECT_TRUE(contains(run.out, "switch port 200200051E0A0001")) << run.out;
}

}  // namespace
