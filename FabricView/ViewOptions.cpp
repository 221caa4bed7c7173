#include "ViewOptions.h"

#include <cstdlib>
#include <limits>

namespace {

bool parseCount(const std::string& text, std::size_t& out) {
    if (text.empty() || text.size() > 12) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    // Past what this platform can count is as good as no limit.
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 10);
    out = value > std::numeric_limits<std::size_t>::max() ? std::numeric_limits<std::size_t>::max()
                                                          : static_cast<std::size_t>(value);
    return true;
}

// What the comparing, converting and searching commands need of the rest.
std::string checkCommandOptions(const ViewOptions& options) {
    const char* name = options.mode == ViewMode::Diff ? "--diff" : options.mode == ViewMode::Json ? "--json" : "--find";
    if (options.check || options.summary || options.dot || !options.svgPath.empty())
        return std::string(name) + " is used without --check, --summary, --dot and --svg";
    const std::size_t n = options.files.size();
    int stdinUses = 0;
    for (const std::string& f : options.files) stdinUses += f == "-";
    if (stdinUses > 1) return "standard input (-) can be read only once";
    switch (options.mode) {
        case ViewMode::Diff:
            if (n != 2) return "--diff needs two files, OLD and NEW";
            break;
        case ViewMode::Json:
            if (n != 1) return "--json reads one FILE";
            if (options.jsonFormat) return "--json writes JSON already: --format goes with --diff or --find";
            break;
        case ViewMode::Find:
            if (n == 0) return "--find needs a WWN and at least one FILE";
            break;
        case ViewMode::Read: break;
    }
    return {};
}

}  // namespace

const char* viewUsage() {
    return "Usage: fabricprobe-view [--check] [--summary] [--svg OUT] [options] FILE\n"
           "       fabricprobe-view --dot FILE > graph.dot\n"
           "       fabricprobe-view --diff [--format json] OLD NEW\n"
           "       fabricprobe-view --json FILE\n"
           "       fabricprobe-view --find WWN [--format json] FILE...\n"
           "Reads a fabricprobe output file (FILE, or - for standard input).\n"
           "  --check             check the file against the format the probe writes and list\n"
           "                      each problem with its line number; exit 1 when there are errors\n"
           "  --summary           count per fabric: switches, links, ports by type and state, end\n"
           "                      ports, nodes, platforms, zone sets, zones and members (the default)\n"
           "  --svg OUT           draw the fabrics into the SVG file OUT (needs Graphviz dot)\n"
           "  --dot               write the drawing as a Graphviz graph to standard output\n"
           "  --max-problems N    list at most N problems (default 100; all are counted)\n"
           "  --max-ids N         hold at most N identifiers per fabric for the link checks and the\n"
           "                      distinct counts (default 2000000)\n"
           "  --diff OLD NEW      what changed from OLD to NEW, per fabric: switches, switch ports,\n"
           "                      attached ports, nodes, inter-switch links, platforms, zone sets,\n"
           "                      zones and zone members, matched by WWN or identifier; exit 0 the\n"
           "                      same, 1 different, 2 either file unreadable or not valid\n"
           "  --json FILE         the whole file as one JSON document on standard output\n"
           "  --find WWN FILE...  the switch port, node, platform and zones of a port or node WWN\n"
           "                      (16 hex digits, colons allowed); exit 0 found, 1 not found\n"
           "  --format text|json  the report of --diff or --find (default text)\n"
           "  --help              show this text\n"
           "Exit status: 0 done (and, with --check, the file is valid); 1 --check found errors;\n"
           "2 wrong arguments, an unreadable file, or a picture that could not be made.\n";
}

std::string parseViewOptions(const std::vector<std::string>& args, ViewOptions& options) {
    bool filesOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](const char* name, std::string& out) -> std::string {
            if (i + 1 >= args.size()) return std::string(name) + " needs a value";
            out = args[++i];
            return {};
        };
        if (filesOnly || arg == "-" || arg.empty() || arg[0] != '-') {
            options.files.push_back(arg);
        } else if (arg == "--") {
            filesOnly = true;
        } else if (arg == "--check") {
            options.check = true;
        } else if (arg == "--summary") {
            options.summary = true;
        } else if (arg == "--dot") {
            options.dot = true;
        } else if (arg == "--svg") {
            if (std::string e = value("--svg", options.svgPath); !e.empty()) return e;
            if (options.svgPath.empty() || options.svgPath == "-")
                return "--svg needs a file name (for standard output use --dot)";
        } else if (arg == "--max-problems" || arg == "--max-ids") {
            std::string text;
            if (std::string e = value(arg.c_str(), text); !e.empty()) return e;
            std::size_t& target = arg == "--max-problems" ? options.maxProblems : options.maxIds;
            if (!parseCount(text, target)) return arg + " needs a whole number, not \"" + text + "\"";
        } else if (arg == "--diff" || arg == "--json" || arg == "--find") {
            const ViewMode mode = arg == "--diff" ? ViewMode::Diff : arg == "--json" ? ViewMode::Json : ViewMode::Find;
            if (options.mode != ViewMode::Read && options.mode != mode) return "--diff, --json and --find are used alone";
            options.mode = mode;
            if (mode == ViewMode::Find)
                if (std::string e = value("--find", options.wwn); !e.empty()) return e;
        } else if (arg == "--format") {
            std::string format;
            if (std::string e = value("--format", format); !e.empty()) return e;
            if (format != "text" && format != "json") return "--format is text or json, not \"" + format + "\"";
            options.jsonFormat = format == "json";
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
            return {};
        } else {
            return "unknown option " + arg;
        }
    }
    if (options.mode != ViewMode::Read) return checkCommandOptions(options);
    if (options.files.empty()) return "no FILE given";
    if (options.files.size() > 1) return "only one FILE can be read at a time";
    options.file = options.files[0];
    if (options.jsonFormat) return "--format goes with --diff or --find";
    if (options.dot && (options.check || options.summary))
        return "--dot writes the graph to standard output: use it without --check and --summary";
    if (!options.check && !options.dot && options.svgPath.empty()) options.summary = true;
    return {};
}
