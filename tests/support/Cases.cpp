#include "Cases.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

using json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> foldersIn(const std::string& dir) {
    std::vector<std::string> folders;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.is_directory()) folders.push_back(entry.path().filename());
    std::sort(folders.begin(), folders.end());
    return folders;
}

std::string folderOf(const std::string& id) {
    return sourcePath("tests/cases/" + id.substr(0, id.find('/', id.find('/') + 1)));
}

// The field, or null (which iterates as empty) when the case has none.
const json& field(const json& c, const char* name) {
    static const json none;
    return c.contains(name) ? c[name] : none;
}

// The case's fields; a variant's over them, objects merged and its lines added.
json fieldsOf(const std::string& id) {
    json c = json::parse(readFile(folderOf(id) + "/case.json"));
    const std::size_t variant = id.find('/', id.find('/') + 1);
    json overrides = variant == std::string::npos ? json::object() : c.at("variants").at(id.substr(variant + 1));
    c.erase("variants");
    for (const auto& [source, more] : field(overrides, "lines").items())
        for (const json& e : more) c["lines"][source].push_back(e);
    overrides.erase("lines");
    c.update(overrides, true);
    return c;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

// The output or input file of the job that the agent's command line (argsOf) names.
std::string jobPath(const json& c, const std::string& kind) {
    const std::string name = kind == "output" ? "output/srv/fabricprobe_" : "input/srv/fabrics_to_be_probed_";
    return name + c.value("command", "Topology") + "_20261206_11_22.dat";
}

// The agent's command line every case runs with, but for those that give their "args".
std::vector<std::string> argsOf(const json& c) {
    if (c.contains("args")) return c["args"];
    std::vector<std::string> args = {"-servername", "srv", "-serverip", "192.0.2.1", "-serverport", "9550",
                                     "-command", c.value("command", "Topology"), "-fabrics",
                                     c.value("fabrics", "allfabrics"), "-jobtimestamp", "20261206",
                                     "-discoverrequestid", "11", "-devicejobid", "22"};
    for (const json& extra : field(c, "extra")) args.push_back(extra);
    return args;
}

// The fields with {install}, {output} and {input} replaced, in keys and values.
json expanded(const json& j, const ProbeInstall& install, const json& c) {
    if (j.is_string())
        return replaced(replaced(replaced(j.get<std::string>(), "{install}", install.root()), "{output}",
                                 install.path(jobPath(c, "output"))),
                        "{input}", install.path(jobPath(c, "input")));
    json out = j;
    if (j.is_array())
        for (std::size_t i = 0; i < j.size(); ++i) out[i] = expanded(j[i], install, c);
    if (j.is_object()) {
        out = json::object();
        for (const auto& [key, value] : j.items()) out[expanded(key, install, c).get<std::string>()] = expanded(value, install, c);
    }
    return out;
}

// The installation's folders and files, and the probe's run.
ProbeRunOptions optionsOf(const json& c, const std::string& folder, const ProbeInstall& install) {
    static const json serverFolders = {"output/srv", "input/srv"};
    for (const json& dir : c.contains("dirs") ? c["dirs"] : serverFolders) makeDirs(install.path(dir));
    for (const auto& [path, text] : field(c, "files").items())
        writeFile(install.path(path), text, path.rfind("bin/", 0) == 0 ? 0755 : -1);
    if (c.contains("input")) writeFile(install.path(jobPath(c, "input")), c["input"]);
    ProbeRunOptions options;
    const std::string model = c.value("model", "");
    options.model = c.contains("model") ? (model.empty() ? "" : sourcePath(model))
                    : fileExists(folder + "/model.json") ? folder + "/model.json" : "";
    options.kernel = c.value("kernel", false) || c.contains("driver");
    options.driver = c.value("driver", "");
    options.args = argsOf(c);
    options.env = c.value("env", std::vector<std::string>{});
    options.env.push_back("FABRICSIM_LOG=" + install.path("sim.log"));
    options.fastClock = c.value("fast_clock", false);
    options.agentPipe = c.value("agent_pipe", true);
    options.agentPipeFirst = c.value("agentcom_first", false);
    options.timeoutSeconds = c.value("timeout", 120);
    const std::string program = c.value("program", "");
    options.program = program.find('/') == std::string::npos || program[0] == '/' ? program : install.path(program);
    return options;
}

// Every file with the extension under dir, in the order of their names.
std::string filesUnder(const std::string& dir, const std::string& extension) {
    std::vector<std::string> paths;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file() && entry.path().extension() == extension) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    std::string text;
    for (const std::string& path : paths) text += readFile(path);
    return text;
}

std::string pathOf(const std::string& source, const json& c, const ProbeInstall& install) {
    if (source == "output") return install.path(jobPath(c, "output"));
    if (source == "sim") return install.path("sim.log");
    return source[0] == '/' ? source : install.path(source);
}

std::string textOf(const std::string& source, const json& c, const CaseRun& run) {
    if (source == "stdout") return run.result.out;
    if (source == "stderr") return run.result.err;
    if (source == "status") return run.result.agentStatus;
    if (source == "log" || source == "trace") return filesUnder(run.install.path("log"), "." + source);
    if (source != "agent") return readFile(pathOf(source, c, run.install));
    std::string line;
    for (const std::string& arg : run.install.agentArgs()) line += (line.empty() ? "" : " ") + arg;
    return line;
}

void checkTexts(const json& c, const CaseRun& run) {
    for (const auto& [source, want] : field(c, "text").items()) {
        if (want.is_string()) EXPECT_EQ(want.get<std::string>(), textOf(source, c, run)) << source;
        else EXPECT_EQ(want.is_boolean(), fileExists(pathOf(source, c, run.install))) << source;
    }
    for (const auto& [source, expectations] : field(c, "lines").items()) {
        const std::vector<std::string> lines = splitLines(textOf(source, c, run));
        for (const json& e : expectations) {
            const auto holdsAll = [&e](const std::string& line) {
                return std::all_of(e.begin() + 1, e.end(), [&](const json& part) { return contains(line, part.get<std::string>()); });
            };
            const std::size_t n = static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), holdsAll));
            if (e[0].is_string()) EXPECT_LT(0u, n) << source << ": " << e.dump();
            else EXPECT_EQ(e[0].get<std::size_t>(), n) << source << ": " << e.dump();
        }
    }
}

void checkOutput(const json& c, const std::string& folder, const CaseRun& run) {
    const std::string output = pathOf("output", c, run.install);
    const std::string expected = c.contains("expected") ? sourcePath(c["expected"]) : folder + "/expected.dat";
    if (fileExists(expected)) {
        EXPECT_EQ(readFile(expected), readFile(output));
    } else if (c.value("check", "") == "inside_fabric") {
        EXPECT_TRUE(outputFileEndsInsideAFabric(output));
    } else if (fileExists(output) && c.value("check", "") != "none") {
        EXPECT_TRUE(outputFileIsValid(output));
    }
}

#ifdef FABRICPROBE_NATIVE_STAGE
// The simulator's requests without their times, and the agent's arguments without the installation.
std::vector<std::string> requestsOf(const CaseRun& run) {
    std::vector<std::string> requests;
    for (const std::string& line : readLines(run.install.path("sim.log"))) requests.push_back(line.substr(line.find(' ') + 1));
    return requests;
}
std::string agentOf(const json& c, const CaseRun& run) { return replaced(textOf("agent", c, run), run.install.root(), "."); }

// The same case from the native installation, through its own simulator and SNIA library.
void expectSameAsNative(const json& raw, const std::string& folder, const std::string& name, const CaseRun& cross) {
    const std::string native = FABRICPROBE_NATIVE_STAGE;
    ASSERT_TRUE(fileExists(native + "/bin/fabricprobe")) << "no native installation at " << native;
    CaseRun run(name + "_native");
    const std::string probe = run.install.path("bin/fabricprobe");
    ASSERT_EQ(0, ::unlink(probe.c_str()));
    ASSERT_EQ(0, ::symlink((native + "/bin/fabricprobe").c_str(), probe.c_str()));
    const json c = expanded(raw, run.install, raw);
    ProbeRunOptions options = optionsOf(c, folder, run.install);
    options.args.insert(options.args.begin(), {options.model, "--", probe});
    options.program = native + "/bin/fabricsim-run";
    options.model.clear();
    run.result = runProbe(run.install, options);
    EXPECT_EQ(textOf("output", c, run), textOf("output", c, cross));
    EXPECT_EQ(run.result.exitCode, cross.result.exitCode) << cross.result.err;
    EXPECT_EQ(run.result.signal, cross.result.signal);
    EXPECT_EQ(run.result.agentStatus, cross.result.agentStatus);
    EXPECT_EQ(run.result.err, cross.result.err);
    EXPECT_EQ(agentOf(c, run), agentOf(c, cross));
    EXPECT_EQ(requestsOf(run), requestsOf(cross));
}
#endif

}  // namespace

std::vector<std::string> caseIds() {
    std::vector<std::string> ids;
    for (const std::string& area : foldersIn(sourcePath("tests/cases")))
        for (const std::string& name : foldersIn(sourcePath("tests/cases/" + area))) {
            const std::string file = sourcePath("tests/cases/" + area + "/" + name + "/case.json");
            if (!fileExists(file)) continue;  // shared models and expected files
            const json c = json::parse(readFile(file));
            if (c.contains("run_by")) continue;
            if (!c.contains("variants")) ids.push_back(area + "/" + name);
            for (const auto& variant : field(c, "variants").items())
                ids.push_back(area + "/" + name + "/" + variant.key());
        }
    return ids;
}

CaseRun runCase(const std::string& id, const CasePreparation& prepare) {
    const std::string folder = folderOf(id);
    const std::string name = "case_" + replaced(id, "/", "_");
    const json raw = fieldsOf(id);
    CaseRun run(name);
    const json c = expanded(raw, run.install, raw);
    ProbeRunOptions options = optionsOf(c, folder, run.install);
    if (prepare) prepare(run.install, options);
    const std::set<std::string> before = treeOf(run.install);
    run.result = runProbe(run.install, options);
    EXPECT_EQ(0, run.result.signal);
    EXPECT_EQ(exitStatusOf(c.value("rc", 0)), run.result.exitCode) << run.result.err;
    checkOutput(c, folder, run);
    checkTexts(c, run);
    if (c.contains("created")) {
        std::set<std::string> expected = before;
        for (const json& path : c["created"]) expected.insert(path);
        EXPECT_EQ(expected, treeOf(run.install));
    }
#ifdef FABRICPROBE_NATIVE_STAGE
    if (c.value("parity", false) && !options.kernel) expectSameAsNative(raw, folder, name, run);
#endif
    return run;
}

std::set<std::string> treeOf(const ProbeInstall& install) {
    std::set<std::string> tree;
    for (const auto& entry : fs::recursive_directory_iterator(install.root())) {
        const std::string path = "." + entry.path().string().substr(install.root().size());
        const std::string name = entry.path().filename();
        if (path.rfind("./bin", 0) != 0 && name != "nls" && name != "agent-args") tree.insert(path);
    }
    return tree;
}
