#include "Problems.h"

#include <algorithm>

void Problems::add(std::uint64_t line, Severity severity, std::string text) {
    Problem problem{line, severity, std::move(text), total()};
    (severity == Severity::Error ? errors_ : warnings_) += 1;
    if (keep_ == 0) return;
    if (lowest_.size() < keep_) {
        lowest_.push(std::move(problem));
    } else if (Later()(problem, lowest_.top())) {
        lowest_.pop();
        lowest_.push(std::move(problem));
    }
}

std::vector<Problem> Problems::kept() const {
    auto copy = lowest_;
    std::vector<Problem> problems;
    while (!copy.empty()) {
        problems.push_back(copy.top());
        copy.pop();
    }
    std::reverse(problems.begin(), problems.end());
    return problems;
}
