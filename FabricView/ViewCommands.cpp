#include "ViewCommands.h"

#include <iostream>
#include <nlohmann/json.hpp>

#include "CountText.h"
#include "InputFile.h"
#include "JsonStream.h"
#include "LinkChecker.h"
#include "OutputReader.h"
#include "Snapshot.h"
#include "SnapshotDiff.h"
#include "ValueChecker.h"
#include "WwnFind.h"

namespace {


// Notices a fabric block without its closing line: a file cut short.
class OpenBlockWatch : public RecordSink {
public:
    void fabricStart(const std::string&, std::uint64_t line) override { start_ = line; }
    void fabricEnd(std::uint64_t, bool closed) override {
        if (!closed && !openAt) openAt = start_;
    }
    std::uint64_t openAt = 0;  // the first fabric block left open

private:
    std::uint64_t start_ = 0;
};

std::string whyNotValid(const std::string& path, std::FILE* in, RecordSink& sink, std::size_t maxIds, Problems& problems) {
    ValueChecker values(problems);
    LinkChecker links(problems, maxIds);
    OpenBlockWatch watch;
    const ReadSummary read = readOutputFile(in, problems, {&values, &links, &watch, &sink});
    if (read.readFailed) return "cannot read " + inputName(path) + " to its end";
    if (!problems.errors()) return {};
    const std::vector<Problem> first = problems.kept();
    std::string why = inputName(path) + " is not a valid output file";
    if (watch.openAt)
        why += ": it is cut short (the fabric block at line " + std::to_string(watch.openAt) + " has no [/Fabric])";
    why += " (" + plural(problems.errors(), "error", "errors");
    if (!first.empty())
        why += "; " + (first[0].line ? "line " + std::to_string(first[0].line) + ": " : std::string()) + first[0].text;
    return why + "); --check lists every problem";
}

struct CheckedRead {
    bool opened = false;
    std::string why;  // empty, or why the file cannot be used: unreadable, or not valid
};

// Reads the whole file through the checks and the given sink.
CheckedRead readChecked(const std::string& path, RecordSink& sink, std::size_t maxIds, Problems& problems) {
    CheckedRead result;
    InputFile in = openInput(path, result.why);
    if (!in) return result;
    result.opened = true;
    result.why = whyNotValid(path, in.get(), sink, maxIds, problems);
    return result;
}
int trouble(const std::string& why) {
    std::cerr << "fabricprobe-view: " << why << "\n";
    return 2;
}

void conflictNote(const std::string& path, const Snapshot& s) {
    if (s.conflicts)
        std::cerr << "fabricprobe-view: note: " << inputName(path) << ": "
                  << plural(s.conflicts, "record repeats", "records repeat")
                  << " the key of an earlier one with other values; the first one read is used\n";
}

int written(int status) {
    std::cout.flush();
    if (!std::cout) return trouble("cannot write to standard output");
    return status;
}

int runDiff(const ViewOptions& options) {
    Snapshot snapshots[2];
    for (int i = 0; i < 2; ++i) {
        Problems problems(1);
        SnapshotBuilder builder(snapshots[i]);
        const CheckedRead read = readChecked(options.files[i], builder, options.maxIds, problems);
        if (!read.why.empty()) return trouble(read.why);
    }
    const std::string oldName = inputName(options.files[0]);
    const std::string newName = inputName(options.files[1]);
    if (snapshots[0].kind != snapshots[1].kind)
        return trouble("cannot compare files of different probe types: " + oldName + " is " +
                       fileKindText(snapshots[0].kind) + ", " + newName + " is " + fileKindText(snapshots[1].kind));
    for (int i = 0; i < 2; ++i) conflictNote(options.files[i], snapshots[i]);
    const nlohmann::ordered_json diff = diffSnapshots({oldName, &snapshots[0]}, {newName, &snapshots[1]});
    if (options.jsonFormat)
        std::cout << diff.dump(2) << "\n";
    else
        std::cout << formatDiff(diff);
    return written(diff["differences"].get<std::size_t>() ? 1 : 0);
}

int runJson(const ViewOptions& options) {
    Problems problems(1);
    JsonStream stream(stdout, inputName(options.files[0]));
    const CheckedRead read = readChecked(options.files[0], stream, options.maxIds, problems);
    // A file that cannot be opened yields no document; a broken one a whole document that says so.
    if (!read.opened) return trouble(read.why);
    stream.end(problems.errors(), problems.warnings());
    if (!stream.failure().empty()) return trouble(stream.failure());
    return read.why.empty() ? 0 : trouble(read.why);
}

int runFind(const ViewOptions& options) {
    const std::string wwn = canonicalWwn(options.wwn);
    if (wwn.empty())
        return trouble("\"" + options.wwn + "\" is no WWN: give 16 hexadecimal digits, with or without colons");
    std::vector<Snapshot> snapshots(options.files.size());
    std::vector<FindFile> files;
    bool bad = false;
    for (std::size_t i = 0; i < options.files.size(); ++i) {
        Problems problems(1);
        SnapshotBuilder builder(snapshots[i]);
        const CheckedRead read = readChecked(options.files[i], builder, options.maxIds, problems);
        if (!read.why.empty()) {
            // The other files are still searched; the exit status tells of the trouble.
            trouble(read.why);
            bad = true;
            continue;
        }
        conflictNote(options.files[i], snapshots[i]);
        files.push_back({inputName(options.files[i]), &snapshots[i]});
    }
    const nlohmann::ordered_json found = findWwn(wwn, files);
    if (options.jsonFormat)
        std::cout << found.dump(2) << "\n";
    else
        std::cout << formatFind(found);
    return written(bad ? 2 : found["found"].get<bool>() ? 0 : 1);
}

}  // namespace

int runViewCommand(const ViewOptions& options) {
    switch (options.mode) {
        case ViewMode::Diff: return runDiff(options);
        case ViewMode::Json: return runJson(options);
        case ViewMode::Find: return runFind(options);
        case ViewMode::Read: break;
    }
    return 2;
}
