// The installed fabricprobe-view comparing, converting and searching files the
// installed probe writes of models that differ in known ways. Expected reports
// are in tests/view/expected; VIEW_UPDATE_EXPECTED=1 rewrites them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "ViewRun.h"

namespace {

// The report with the two paths written as OLD and NEW (or the names given).
std::string placeholders(std::string text, const std::string& oldPath, const std::string& newPath,
                         const char* oldName = "OLD", const char* newName = "NEW") {
    for (const auto& [path, name] : {std::make_pair(oldPath, oldName), std::make_pair(newPath, newName)})
        for (std::size_t at = text.find(path); at != std::string::npos; at = text.find(path, at))
            text.replace(at, path.size(), name);
    return text;
}

void expectSameAsFile(const std::string& actual, const std::string& expectedName) {
    const std::string path = sourcePath("tests/view/expected/" + expectedName);
    if (std::getenv("VIEW_UPDATE_EXPECTED")) writeFile(path, actual);
    const std::string expected = readFile(path);
    if (expectedName.size() > 5 && expectedName.compare(expectedName.size() - 5, 5, ".json") == 0)
        EXPECT_EQ(nlohmann::json::parse(expected), nlohmann::json::parse(actual)) << expectedName << ":\n" << actual;
    else
        EXPECT_EQ(expected, actual) << expectedName;
}

struct Pair {
    std::string oldPath, newPath;
};

Pair probePair(const std::string& test, const std::string& command, const std::string& newModel) {
    Pair pair{runExample(test + "_old_" + command, command), runModel(test + "_new_" + command, command, newModel)};
    EXPECT_TRUE(outputFileIsValid(pair.oldPath));
    EXPECT_TRUE(outputFileIsValid(pair.newPath));
    EXPECT_TRUE(jsonCountsMatchSummary(pair.oldPath));
    EXPECT_TRUE(jsonCountsMatchSummary(pair.newPath));
    return pair;
}

// Diffs both ways round in text and JSON against the expected files <name>[-reversed].{txt,json}.
void expectDiffs(const Pair& pair, const std::string& name, bool reversedToo) {
    for (int reversed = 0; reversed <= (reversedToo ? 1 : 0); ++reversed) {
        const std::string& from = reversed ? pair.newPath : pair.oldPath;
        const std::string& to = reversed ? pair.oldPath : pair.newPath;
        const std::string base = name + (reversed ? "-reversed" : "");
        const RunResult text = runView({"--diff", from, to});
        EXPECT_EQ(1, text.exitCode) << text.err;
        EXPECT_EQ("", text.err);
        expectSameAsFile(placeholders(text.out, from, to), base + ".txt");
        const RunResult json = runView({"--diff", "--format", "json", from, to});
        EXPECT_EQ(1, json.exitCode) << json.err;
        expectSameAsFile(placeholders(json.out, from, to), base + ".json");
    }
}

TEST(ViewDiff, TheExampleSanADayLaterShowsTheMovedDeviceTheOfflinePortAndTheLostMember) {
    for (const std::string command : {"Topology", "ZoningOnly"})
        expectDiffs(probePair("day", command, "examples/san-changed.json"), "day-later-" + command, false);
}

TEST(ViewDiff, EveryKindOfChangeIsReportedBothWaysRound) {
    for (const std::string command : {"Topology", "ZoningOnly"})
        expectDiffs(probePair("every", command, "tests/view/models/san-every-kind.json"), "every-kind-" + command, true);
}

// The file with its fabrics, and the record blocks in each fabric, in reverse order.
std::string reordered(const std::string& text) {
    std::istringstream in(text);
    std::string header, line;
    while (std::getline(in, line)) {
        header += line + "\n";
        if (line == "[/Header]") break;
    }
    std::vector<std::string> fabrics;
    std::vector<std::string> blocks;
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
    std::string out = header;
    for (auto f = fabrics.rbegin(); f != fabrics.rend(); ++f) out += *f;
    return out;
}

TEST(ViewDiff, AReorderedCopyIsTheSame) {
    for (const std::string command : {"Topology", "ZoningOnly"}) {
        const std::string path = runModel("reordered_" + command, command, "tests/view/models/san-every-kind.json");
        const std::string text = readFile(path);
        const std::string copy = path + ".reordered";
        writeFile(copy, reordered(text));
        ASSERT_NE(text, readFile(copy));
        ASSERT_EQ(text.size(), readFile(copy).size());
        for (const std::string format : {"text", "json"}) {
            const RunResult run = runView({"--diff", "--format", format, path, copy});
            EXPECT_EQ(0, run.exitCode) << run.out << run.err;
            if (format == "text") {
                EXPECT_NE(std::string::npos, run.out.find("\nno differences\n")) << run.out;
            } else {
                EXPECT_EQ(0, nlohmann::json::parse(run.out)["differences"]);
            }
        }
        EXPECT_TRUE(jsonCountsMatchSummary(copy));
    }
}

TEST(ViewDiff, CutMissingAndMismatchedFilesAreTroubleNamedAsSuch) {
    const std::string topology = runExample("trouble_topology", "Topology");
    const std::string zoning = runExample("trouble_zoning", "ZoningOnly");
    const std::string text = readFile(topology);
    const std::string cut = topology + ".cut";
    writeFile(cut, text.substr(0, text.size() / 2));
    EXPECT_TRUE(jsonCountsMatchSummary(cut));

    RunResult run = runView({"--diff", topology, cut});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ("", run.out);
    EXPECT_NE(std::string::npos, run.err.find(cut + " is not a valid output file")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("cut short")) << run.err;

    run = runView({"--diff", topology + ".absent", topology});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("cannot open " + topology + ".absent")) << run.err;

    run = runView({"--diff", topology, zoning});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("cannot compare files of different probe types: " + topology +
                                              " is Topology output, " + zoning + " is ZoningOnly output"))
        << run.err;

    run = runView({"--diff", topology});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("--diff needs two files")) << run.err;
    run = runView({"--diff", "--check", topology, topology});
    EXPECT_EQ(2, run.exitCode);

    // --json of a cut file is still one whole document, and says the file has errors.
    run = runView({"--json", cut});
    EXPECT_EQ(2, run.exitCode);
    const nlohmann::json doc = nlohmann::json::parse(run.out);
    EXPECT_GT(doc["errors"].get<int>(), 0);
    EXPECT_FALSE(doc["fabrics"].back()["complete"].get<bool>());
    EXPECT_NE(std::string::npos, run.err.find("not a valid output file")) << run.err;
    run = runView({"--json", topology + ".absent"});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_EQ("", run.out);
}

// --find of one WWN in the Topology and the ZoningOnly file of the example SAN.
RunResult find(const std::string& wwn, const std::vector<std::string>& files, bool json = false) {
    std::vector<std::string> args = {"--find", wwn};
    if (json) args.insert(args.end(), {"--format", "json"});
    args.insert(args.end(), files.begin(), files.end());
    return runView(args);
}

TEST(ViewFind, AHostPortIsFoundOnItsSwitchPortAndInItsZones) {
    const std::string topology = runExample("find_topology", "Topology");
    const std::string zoning = runExample("find_zoning", "ZoningOnly");
    // host18's port on fabric A, written as an administrator might copy it.
    RunResult run = find("10:00:00:00:c9:b0:00:01", {topology, zoning});
    EXPECT_EQ(0, run.exitCode) << run.err;
    expectSameAsFile(placeholders(run.out, topology, zoning, "TOPOLOGY", "ZONING"), "find-host18-port.txt");

    run = find("10000000C9B00001", {zoning, topology}, true);
    EXPECT_EQ(0, run.exitCode) << run.err;
    const nlohmann::json found = nlohmann::json::parse(run.out);
    EXPECT_TRUE(found["found"].get<bool>());
    const nlohmann::json& inTopology = found["files"][1]["fabrics"];
    ASSERT_EQ(1u, inTopology.size()) << run.out;
    const nlohmann::json& port = inTopology[0]["attached"][0]["switchPorts"][0];
    EXPECT_EQ("200200051E0A0001", port["wwn"]);
    EXPECT_EQ("3", port["physicalPortNumber"]);
    EXPECT_EQ("Online", port["portState"]);
    EXPECT_EQ("fab-a-core-1", port["switch"]["logicalName"]);
    EXPECT_EQ("1", port["switch"]["domain"]);
    EXPECT_EQ("host18", inTopology[0]["attached"][0]["platforms"][0]["name"]);
    const nlohmann::json& inZoning = found["files"][0]["fabrics"][0];
    EXPECT_EQ("cfg_a_prod", inZoning["activeZoneSet"]);
    std::set<std::string> zones;
    for (const auto& z : inZoning["zones"]) zones.insert(z["zone"].get<std::string>() + "/" + z["copy"].get<std::string>());
    EXPECT_EQ(std::set<std::string>({"z_host18_array01/database", "z_host18_array01/active zone set"}), zones);
}

TEST(ViewFind, ANodeIsFoundThroughEachOfItsPortsInBothFabrics) {
    const std::string topology = runExample("find_node_topology", "Topology");
    const std::string zoning = runExample("find_node_zoning", "ZoningOnly");
    // array01: two ports on each fabric; zoned by port WWN, and by node WWN in cfg_a_maint.
    const RunResult run = find("500507680100a000", {topology, zoning});
    EXPECT_EQ(0, run.exitCode) << run.err;
    expectSameAsFile(placeholders(run.out, topology, zoning, "TOPOLOGY", "ZONING"), "find-array01-node.txt");
}

TEST(ViewFind, AnAbsentWwnABadWwnAndABadFile) {
    const std::string topology = runExample("find_absent_topology", "Topology");
    const std::string zoning = runExample("find_absent_zoning", "ZoningOnly");
    RunResult run = find("2000000000000099", {topology, zoning});
    EXPECT_EQ(1, run.exitCode) << run.err;
    EXPECT_NE(std::string::npos, run.out.find(topology + " (Topology): 2000000000000099 not found")) << run.out;
    EXPECT_NE(std::string::npos, run.out.find(zoning + " (ZoningOnly): 2000000000000099 not found")) << run.out;
    run = find("2000000000000099", {zoning}, true);
    EXPECT_EQ(1, run.exitCode);
    EXPECT_FALSE(nlohmann::json::parse(run.out)["found"].get<bool>());

    for (const std::string bad : {"10000000C9B0001", "10000000C9B000011", "10000000C9B0000G", "-"}) {
        run = find(bad, {topology});
        EXPECT_EQ(2, run.exitCode) << bad;
        EXPECT_NE(std::string::npos, run.err.find("is no WWN")) << bad << run.err;
    }
    // A missing file among good ones: the others are searched, the status says trouble.
    run = find("10000000C9B00001", {topology + ".absent", topology});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("cannot open")) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("switch port 200200051E0A0001")) << run.out;
}

}  // namespace
