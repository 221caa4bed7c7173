#include "TerminalNotes.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "CmdArgs.h"
#include "CmdTables.h"
#include "KeywordMatch.h"
#include "pssignal.h"

namespace {

const char kUsage[] =
    "usage: fabricprobe -servername S -serverip IP[_IP...] [-serverport N]\n"
    "                   -command Topology|ZoningOnly -fabrics allfabrics|specificfabrics\n"
    "                   -jobtimestamp T -discoverrequestid D -devicejobid J\n"
    "                   [-debug MIN|MID|MAX] [-maxlogsize KB] [-maxnumlogs N]\n"
    "                   [-maxnumruns N] [-maxnumdays N] [-agentcom R,W]\n"
    "       fabricprobe -version\n";

// One line (control characters shown as '?'), then the synopsis when asked for, in one
// write; a reader of standard error that has gone away costs only the text.
void say(const std::string& line, bool withUsage) {
    std::string text = "fabricprobe: ";
    for (const unsigned char c : line) text += c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c);
    text += '\n';
    if (withUsage) text += kUsage;
    psWriteWithoutSigpipe(STDERR_FILENO, text.data(), text.size());
}

// An argument as the line shows it: quoted when empty, cut when very long.
std::string shown(const std::string& text) {
    constexpr std::size_t kMost = 100;
    if (text.empty()) return "\"\"";
    return text.size() > kMost ? text.substr(0, kMost) + "..." : text;
}

std::string lowered(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Letters inserted, deleted or replaced to turn a into b.
std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// " (did you mean X?)" for the candidate that word most likely meant: the same but for
// case and leading dashes, or two letters off at most; empty when none is that close.
std::string suggestion(const std::string& word, const std::vector<std::string>& candidates, const char* prefix) {
    const std::string bare = lowered(word.substr(std::min(word.find_first_not_of('-'), word.size())));
    if (bare.size() < 3) return std::string();
    for (const std::size_t most : {std::size_t{0}, std::size_t{1}, std::size_t{2}})
        for (const std::string& candidate : candidates)
            if (editDistance(bare, lowered(candidate)) <= most) return std::string(" (did you mean ") + prefix + candidate + "?)";
    return std::string();
}

std::vector<std::string> keywords() {
    std::vector<std::string> names;
    for (const KeywordRow* table : {fprobeCmdTable, fprobeOptionTable})
        for (const KeywordRow* row = table; row->name; ++row) names.push_back(row->name);
    return names;
}

bool isOptionKeyword(const std::string& arg) {
    for (const KeywordRow* row = fprobeOptionTable; row->name; ++row)
        if (keywordEquals(arg.c_str() + 1, row->name)) return true;
    return false;
}

// What is wrong with the argument the parse stopped at, when no handler said it.
std::string rejectedArgument(const CmdArgs& args) {
    const std::string& arg = args.currentArg;
    if (arg.empty() || arg[0] != '-') return shown(arg) + " is not an option: options begin with -";
    if (keywordEquals(arg.c_str() + 1, "version")) return "-version must be the first argument";
    if (isOptionKeyword(arg)) return shown(arg) + " cannot be given with -version";
    return "unknown option " + shown(arg) + suggestion(arg, keywords(), "-");
}

}  // namespace

void explainRejectedCommandLine(int parseResult, const CmdArgs& args) {
    std::string why = args.errorText;
    while (!why.empty() && why.back() == '\n') why.pop_back();
    if (parseResult == CMDARGS_NO_MEMORY) return say("not enough memory to read the command line", false);
    if (parseResult == CMDARGS_NO_INSTALL_LOCATION) return say(why, false);
    if (why.empty()) return say(rejectedArgument(args), true);
    // A handler refused its value, or found none; a refusal may have added the value to
    // the argument it names.
    const std::string keyword = args.currentArg.substr(0, args.currentArg.find(' '));
    const char* value = args.argIndex < args.argc ? args.argv[args.argIndex] : nullptr;
    if (!value) return say(shown(keyword) + " needs a value", true);
    say(shown(keyword) + " " + shown(value) + ": " + why, true);
}

void explainFailedChecks(const CmdArgs& args) {
    const struct {
        const std::string& value;
        const char* option;
    } required[] = {
        {args.serverName, "-servername"},
        {args.serverIp, "-serverip"},
        {args.fabricProbeCmd, "-command"},
        {args.fabricProbeFabrics, "-fabrics"},
        {args.fabricProbeJobTimestamp, "-jobtimestamp"},
        {args.fabricProbeDiscoverRequestId, "-discoverrequestid"},
        {args.fabricProbeJobId, "-devicejobid"},
    };
    std::string missing;
    for (const auto& r : required)
        if (r.value.empty()) missing += (missing.empty() ? "missing or empty: " : ", ") + std::string(r.option);
    std::vector<std::string> problems;
    if (!missing.empty()) problems.push_back(missing);
    if (args.serverPort == 0) problems.push_back("-serverport 0 is not a port");
    const struct {
        const std::string& value;
        const char* option;
        std::vector<std::string> words;
    } worded[] = {
        {args.fabricProbeCmd, "-command", {"Topology", "ZoningOnly"}},
        {args.fabricProbeFabrics, "-fabrics", {"allfabrics", "specificfabrics"}},
    };
    for (const auto& w : worded)
        if (!w.value.empty() && std::find(w.words.begin(), w.words.end(), w.value) == w.words.end())
            problems.push_back(std::string(w.option) + " " + shown(w.value) + " is neither " + w.words[0] + " nor " +
                               w.words[1] + suggestion(w.value, w.words, ""));
    std::string line;
    for (const std::string& problem : problems) line += (line.empty() ? "" : "; ") + problem;
    say(line, true);
}

void noteStartFailure(const std::string& why) { say(why, false); }

void noteLoadFailure(int status, const std::string& logPath) {
    say("no adapter was probed: the HBA API could not load any vendor library named in /etc/hba.conf (status " +
            std::to_string(status) + "); activity log: " + logPath,
        false);
}
