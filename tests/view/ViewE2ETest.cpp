// The installed fabricprobe-view on files the installed probe writes: the example
// SAN checked, counted and drawn; a broken copy; a large stream; wrong use and a
// missing or failing Graphviz. Expected reports are in tests/view/expected.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "ViewRun.h"

namespace {

TEST(ViewEndToEnd, TheExampleSanIsValidCountedAndDrawn) {
    for (const std::string command : {"Topology", "ZoningOnly"}) {
        const std::string output = runExample("example_" + command, command);
        const RunResult run = runView({"--check", "--summary", output});
        EXPECT_EQ(0, run.exitCode) << run.err;
        expectSameAsFile(placeholders(run.out, {{output, "FILE"}}), "example-" + command + ".txt");
        EXPECT_TRUE(jsonHoldsEveryRecord(output));
        const RunResult dot = runView({"--dot", output});
        EXPECT_EQ(0, dot.exitCode) << dot.err;
        expectSameAsFile(dot.out, "example-" + command + ".dot");

        // Graphviz draws it; a link planted at the temporary file's name is passed
        // over, never written through (the shell's pid is the viewer's once it execs).
        const std::string dir = output.substr(0, output.rfind('/'));
        writeFile(dir + "/victim", "kept\n");
        RunOptions inDir;
        inDir.cwd = dir;
        ASSERT_EQ(0, runProgram({"sh", "-c", "ln -s victim picture.svg.tmp$$ && exec \"$0\" --svg picture.svg \"$1\"",
                                 stagePath("bin/fabricprobe-view"), output},
                                inDir)
                         .exitCode);
        EXPECT_EQ("kept\n", readFile(dir + "/victim"));
        const std::string svg = readFile(dir + "/picture.svg");
        EXPECT_EQ(0u, svg.find("<?xml")) << svg.substr(0, 200);
        EXPECT_TRUE(contains(svg, command == "Topology" ? ">fab&#45;a&#45;core&#45;1</text>" : ">z_host18_array01</text>"));
    }
}

TEST(ViewEndToEnd, ABrokenCopyIsRejectedWithItsLineAndStillCounted) {
    const std::string output = runExample("broken", "ZoningOnly");
    // A member linked to a zone that is not there.
    std::string text = readFile(output);
    const std::string link = "\",\"100000051E0A0001:cfg_a_prod:z_host18_array01:0\"\n[/ZoneToMember]";
    const std::size_t at = text.find(link);
    ASSERT_NE(std::string::npos, at);
    text.replace(at, link.size(), "\",\"100000051E0A0001:cfg_a_prod:z_nowhere:0\"\n[/ZoneToMember]");
    const std::string broken = output + ".dangling";
    writeFile(broken, text);
    const OutputCheck check = checkOutputFile(broken);
    EXPECT_EQ(1, check.exitCode);
    const std::size_t line = std::count(text.begin(), text.begin() + at, '\n') + 1;
    EXPECT_TRUE(contains(check.report, broken + ":" + std::to_string(line) +
                                           ": error: the zone this [ZoneToMember] links to")) << check.report;

    // The summary still counts what is there, and says the file has errors.
    const RunResult summary = runView({broken});
    EXPECT_EQ(0, summary.exitCode);
    EXPECT_TRUE(contains(summary.err, "has 1 error (--check lists them)")) << summary.err;
    EXPECT_EQ(placeholders(runView({output}).out, {{output, "FILE"}}), placeholders(summary.out, {{broken, "FILE"}}));
    EXPECT_TRUE(jsonHoldsEveryRecord(broken));

    // --json of a cut copy is still one whole document, and says the file has errors.
    const std::string cut = output + ".cut";
    writeFile(cut, text.substr(0, text.size() / 2));
    const RunResult json = runView({"--json", cut});
    EXPECT_EQ(2, json.exitCode);
    const nlohmann::json doc = nlohmann::json::parse(json.out);
    EXPECT_GT(doc["errors"].get<int>(), 0);
    EXPECT_FALSE(doc["fabrics"].back()["complete"].get<bool>());
    EXPECT_TRUE(contains(json.err, cut + " is not a valid output file")) << json.err;
    const RunResult cutSummary = runView({cut});
    EXPECT_TRUE(std::regex_search(cutSummary.out, std::regex("\nComplete +no\n"))) << cutSummary.out;
}

// The example's first fabric again and again under other WWNs, written in pieces.
void writeLargeStream(int fd, const std::string& example, std::size_t fabrics) {
    auto put = [fd](const std::string& s) {
        for (std::size_t done = 0; done < s.size();) {
            const ssize_t n = ::write(fd, s.data() + done, s.size() - done);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    };
    const std::size_t first = example.find("[/Header]\n") + 10, end = example.find("[/Fabric]\n", first) + 10;
    const std::string fabric = example.substr(first, end - first);
    if (!put(example.substr(0, first))) return;
    for (std::size_t f = 0; f < fabrics; ++f) {
        char wwn[17];
        std::snprintf(wwn, sizeof wwn, "10000000%08X", static_cast<unsigned>(f));
        if (!put(placeholders(fabric, {{"100000051E0A0001", wwn}}))) return;
    }
}

TEST(ViewEndToEnd, ALargeStreamIsReadInBoundedMemory) {
    // About 100 MB through a pipe: nothing of it may stay in memory but one fabric's identifiers.
    const std::string example = readFile(runExample("large", "ZoningOnly"));
    const std::size_t fabrics = 22000;
    const RunResult run = runView({"--check", "--summary", "--max-problems", "5", "-"}, {},
                                  [&](int fd) { writeLargeStream(fd, example, fabrics); });
    EXPECT_EQ(0, run.exitCode) << run.out.substr(0, 2000) << run.err;
    EXPECT_TRUE(contains(run.out, "valid ZoningOnly output")) << run.out.substr(0, 2000);
    EXPECT_TRUE(contains(run.out, std::to_string(fabrics) + " fabrics"));
    EXPECT_TRUE(contains(run.out, "not shown: the table holds the first 64"));
#ifndef VIEW_SANITIZED
    EXPECT_LT(run.maxRssKb, 40 * 1024) << "peak resident set in KiB";
#endif
}

TEST(ViewEndToEnd, WrongUseIsRefusedWithItsReasonAndLeavesNothing) {
    const std::string topology = runExample("misuse_topology", "Topology");
    const std::string zoning = runExample("misuse_zoning", "ZoningOnly");
    const std::string dir = topology.substr(0, topology.rfind('/'));
    const std::string failingDot = dir + "/../failing-dot";
    makeDirs(failingDot);
    writeFile(failingDot + "/dot", "#!/bin/sh\necho \"<svg\"\nexit 3\n", 0755);
    const std::string svg = topology + ".svg", absent = topology + ".absent", cut = dir + "/../cut.dat";
    writeFile(cut, readFile(topology).substr(0, readFile(topology).size() / 2));
    const struct {
        std::vector<std::string> args;
        std::string path;  // PATH for the viewer, when not its own
        std::string message;
    } cases[] = {
        {{}, "", "no FILE given"},
        {{"--frobnicate", topology}, "", "unknown option --frobnicate"},
        {{"--check", absent}, "", "cannot open " + absent},
        {{"/dev/zero"}, "", "is a device"},
        {{"--dot", "--summary", topology}, "", "use it without --check and --summary"},
        // Without dot, or with a dot that fails after writing half a picture: no
        // picture, whole or half, nor its temporary file.
        {{"--svg", svg, topology}, "/nonexistent", "dot was not found on PATH"},
        {{"--svg", svg, topology}, failingDot, "dot failed with exit status 3"},
        {{"--svg", topology + ".missing/x.svg", topology}, "",
         "cannot write " + topology + ".missing/x.svg: the directory " + topology + ".missing does not exist"},
        {{"--json", absent}, "", "cannot open " + absent},
        {{"--diff", topology}, "", "--diff needs two files"},
        {{"--diff", "--check", topology, topology}, "", "--diff is used without --check"},
        {{"--diff", absent, topology}, "", "cannot open " + absent},
        {{"--diff", topology, cut}, "", cut + " is not a valid output file: it is cut short"},
        {{"--diff", topology, zoning}, "",
         "cannot compare files of different probe types: " + topology + " is Topology output, " + zoning +
             " is ZoningOnly output"},
        {{"--find", "10000000C9B0001", topology}, "", "\"10000000C9B0001\" is no WWN"},
        {{"--find", "10000000C9B000011", topology}, "", "\"10000000C9B000011\" is no WWN"},
        {{"--find", "10000000c9b0000g", topology}, "", "\"10000000c9b0000g\" is no WWN"},
        {{"--find", "-", topology}, "", "\"-\" is no WWN"},
    };
    for (const auto& c : cases) {
        const RunResult run = runView(c.args, c.path.empty() ? std::vector<std::string>{} : std::vector<std::string>{"PATH=" + c.path});
        EXPECT_EQ(2, run.exitCode) << c.message;
        EXPECT_EQ("", run.out) << c.message;
        EXPECT_TRUE(contains(run.err, c.message)) << c.message << "\n" << run.err;
        EXPECT_EQ(2, std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()))
            << c.message << ": the output and job files alone";
    }
}

}  // namespace
