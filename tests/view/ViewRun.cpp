#include "ViewRun.h"

#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
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

std::string runModel(const std::string& test, const std::string& command, const std::string& model) {
    ProbeInstall install("view_" + test);
    makeDirs(install.path(std::string("output/") + kServer));
    ProbeRunOptions options;
    options.model = sourcePath(model);
    options.args = {"-servername", kServer, "-serverip", "192.0.2.1", "-serverport", "9549", "-command", command,
                    "-fabrics", "allfabrics", "-jobtimestamp", kStamp, "-discoverrequestid", "1", "-devicejobid", "1"};
    const ProbeRunResult run = runProbe(install, options);
    EXPECT_EQ(0, run.exitCode) << model << " " << command << ": " << run.err;
    return install.path(std::string("output/") + kServer + "/fabricprobe_" + command + "_" + kStamp + "_1_1.dat");
}

std::string runExample(const std::string& test, const std::string& command) {
    return runModel(test, command, "examples/san.json");
}

std::string placeholders(std::string text, const std::vector<std::pair<std::string, std::string>>& pathNames) {
    for (const auto& [path, name] : pathNames)
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

::testing::AssertionResult jsonHoldsEveryRecord(const std::string& path) {
    using Sections = std::map<std::string, std::size_t>;
    const RunResult run = runView({"--json", path});
    nlohmann::json doc;
    try {
        doc = nlohmann::json::parse(run.out);
    } catch (const std::exception& e) {
        return ::testing::AssertionFailure() << "--json " << path << " is no JSON document: " << e.what();
    }
    // The record blocks of the file, fabric by fabric: every opening line after the header.
    std::vector<Sections> blocks;
    std::istringstream in(readFile(path));
    bool header = true;
    for (std::string line; std::getline(in, line);) {
        if (header || line.size() < 3 || line[0] != '[' || line[1] == '/') {
            header = header && line != "[/Header]";
        } else if (line == "[Fabric]") {
            blocks.emplace_back();
        } else if (!blocks.empty()) {
            ++blocks.back()[line.substr(1, line.size() - 2)];
        }
    }
    std::vector<Sections> records;
    for (const auto& fabric : doc["fabrics"]) {
        records.emplace_back();
        for (const auto& [section, list] : fabric["records"].items()) records.back()[section] = list.size();
    }
    if (doc["file"] != path || records != blocks)
        return ::testing::AssertionFailure() << "--json of " << path << " misses records:\n" << run.out.substr(0, 3000);
    return ::testing::AssertionSuccess();
}
