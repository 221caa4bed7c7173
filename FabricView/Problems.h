// The problems found in a file. Only the first few (by line) are kept for the
// report; all are counted, so a file full of faults costs no memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <queue>
#include <string>
#include <vector>

enum class Severity { Error, Warning };

struct Problem {
    std::uint64_t line = 0;  // 0: the file as a whole
    Severity severity = Severity::Error;
    std::string text;
    std::uint64_t order = 0;  // keeps problems of one line in the order found
};

class Problems {
public:
    explicit Problems(std::size_t keep = 100) : keep_(keep) {}

    void error(std::uint64_t line, std::string text) { add(line, Severity::Error, std::move(text)); }
    void warning(std::uint64_t line, std::string text) { add(line, Severity::Warning, std::move(text)); }

    std::uint64_t errors() const { return errors_; }
    std::uint64_t warnings() const { return warnings_; }
    std::uint64_t total() const { return errors_ + warnings_; }
    // The kept problems, lowest line first.
    std::vector<Problem> kept() const;

private:
    void add(std::uint64_t line, Severity severity, std::string text);

    struct Later {
        bool operator()(const Problem& a, const Problem& b) const {
            return a.line != b.line ? a.line < b.line : a.order < b.order;
        }
    };
    std::size_t keep_;
    std::priority_queue<Problem, std::vector<Problem>, Later> lowest_;  // top: the latest kept
    std::uint64_t errors_ = 0;
    std::uint64_t warnings_ = 0;
};
