// Reads a file line by line in fixed-size chunks, so a line without end or a file
// of any size costs no more memory than the longest line it keeps.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct Line {
    std::string text;             // without the line feed; at most the reader's limit
    std::uint64_t number = 0;     // 1-based
    std::uint64_t length = 0;     // the whole line's length, also past the limit
    bool endsWithLineFeed = true;
    bool tooLong() const { return length > text.size(); }
};

class LineReader {
public:
    LineReader(std::FILE* in, std::size_t maxLine);
    // False at the end of the input or on a read error (see failed()).
    bool next(Line& line);
    bool failed() const { return failed_; }

private:
    bool fill();

    std::FILE* in_;
    std::size_t maxLine_;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::uint64_t number_ = 0;
    bool eof_ = false;
    bool failed_ = false;
};
