// The installed fabricprobe-view on files the installed probe writes: the example
// SAN checked, counted against its model and drawn; broken and cut copies; a
// large stream; a missing Graphviz.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ViewRun.h"

namespace {

int portTypeIndex(const nlohmann::json& type) {
    const int raw = type.is_string() ? std::stoi(type.get<std::string>(), nullptr, 0) : type.get<int>();
    if (raw > 0xF0) return (raw + 0x10) % 256;
    if (raw >= 0x81) return raw - 0x7C;
    return raw;
}

// What the summary should say of one model fabric.
std::map<std::string, std::string> expectedCounts(const nlohmann::json& fabric) {
    std::uint64_t ports = 0, online = 0, offline = 0, endPorts = 0, platforms = 0, isls = 0;
    std::set<std::string> nodes, switchPorts;
    std::set<std::pair<std::string, std::string>> links;
    for (const auto& sw : fabric["switches"])
        for (const auto& port : sw["ports"]) switchPorts.insert(port["wwn"].get<std::string>());
    for (const auto& sw : fabric["switches"]) {
        for (const auto& port : sw["ports"]) {
            ++ports;
            const int state = port["state"];
            online += state == 1;
            offline += state == 2;
            if (state != 1 || portTypeIndex(port["type"]) == 0) continue;
            for (const auto& attached : port["attached"]) {
                const std::string far = attached["wwn"];
                if (switchPorts.count(far)) links.insert(std::minmax(port["wwn"].get<std::string>(), far));
                if (portTypeIndex(attached["type"]) >= 3) continue;
                ++endPorts;
                if (!attached["fcid"].is_null() && !attached["node_wwn"].is_null()) nodes.insert(attached["node_wwn"]);
            }
        }
    }
    isls = links.size();
    for (const auto& platform : fabric["platforms"]) {
        if (platform["nodes"].empty()) continue;
        ++platforms;
        for (const auto& node : platform["nodes"]) nodes.insert(node.get<std::string>());
    }
    std::map<std::string, std::string> counts = {
        {"Switches", std::to_string(fabric["switches"].size())},
        {"Inter-switch links", std::to_string(isls)},
        {"Switch ports", std::to_string(ports)},
        {"Online", std::to_string(online)},
        {"Offline", std::to_string(offline)},
        {"End ports", std::to_string(endPorts)},
        {"Nodes", std::to_string(nodes.size())},
        {"Platforms", std::to_string(platforms)},
    };
    const auto& zoning = fabric["zoning"];
    const bool fullDb = zoning["full_db"];
    std::set<std::string> setNames = {zoning["active"]["name"].get<std::string>()};
    std::uint64_t dbZones = 0, dbMembers = 0, activeMembers = 0;
    std::set<std::pair<int, std::string>> members;
    auto collect = [&](const nlohmann::json& set, std::uint64_t& memberships) {
        for (const auto& zone : set["zones"])
            for (const auto& m : zone["members"]) {
                ++memberships;
                members.insert({m["type"].get<int>(), m["id"].get<std::string>()});
            }
    };
    if (fullDb) {
        for (const auto& set : zoning["database"]) {
            setNames.insert(set["name"].get<std::string>());
            dbZones += set["zones"].size();
            collect(set, dbMembers);
        }
    }
    collect(zoning["active"], activeMembers);
    counts["Zone sets"] = std::to_string(setNames.size());
    counts["Active zone set"] = zoning["active"]["name"];
    counts["Zones in the database"] = std::to_string(dbZones);
    counts["Zones in the active set"] = std::to_string(zoning["active"]["zones"].size());
    counts["Members of database zones"] = std::to_string(dbMembers);
    counts["Members of active zones"] = std::to_string(activeMembers);
    counts["Distinct members"] = std::to_string(members.size());
    return counts;
}

// The text of every <text> element of an SVG, entities decoded.
std::vector<std::string> svgTexts(const std::string& svg) {
    std::vector<std::string> texts;
    const std::regex element("<text[^>]*>([^<]*)</text>");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), element); it != std::sregex_iterator(); ++it) {
        std::string text = (*it)[1];
        for (const auto& [entity, plain] : std::vector<std::pair<std::string, std::string>>{
                 {"&quot;", "\""}, {"&lt;", "<"}, {"&gt;", ">"}, {"&#45;", "-"}, {"&amp;", "&"}}) {
            for (std::size_t at = text.find(entity); at != std::string::npos; at = text.find(entity, at))
                text.replace(at, entity.size(), plain);
        }
        texts.push_back(text);
    }
    return texts;
}

TEST(ViewEndToEnd, TheExampleSanIsValidAndCountedAsItsModel) {
    const nlohmann::json model = nlohmann::json::parse(readFile(sourcePath("examples/san.json")));
    for (const std::string command : {"Topology", "ZoningOnly"}) {
        ProbeRunResult probe;
        const std::string output = runExample("example_" + command, command, &probe);
        ASSERT_EQ(0, probe.exitCode) << probe.err;
        const OutputCheck check = checkOutputFile(output);
        EXPECT_TRUE(check.valid()) << check.report;
        EXPECT_NE(std::string::npos, check.report.find("valid " + command + " output")) << check.report;
        EXPECT_TRUE(jsonCountsMatchSummary(output));

        const RunResult summary = runView({"--summary", output});
        ASSERT_EQ(0, summary.exitCode) << summary.err;
        EXPECT_EQ(std::vector<std::string>({"100000051E0A0001", "100000051E0B0001"}), summaryRow(summary.out, "WWN"));
        const std::vector<std::string> rows =
            command == "Topology"
                ? std::vector<std::string>{"Switches", "Inter-switch links", "Switch ports", "  state Online", "  state Offline",
                                           "End ports", "Nodes", "Platforms"}
                : std::vector<std::string>{"Zone sets", "Active zone set", "Zones in the database",
                                           "Zones in the active set", "Members of database zones",
                                           "Members of active zones", "Distinct members"};
        for (const std::string& row : rows) {
            std::vector<std::string> expected;
            for (const char* fabric : {"A", "B"}) {
                auto counts = expectedCounts(model["fabrics"][fabric]);
                std::string key = row.substr(row.find_first_not_of(' '));
                if (key.compare(0, 6, "state ") == 0) key = key.substr(6);
                expected.push_back(counts.count(key) ? counts[key] : "0");
            }
            EXPECT_EQ(expected, summaryRow(summary.out, row)) << row << "\n" << summary.out;
        }
    }
}

TEST(ViewEndToEnd, TheExampleSanIsDrawnWithEverySwitchAndZone) {
    const nlohmann::json model = nlohmann::json::parse(readFile(sourcePath("examples/san.json")));
    const std::string topology = runExample("draw_topology", "Topology");
    const std::string svgPath = topology + ".svg";
    EXPECT_TRUE(jsonCountsMatchSummary(topology));
    const RunResult run = runView({"--svg", svgPath, topology});
    ASSERT_EQ(0, run.exitCode) << run.err;
    const std::string svg = readFile(svgPath);
    ASSERT_EQ(0u, svg.find("<?xml")) << svg.substr(0, 200);
    const std::vector<std::string> texts = svgTexts(svg);
    auto drawn = [&](const std::string& text) { return std::find(texts.begin(), texts.end(), text) != texts.end(); };
    for (const auto& [key, fabric] : model["fabrics"].items()) {
        EXPECT_TRUE(drawn("Fabric " + fabric["name"].get<std::string>())) << key;
        for (const auto& sw : fabric["switches"]) {
            EXPECT_TRUE(drawn(sw["logical_name"].get<std::string>())) << sw["logical_name"];
            EXPECT_TRUE(drawn(sw["wwn"].get<std::string>())) << sw["wwn"];
            EXPECT_TRUE(drawn("domain " + std::to_string(sw["domain"].get<int>()) + " \xC2\xB7 Switch"));
        }
        for (const auto& platform : fabric["platforms"]) EXPECT_TRUE(drawn(platform["name"].get<std::string>()));
    }

    const std::string zoning = runExample("draw_zoning", "ZoningOnly");
    EXPECT_TRUE(jsonCountsMatchSummary(zoning));
    ASSERT_EQ(0, runView({"--svg", zoning + ".svg", zoning}).exitCode);
    const std::vector<std::string> zoneTexts = svgTexts(readFile(zoning + ".svg"));
    for (const auto& [key, fabric] : model["fabrics"].items())
        for (const auto& zone : fabric["zoning"]["active"]["zones"])
            EXPECT_NE(zoneTexts.end(), std::find(zoneTexts.begin(), zoneTexts.end(), zone["name"].get<std::string>()));
}

TEST(ViewEndToEnd, BrokenAndCutCopiesAreRejectedWithLineNumbers) {
    const std::string output = runExample("broken", "ZoningOnly");
    const std::string good = readFile(output);

    // Without its last line the last fabric block is open.
    const std::string open = output + ".open";
    writeFile(open, good.substr(0, good.rfind("[/Fabric]")));
    OutputCheck check = checkOutputFile(open);
    EXPECT_TRUE(jsonCountsMatchSummary(output));
    EXPECT_TRUE(jsonCountsMatchSummary(open));
    EXPECT_EQ(1, check.exitCode);
    const std::size_t lines = std::count(good.begin(), good.end(), '\n');
    EXPECT_NE(std::string::npos, check.report.find(open + ":" + std::to_string(lines - 1) +
                                                   ": error: the file ends inside the fabric block"))
        << check.report;

    // A member linked to a zone that is not there.
    std::string dangling = good;
    const std::string link = "\",\"100000051E0A0001:cfg_a_prod:z_host18_array01:0\"\n[/ZoneToMember]";
    const std::size_t at = dangling.find(link);
    ASSERT_NE(std::string::npos, at);
    dangling.replace(at, link.size(), "\",\"100000051E0A0001:cfg_a_prod:z_nowhere:0\"\n[/ZoneToMember]");
    writeFile(output + ".dangling", dangling);
    check = checkOutputFile(output + ".dangling");
    EXPECT_TRUE(jsonCountsMatchSummary(output + ".dangling"));
    EXPECT_EQ(1, check.exitCode);
    const std::size_t line = std::count(dangling.begin(), dangling.begin() + at, '\n') + 1;
    EXPECT_NE(std::string::npos,
              check.report.find(":" + std::to_string(line) + ": error: the zone this [ZoneToMember] links to"))
        << check.report;

    // The summary still counts what is there, and says the file has errors.
    const RunResult summary = runView({output + ".dangling"});
    EXPECT_EQ(0, summary.exitCode);
    EXPECT_NE(std::string::npos, summary.err.find("has 1 error (--check lists them)")) << summary.err;
    EXPECT_EQ(std::vector<std::string>({"2", "1"}), summaryRow(summary.out, "Zone sets"));
}

TEST(ViewEndToEnd, AProbeWhoseOutputCannotBeWrittenLeavesACutFile) {
    ProbeRunResult probe;
    const std::string output = runExample("cut", "Topology", &probe, "8");
    EXPECT_EQ(exitStatusOf(-2013), probe.exitCode) << probe.err;
    const std::string text = readFile(output);
    ASSERT_EQ(8u * 512u, text.size());
    EXPECT_TRUE(jsonCountsMatchSummary(output));
    const OutputCheck check = checkOutputFile(output);
    EXPECT_EQ(1, check.exitCode);
    EXPECT_NE(std::string::npos, check.report.find("[/Fabric] is missing")) << check.report;
}

// A valid ZoningOnly stream of many fabrics, written in pieces.
void writeLargeStream(int fd, std::size_t fabrics) {
    std::string header = "[Header]\n[Fabric]\nwwn\n[FabricToZoneSet]\nuniqueId,fabricWWn\n[ZoneSet]\nuniqueId,name,active\n"
                         "[ZoneSetToZone]\nzonesetUniqueId,zoneUniqueId\n[Zone]\nuniqueId,name,type\n[ZoneToMember]\n"
                         "uniqueId,zoneUniqueId\n[ZoneMember]\nuniqueId,name,type\n[/Header]\n";
    auto put = [fd](const std::string& s) {
        std::size_t done = 0;
        while (done < s.size()) {
            const ssize_t n = ::write(fd, s.data() + done, s.size() - done);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    };
    if (!put(header)) return;
    for (std::size_t f = 0; f < fabrics; ++f) {
        char wwn[17];
        std::snprintf(wwn, sizeof wwn, "10000000%08X", static_cast<unsigned>(f));
        const std::string F = wwn;
        std::string block = "[Fabric]\n\"" + F + "\"\n[FabricToZoneSet]\n\"" + F + ":cfg:1\",\"" + F +
                            "\"\n[/FabricToZoneSet]\n[ZoneSet]\n\"" + F + ":cfg:1\",\"cfg\",\"TRUE\"\n[/ZoneSet]\n";
        for (int z = 0; z < 40; ++z) {
            const std::string zone = F + ":cfg:zone" + std::to_string(z) + ":1";
            block += "[ZoneSetToZone]\n\"" + F + ":cfg:1\",\"" + zone + "\"\n[/ZoneSetToZone]\n[Zone]\n\"" + zone +
                     "\",\"zone" + std::to_string(z) + "\",\"None\"\n[/Zone]\n";
            for (int m = 0; m < 8; ++m) {
                char member[17];
                std::snprintf(member, sizeof member, "2000000000%06X", z * 8 + m);
                const std::string id = F + ":" + member + ":PortWWN";
                block += "[ZoneMember]\n\"" + id + "\",\"" + member + "\",\"PortWWN\"\n[/ZoneMember]\n[ZoneToMember]\n\"" +
                         id + "\",\"" + zone + "\"\n[/ZoneToMember]\n";
            }
        }
        block += "[/Fabric]\n";
        if (!put(block)) return;
    }
}

TEST(ViewEndToEnd, ALargeStreamIsReadInBoundedMemory) {
    // About 150 MB through a pipe: nothing of it may stay in memory but one fabric's identifiers.
    const std::size_t fabrics = 1500;
    const RunResult run = runView({"--check", "--summary", "--max-problems", "5", "-"}, {},
                                  [&](int fd) { writeLargeStream(fd, fabrics); });
    EXPECT_EQ(0, run.exitCode) << run.out.substr(0, 2000) << run.err;
    EXPECT_NE(std::string::npos, run.out.find("valid ZoningOnly output")) << run.out.substr(0, 2000);
    EXPECT_NE(std::string::npos, run.out.find(std::to_string(fabrics) + " fabrics"));
    EXPECT_NE(std::string::npos, run.out.find("not shown: the table holds the first 64"));
#ifndef VIEW_SANITIZED
    EXPECT_LT(run.maxRssKb, 40 * 1024) << "peak resident set in KiB";
#endif
}

TEST(ViewEndToEnd, WrongUseAndAMissingGraphvizAreClearFailures) {
    const std::string output = runExample("misuse", "Topology");
    EXPECT_TRUE(jsonCountsMatchSummary(output));
    RunResult run = runView({});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("no FILE given"));
    run = runView({"--frobnicate", output});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("unknown option --frobnicate"));
    run = runView({"--check", output + ".absent"});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("cannot open"));
    run = runView({"/dev/zero"});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("is a device"));
    run = runView({"--dot", "--summary", output});
    EXPECT_EQ(2, run.exitCode);

    // Without dot on PATH, or with a dot that fails after writing half a
    // picture: a clear message, and no picture, whole or half, nor its temporary file.
    const std::string dir = output.substr(0, output.rfind('/'));
    const auto entries = [&dir] {
        return std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()) == 2;
    };
    ASSERT_TRUE(entries()) << "the output and job files alone";
    const std::string svg = output + ".svg";
    run = runView({"--svg", svg, output}, {"PATH=/nonexistent"});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("dot was not found on PATH")) << run.err;
    EXPECT_TRUE(entries());
    const std::string bin = dir + "/../failing-dot";
    makeDirs(bin);
    writeFile(bin + "/dot", "#!/bin/sh\necho \"<svg\"\nexit 3\n", 0755);
    run = runView({"--svg", svg, output}, {"PATH=" + bin});
    EXPECT_NE(std::string::npos, run.err.find("dot failed with exit status 3")) << run.err;
    EXPECT_TRUE(entries());
    // Into a directory that is not there: the directory is named.
    run = runView({"--svg", output + ".missing/x.svg", output});
    EXPECT_EQ(2, run.exitCode);
    EXPECT_NE(std::string::npos, run.err.find("cannot write " + output + ".missing/x.svg: the directory " + output +
                                              ".missing does not exist")) << run.err;

    // A link planted at the temporary file's name is passed over, never written
    // through (the shell's pid is the viewer's once it execs).
    writeFile(dir + "/victim", "kept\n");
    RunOptions inDir;
    inDir.cwd = dir;
    ASSERT_EQ(0, runProgram({"sh", "-c", "ln -s victim picture.svg.tmp$$ && exec \"$0\" --svg picture.svg \"$1\"",
                             stagePath("bin/fabricprobe-view"), output},
                            inDir)
                     .exitCode);
    EXPECT_EQ("kept\n", readFile(dir + "/victim"));
    EXPECT_EQ(0u, readFile(dir + "/picture.svg").find("<?xml"));

    // --dot alone writes a graph that names the fabric.
    run = runView({"--dot", output});
    EXPECT_EQ(0, run.exitCode);
    EXPECT_EQ(0u, run.out.find("graph fabrics {"));
    EXPECT_NE(std::string::npos, run.out.find("Fabric 100000051E0A0001"));
}

}  // namespace
