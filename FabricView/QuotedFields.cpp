#include "QuotedFields.h"

#include <cstdint>
#include <cstdlib>
#include <unordered_set>

namespace {

// A closing quote at `end` must end the line or be followed by ',' and the next
// field's opening quote.
bool endsField(std::string_view line, std::size_t end) {
    return end + 1 == line.size() ||
           (line[end + 1] == ',' && end + 2 < line.size() && line[end + 2] == '"');
}

// Where the field opening at `start` may close, shortest first. A quote after a
// backslash may be an escaped quote or the close of a value ending in a backslash;
// the first quote without a backslash before it always closes.
std::vector<std::size_t> closings(std::string_view line, std::size_t start) {
    std::vector<std::size_t> ends;
    for (std::size_t j = start + 1; j < line.size(); ++j) {
        if (line[j] != '"') continue;
        const bool escaped = j - 1 > start && line[j - 1] == '\\';
        if (endsField(line, j)) ends.push_back(j);
        if (!escaped) break;
    }
    return ends;
}

std::string unescape(std::string_view inner) {
    std::string value;
    value.reserve(inner.size());
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '\\' && i + 1 < inner.size() && inner[i + 1] == '"') continue;
        value += inner[i];
    }
    return value;
}

class Splitter {
public:
    Splitter(std::string_view line, int expected) : line_(line), expected_(expected) {}

    bool split(std::size_t pos, int index, std::vector<std::size_t>& bounds) {
        if (index == expected_) return pos == line_.size();
        if (pos >= line_.size() || line_[pos] != '"') return false;
        const std::uint64_t key = (std::uint64_t(pos) << 8) | std::uint64_t(index);
        if (failed_.count(key)) return false;
        for (std::size_t end : closings(line_, pos)) {
            const bool last = index + 1 == expected_;
            if (last != (end + 1 == line_.size())) continue;
            bounds.push_back(pos);
            bounds.push_back(end);
            if (split(last ? end + 1 : end + 2, index + 1, bounds)) return true;
            bounds.resize(bounds.size() - 2);
        }
        failed_.insert(key);
        return false;
    }

private:
    std::string_view line_;
    int expected_;
    std::unordered_set<std::uint64_t> failed_;
};

// The plain reading (every '\"' an escaped quote), to say what is wrong with a line.
FieldSplit diagnose(std::string_view line, int expected) {
    FieldSplit result;
    int count = 0;
    std::size_t pos = 0;
    for (;;) {
        if (pos >= line.size() || line[pos] != '"') {
            result.errorColumn = pos + 1;
            result.error = pos >= line.size() ? "a field is missing after the last comma"
                                              : "a field does not begin with a double quote";
            return result;
        }
        std::size_t end = pos + 1;
        while (end < line.size() && !(line[end] == '"' && line[end - 1] != '\\')) ++end;
        if (end >= line.size()) {
            // A value ending in a backslash still closes at the line's last quote.
            if (line.back() == '"' && line.size() - 1 > pos) {
                end = line.size() - 1;
            } else {
                result.errorColumn = pos + 1;
                result.error = "the field's closing double quote is missing";
                return result;
            }
        }
        ++count;
        if (end + 1 == line.size()) break;
        if (line[end + 1] != ',') {
            result.errorColumn = end + 2;
            result.error = "text follows a closing double quote (a double quote inside a value "
                           "must be written as \\\")";
            return result;
        }
        pos = end + 2;
    }
    result.errorColumn = 0;
    result.error = std::to_string(count) + (count == 1 ? " field" : " fields") + " where " +
                   std::to_string(expected) + " are expected";
    return result;
}

// The field count nearest to `expected` that some reading of the line gives (up
// to 64 fields), or 0. One pass: each field start keeps the set of field numbers
// it can have.
int nearestFieldCount(std::string_view line, int expected) {
    std::vector<std::uint64_t> startsAs(line.size() + 1, 0);
    std::uint64_t counts = 0;  // bit n-1: n fields possible
    if (!line.empty() && line[0] == '"') startsAs[0] = 1;
    for (std::size_t pos = 0; pos < line.size(); ++pos) {
        const std::uint64_t numbers = startsAs[pos];
        if (!numbers) continue;
        for (std::size_t end : closings(line, pos)) {
            if (end + 1 == line.size())
                counts |= numbers;
            else
                startsAs[end + 2] |= numbers << 1;
        }
    }
    int best = 0;
    for (int n = 1; n <= 64; ++n) {
        if (!(counts >> (n - 1) & 1)) continue;
        if (best == 0 || std::abs(n - expected) < std::abs(best - expected)) best = n;
    }
    return best;
}

}  // namespace

FieldSplit splitFields(std::string_view line, int expectedFields) {
    FieldSplit result;
    if (expectedFields <= 0) {
        result.error = "no fields are expected";
        return result;
    }
    std::vector<std::size_t> bounds;
    if (line.size() <= kMaxSplitLine) {
        Splitter splitter(line, expectedFields);
        if (splitter.split(0, 0, bounds)) {
            result.ok = true;
            for (std::size_t i = 0; i < bounds.size(); i += 2)
                result.fields.push_back(unescape(line.substr(bounds[i] + 1, bounds[i + 1] - bounds[i] - 1)));
            return result;
        }
    }
    // Some other number of fields may fit: say so rather than blame the quoting.
    if (line.size() <= kMaxSplitLine) {
        const int count = nearestFieldCount(line, expectedFields);
        if (count > 0) {
            result.error = std::to_string(count) + (count == 1 ? " field" : " fields") + " where " +
                           std::to_string(expectedFields) + " are expected";
            return result;
        }
    }
    return diagnose(line, expectedFields);
}
