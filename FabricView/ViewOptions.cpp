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

}  // namespace

const char* viewUsage() {
    return "Usage: fabricprobe-view [--check] [--summary] [--svg OUT] [options] FILE\n"
           "       fabricprobe-view --dot FILE > graph.dot\n"
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
            if (!options.file.empty()) return "only one FILE can be read at a time";
            options.file = arg;
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
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
            return {};
        } else {
            return "unknown option " + arg;
        }
    }
    if (options.file.empty()) return "no FILE given";
    if (options.dot && (options.check || options.summary))
        return "--dot writes the graph to standard output: use it without --check and --summary";
    if (!options.check && !options.dot && options.svgPath.empty()) options.summary = true;
    return {};
}
