// fabricprobe-view: reads a probe output file as the agent's server does; checks it,
// sums it up, or draws its fabrics.
#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "CountText.h"
#include "GraphvizRun.h"
#include "InputFile.h"
#include "LinkChecker.h"
#include "OutputReader.h"
#include "Picture.h"
#include "Problems.h"
#include "Summary.h"
#include "ValueChecker.h"
#include "ViewCommands.h"
#include "ViewOptions.h"

namespace {


void printProblems(const std::string& name, const Problems& problems, std::size_t listed) {
    const std::vector<Problem> kept = problems.kept();
    for (const Problem& p : kept) {
        std::cout << name;
        if (p.line) std::cout << ":" << p.line;
        std::cout << (p.severity == Severity::Error ? ": error: " : ": warning: ") << p.text << "\n";
    }
    if (problems.total() > kept.size())
        std::cout << name << ": " << plural(problems.total() - kept.size(), "more problem", "more problems")
                  << " not listed (--max-problems " << listed << ")\n";
}

}  // namespace

int main(int argc, char** argv) {
    ViewOptions options;
    const std::string wrong = parseViewOptions(std::vector<std::string>(argv + 1, argv + argc), options);
    if (options.help) {
        std::cout << viewUsage();
        return 0;
    }
    if (!wrong.empty()) {
        std::cerr << "fabricprobe-view: " << wrong << "\n" << viewUsage();
        return 2;
    }

    if (options.mode != ViewMode::Read) return runViewCommand(options);

    const bool fromStdin = options.file == "-";
    const std::string name = inputName(options.file);
    std::string cannot;
    InputFile in = openInput(options.file, cannot);
    if (!in) {
        std::cerr << "fabricprobe-view: " << cannot << "\n";
        return 2;
    }

    Problems problems(options.maxProblems);
    ValueChecker values(problems);
    LinkChecker links(problems, options.maxIds);
    SummaryCollector summary(options.maxIds);
    Picture picture;
    std::vector<RecordSink*> sinks = {&values, &links};
    if (options.summary) sinks.push_back(&summary);
    const bool drawing = options.dot || !options.svgPath.empty();
    if (drawing) sinks.push_back(&picture);

    const ReadSummary read = readOutputFile(in.get(), problems, sinks);
    in.reset();

    int status = 0;
    if (options.check) {
        printProblems(name, problems, options.maxProblems);
        if (problems.errors() == 0) {
            std::cout << name << ": valid " << fileKindText(read.kind) << ": " << plural(read.lines, "line", "lines")
                      << ", " << plural(read.fabrics, "fabric", "fabrics") << ", "
                      << plural(read.records, "record", "records");
            if (problems.warnings()) std::cout << ", " << plural(problems.warnings(), "warning", "warnings");
            std::cout << "\n";
        } else {
            std::cout << name << ": not valid: " << plural(problems.errors(), "error", "errors");
            if (problems.warnings()) std::cout << ", " << plural(problems.warnings(), "warning", "warnings");
            std::cout << "\n";
            status = 1;
        }
    } else if (problems.errors()) {
        std::cerr << "fabricprobe-view: " << name << " has " << plural(problems.errors(), "error", "errors")
                  << " (--check lists them)\n";
    }

    if (options.summary) {
        if (options.check) std::cout << "\n";
        std::cout << formatSummary(name, read.kind, summary.fabrics(), summary.fabricsLeftOut());
    }
    if (drawing) {
        std::ostringstream dot;
        picture.writeDot(dot, fromStdin ? name : options.file.substr(options.file.rfind('/') + 1));
        if (options.dot) std::cout << dot.str();
        if (!options.svgPath.empty()) {
            const std::string failed = renderSvg(dot.str(), options.svgPath);
            if (!failed.empty()) {
                std::cerr << "fabricprobe-view: " << failed << "\n";
                return 2;
            }
        }
    }
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "fabricprobe-view: cannot write to standard output\n";
        return 2;
    }
    if (read.readFailed) {
        std::cerr << "fabricprobe-view: cannot read " << name << " to its end\n";
        return 2;
    }
    return status;
}
