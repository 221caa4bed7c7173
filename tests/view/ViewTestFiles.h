// Reading files in memory through the checker, for the view's unit tests.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "Capture.h"
#include "Files.h"
#include "LinkChecker.h"
#include "OutputReader.h"
#include "Problems.h"
#include "ValueChecker.h"

#include "OutputFormat.h"
#include "TopologyWriters.h"
#include "ZoneWriters.h"

// Builds an output file with the probe's own writers, in memory.
class OutputBuilder {
public:
    explicit OutputBuilder(FileKind kind) {
        printHeaderStart(out_.get());
        if (kind == FileKind::Topology) printFabricTopologyProbeHeader(out_.get());
        if (kind == FileKind::Zoning) printFabricZoneProbeHeader(out_.get());
        printHeaderEnd(out_.get());
    }
    OutputBuilder& fabric(const std::string& wwn) {
        printFabricStart(wwn.c_str(), out_.get());
        return *this;
    }
    OutputBuilder& rec(const char* section, const std::vector<std::string>& fields) {
        std::vector<const char*> values;
        for (const std::string& f : fields) values.push_back(f.c_str());
        printRecordBlock(section, values.data(), static_cast<int>(values.size()), out_.get(), "test");
        return *this;
    }
    OutputBuilder& end() {
        printFabricEnd(out_.get());
        return *this;
    }
    std::string text() const { return out_.text(); }

private:
    StreamCapture out_;
};

struct Checked {
    ReadSummary read;
    std::vector<Problem> problems;
    std::uint64_t errors = 0;
    std::uint64_t warnings = 0;
    bool valid() const { return errors == 0; }
    bool has(std::uint64_t line, const std::string& text) const {
        for (const Problem& p : problems)
            if (p.line == line && p.text.find(text) != std::string::npos) return true;
        return false;
    }
    std::string listing() const {
        std::string all;
        for (const Problem& p : problems)
            all += std::to_string(p.line) + (p.severity == Severity::Error ? " E " : " W ") + p.text + "\n";
        return all;
    }
};

// Streams text through the reader and both checkers, and any extra sinks.
inline Checked checkText(const std::string& text, std::vector<RecordSink*> extra = {},
                         std::size_t maxIds = kDefaultMaxIds) {
    Problems problems(1000);
    ValueChecker values(problems);
    LinkChecker links(problems, maxIds);
    std::vector<RecordSink*> sinks = {&values, &links};
    sinks.insert(sinks.end(), extra.begin(), extra.end());
    // fmemopen refuses a zero-sized buffer.
    std::string copy = text;
    FILE* in = text.empty() ? std::fopen("/dev/null", "rb") : ::fmemopen(copy.data(), copy.size(), "rb");
    Checked result;
    result.read = readOutputFile(in, problems, sinks);
    std::fclose(in);
    result.problems = problems.kept();
    result.errors = problems.errors();
    result.warnings = problems.warnings();
    return result;
}

// The text with its first occurrence of `from` replaced.
inline std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// The 1-based number of the line that holds the first occurrence of `what`.
inline std::uint64_t lineOf(const std::string& text, const std::string& what) {
    const std::size_t at = text.find(what);
    std::uint64_t line = 1;
    for (std::size_t i = 0; i < at && i < text.size(); ++i) line += text[i] == '\n';
    return line;
}
