#include "ViewRun.h"

#include <sys/stat.h>

#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

namespace {

const char kServer[] = "srv";
const char kStamp[] = "20261206090736";

}  // namespace

RunResult runView(const std::vector<std::string>& args, const std::vector<std::string>& env,
                  const std::function<void(int)>& input) {
    RunOptions options;
    options.env = env;
    options.feed = input;
    options.timeoutSeconds = 600;  // a large stream under the sanitizers
    std::vector<std::string> argv = {stagePath("bin/fabricprobe-view")};
    argv.insert(argv.end(), args.begin(), args.end());
    return runProgram(argv, options);
}

std::string runModel(const std::string& test, const std::string& command, const std::string& model,
                     ProbeRunResult* result, const std::string& fileSizeBlocks) {
    ProbeInstall install("view_" + test);
    ::mkdir(install.path(std::string("output/") + kServer).c_str(), 0755);
    ProbeRunOptions options;
    options.model = sourcePath(model);
    options.args = {"-servername", kServer, "-serverip", "192.0.2.1", "-serverport", "9549", "-command", command,
                    "-fabrics", "allfabrics", "-jobtimestamp", kStamp, "-discoverrequestid", "1", "-devicejobid", "1"};
    if (!fileSizeBlocks.empty()) {
        // A file size limit cuts the output file; the write failure is seen, not a signal.
        options.program = "/bin/sh";
        options.args.insert(options.args.begin(),
                            {"-c", "trap '' XFSZ; ulimit -f " + fileSizeBlocks + "; exec \"$0\" \"$@\"",
                             install.path("bin/fabricprobe")});
    }
    const ProbeRunResult run = runProbe(install, options);
    if (result) *result = run;
    return install.path(std::string("output/") + kServer + "/fabricprobe_" + command + "_" + kStamp + "_1_1.dat");
}

std::string runExample(const std::string& test, const std::string& command, ProbeRunResult* result,
                       const std::string& fileSizeBlocks) {
    return runModel(test, command, "examples/san.json", result, fileSizeBlocks);
}

std::vector<std::string> summaryRow(const std::string& table, const std::string& label) {
    std::istringstream lines(table);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, label.size(), label) != 0) continue;
        const std::string rest = line.substr(label.size());
        if (!rest.empty() && rest[0] != ' ') continue;
        std::istringstream cells(rest);
        std::vector<std::string> values;
        std::string cell;
        while (cells >> cell) values.push_back(cell);
        return values;
    }
    return {};
}


namespace {

using Counts = std::map<std::string, std::string>;

// The summary's counts of one fabric, from its records as --json gives them.
Counts countsOf(const nlohmann::json& fabric) {
    const nlohmann::json& records = fabric["records"];
    auto section = [&](const char* name) { return records.value(name, nlohmann::json::array()); };
    auto distinct = [&](const char* name, const char* field) {
        std::set<std::string> ids;
        for (const auto& r : section(name)) ids.insert(r[field].get<std::string>());
        return ids;
    };
    Counts c;
    c["WWN"] = fabric["wwn"];
    c["Switches"] = std::to_string(section("InterconnectElement").size());
    c["Switch ports"] = std::to_string(section("SwitchPort").size());
    std::map<std::string, int> states;
    for (const auto& r : section("SwitchPort")) ++states["  state " + r["portState"].get<std::string>()];
    for (const auto& [label, n] : states) c[label] = std::to_string(n);
    const std::set<std::string> switchPorts = distinct("SwitchPort", "wwn");
    std::set<std::pair<std::string, std::string>> links;
    for (const auto& r : section("PortToPort")) {
        const std::string a = r["wwnPort1"], b = r["wwnPort2"];
        if (switchPorts.count(b)) links.insert(std::minmax(a, b));
    }
    c["Inter-switch links"] = std::to_string(links.size());
    c["End ports"] = std::to_string(distinct("EndPort", "wwn").size());
    c["Nodes"] = std::to_string(distinct("Node", "wwn").size());
    std::set<std::string> platforms;
    // A platform's node has the platform's name and type; an end port's node its WWN alone.
    for (const auto& r : section("Node"))
        if (!r["name"].get<std::string>().empty() || !r["type"].get<std::string>().empty())
            platforms.insert(r["name"].get<std::string>());
    c["Platforms"] = std::to_string(platforms.size());

    c["Zone sets"] = std::to_string(distinct("ZoneSet", "name").size());
    c["Active zone set"] = "-";
    for (const auto& r : section("ZoneSet"))
        if (r["active"] == "TRUE") c["Active zone set"] = r["name"];
    std::set<std::string> zones[2];
    std::set<std::pair<std::string, std::string>> memberships[2];
    auto copy = [](const std::string& id) { return id.size() > 1 && id.compare(id.size() - 2, 2, ":1") == 0 ? 1 : 0; };
    for (const auto& r : section("Zone")) zones[copy(r["uniqueId"])].insert(r["uniqueId"].get<std::string>());
    for (const auto& r : section("ZoneToMember"))
        memberships[copy(r["zoneUniqueId"])].insert({r["uniqueId"].get<std::string>(), r["zoneUniqueId"].get<std::string>()});
    c["Zones in the database"] = std::to_string(zones[0].size());
    c["Zones in the active set"] = std::to_string(zones[1].size());
    c["Members of database zones"] = std::to_string(memberships[0].size());
    c["Members of active zones"] = std::to_string(memberships[1].size());
    c["Distinct members"] = std::to_string(distinct("ZoneMember", "uniqueId").size());
    return c;
}

}  // namespace

::testing::AssertionResult jsonCountsMatchSummary(const std::string& path) {
    const RunResult json = runView({"--json", path});
    const RunResult summary = runView({"--summary", path});
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(json.out);
    } catch (const std::exception& e) {
        return ::testing::AssertionFailure() << "--json " << path << " is no JSON document: " << e.what();
    }
    if (doc["file"] != path) return ::testing::AssertionFailure() << "--json names " << doc["file"];
    std::vector<Counts> fabrics;
    std::set<std::string> labels;
    for (const auto& fabric : doc["fabrics"]) {
        fabrics.push_back(countsOf(fabric));
        for (const auto& entry : fabrics.back()) labels.insert(entry.first);
    }
    const bool topology = doc["kind"] == "Topology";
    for (const std::string& label : labels) {
        const bool zoningRow = label.rfind("Zone", 0) == 0 || label.rfind("Members", 0) == 0 ||
                               label == "Active zone set" || label == "Distinct members";
        if (label != "WWN" && zoningRow == topology) continue;
        // A state that one fabric's ports do not have reads 0 in its column.
        std::vector<std::string> values;
        for (const Counts& c : fabrics) values.push_back(c.count(label) ? c.at(label) : "0");
        if (summaryRow(summary.out, label) != values)
            return ::testing::AssertionFailure() << path << ": " << label << " from --json differs from the summary:\n"
                                                 << summary.out;
    }
    if (doc["fabrics"].size() != summaryRow(summary.out, "WWN").size())
        return ::testing::AssertionFailure() << path << ": fabric count differs\n" << summary.out;
    return ::testing::AssertionSuccess();
}
