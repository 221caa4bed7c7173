#include "LineReader.h"

#include <algorithm>
#include <cstring>

LineReader::LineReader(std::FILE* in, std::size_t maxLine)
    : in_(in), maxLine_(maxLine), buffer_(1 << 16) {}

bool LineReader::fill() {
    if (eof_) return false;
    end_ = std::fread(buffer_.data(), 1, buffer_.size(), in_);
    pos_ = 0;
    if (end_ == 0) {
        eof_ = true;
        failed_ = std::ferror(in_) != 0;
        return false;
    }
    return true;
}

bool LineReader::next(Line& line) {
    line.text.clear();
    line.length = 0;
    line.endsWithLineFeed = false;
    bool any = false;
    for (;;) {
        if (pos_ == end_ && !fill()) break;
        any = true;
        const char* start = buffer_.data() + pos_;
        const std::size_t avail = end_ - pos_;
        const void* lf = std::memchr(start, '\n', avail);
        const std::size_t take = lf ? static_cast<const char*>(lf) - start : avail;
        if (line.text.size() < maxLine_)
            line.text.append(start, std::min(take, maxLine_ - line.text.size()));
        line.length += take;
        pos_ += take;
        if (lf) {
            ++pos_;
            line.endsWithLineFeed = true;
            break;
        }
    }
    if (!any) return false;
    line.number = ++number_;
    return true;
}
