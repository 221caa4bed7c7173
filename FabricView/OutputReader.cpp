#include "OutputReader.h"

#include <string>
#include <string_view>

#include "LineReader.h"
#include "QuotedFields.h"

namespace {

enum class LineType { Empty, Opening, Closing, Data, Other };

LineType typeOf(std::string_view text) {
    if (text.empty()) return LineType::Empty;
    if (text.front() == '"') return LineType::Data;
    if (text.front() == '[' && text.back() == ']' && text.size() > 2)
        return text[1] == '/' ? (text.size() > 3 ? LineType::Closing : LineType::Other) : LineType::Opening;
    return LineType::Other;
}

// The name between the brackets, without the slash of a closing line.
std::string_view nameOf(std::string_view text, LineType type) {
    const std::size_t skip = type == LineType::Closing ? 2 : 1;
    return text.substr(skip, text.size() - skip - 1);
}

std::string bracketed(std::string_view name) { return "[" + std::string(name) + "]"; }
std::string closing(std::string_view name) { return "[/" + std::string(name) + "]"; }

// Shortens a line for a message; the line number says where the rest is.
std::string shown(std::string_view text) {
    constexpr std::size_t kShown = 60;
    std::string out;
    for (char c : text.substr(0, kShown)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) {
            static const char kHex[] = "0123456789ABCDEF";
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 0x0F];
        } else {
            out += c;
        }
    }
    if (text.size() > kShown) out += "...";
    return "\"" + out + "\"";
}

class Reader {
public:
    Reader(Problems& problems, const std::vector<RecordSink*>& sinks) : problems_(problems), sinks_(sinks) {}

    void feed(const Line& line);
    void finish(const Line& last, bool any);
    ReadSummary summary;

private:
    enum class State { Start, Header, Body, FabricWwn, Fabric, RecordData, RecordClose };

    void handle(std::uint64_t n, std::string_view text, bool tooLong);
    void handleBody(std::uint64_t n, std::string_view text, LineType type);
    void handleFabric(std::uint64_t n, std::string_view text, LineType type);
    void handleRecordData(std::uint64_t n, std::string_view text, LineType type, bool tooLong);
    void handleRecordClose(std::uint64_t n, std::string_view text, LineType type);
    void endHeader(std::uint64_t n, bool closed);
    void openRecord(std::uint64_t n, std::string_view name);
    void unreadableLine(std::uint64_t n, std::string_view text, LineType type);
    void emitRecord();
    void startFabric(const std::string& wwn);
    void endFabric(std::uint64_t n, bool closed);
    bool inFabric() const {
        return state_ == State::FabricWwn || state_ == State::Fabric ||
               ((state_ == State::RecordData || state_ == State::RecordClose) && !outsideFabric_);
    }
    void setKind(FileKind kind) {
        summary.kind = kind;
        for (RecordSink* sink : sinks_) sink->header(kind);
    }

    Problems& problems_;
    const std::vector<RecordSink*>& sinks_;
    State state_ = State::Start;
    std::vector<std::string> headerLines_;
    std::uint64_t headerLine_ = 0;
    bool kindFixed_ = false;  // false while a broken header leaves the kind to the records

    std::uint64_t fabricLine_ = 0;

    // The record block being read.
    std::string recordName_;
    const SectionInfo* recordInfo_ = nullptr;  // nullptr: unknown section or not allowed here
    bool recordAllowed_ = false;
    bool outsideFabric_ = false;
    bool recordOk_ = false;
    Record record_;
};

void Reader::feed(const Line& line) {
    std::string_view text = line.text;
    if (line.tooLong()) {
        problems_.error(line.number, "the line is " + std::to_string(line.length) +
                                         " bytes long, more than the " +
                                         std::to_string(kMaxLineLength) + " this reader takes");
    } else {
        if (!text.empty() && text.back() == '\r') {
            problems_.error(line.number, "the line ends with a carriage return (lines end with a line feed alone)");
            text.remove_suffix(1);
        }
        if (text.find('\0') != std::string_view::npos)
            problems_.error(line.number, "the line holds a NUL byte");
    }
    handle(line.number, text, line.tooLong());
}

void Reader::handle(std::uint64_t n, std::string_view text, bool tooLong) {
    const LineType type = tooLong ? LineType::Other : typeOf(text);
    switch (state_) {
        case State::Start:
            if (text == "[Header]") {
                state_ = State::Header;
                headerLine_ = n;
                return;
            }
            problems_.error(n, "the file does not begin with [Header]");
            state_ = State::Body;
            handle(n, text, tooLong);
            return;
        case State::Header:
            if (text == "[/Header]") {
                endHeader(n, true);
                return;
            }
            // Column blocks hold section lines and unquoted column names only.
            if (type == LineType::Data || type == LineType::Empty || headerLines_.size() >= 40) {
                endHeader(n, false);
                // A cut header may run straight into the first fabric block.
                if (!headerLines_.empty() && headerLines_.back() == "[Fabric]" && type == LineType::Data) {
                    fabricLine_ = n - 1;
                    state_ = State::FabricWwn;
                }
                handle(n, text, tooLong);
                return;
            }
            headerLines_.emplace_back(text);
            return;
        case State::Body: return handleBody(n, text, type);
        case State::FabricWwn:
            if (type == LineType::Data) {
                const FieldSplit split = splitFields(text, 1);
                if (!split.ok) {
                    problems_.error(n, "the fabric's WWN line is broken: " + split.error);
                    startFabric("");
                } else {
                    startFabric(split.fields[0]);
                }
                state_ = State::Fabric;
                return;
            }
            problems_.error(n, "[Fabric] at line " + std::to_string(fabricLine_) +
                                   " is not followed by the fabric's quoted WWN");
            startFabric("");
            state_ = State::Fabric;
            handle(n, text, tooLong);
            return;
        case State::Fabric: return handleFabric(n, text, type);
        case State::RecordData: return handleRecordData(n, text, type, tooLong);
        case State::RecordClose: return handleRecordClose(n, text, type);
    }
}

void Reader::endHeader(std::uint64_t n, bool closed) {
    if (!closed)
        problems_.error(n, "the header that begins at line " + std::to_string(headerLine_) +
                               " has no closing line [/Header]");
    state_ = State::Body;
    const std::uint64_t first = headerLine_ + 1;
    if (headerLines_.empty()) {
        kindFixed_ = true;
        setKind(FileKind::NoColumns);
        return;
    }
    // The third line tells the blocks apart; a header cut before it leaves the
    // kind to the records.
    FileKind kind = FileKind::Unknown;
    if (headerLines_.size() >= 3) {
        if (headerLines_[2] == "[FabricToInterconnectElement]") kind = FileKind::Topology;
        if (headerLines_[2] == "[FabricToZoneSet]") kind = FileKind::Zoning;
    }
    const std::vector<std::string_view> expected =
        headerColumnBlock(kind == FileKind::Unknown ? FileKind::Topology : kind);
    bool same = headerLines_.size() == expected.size();
    for (std::size_t i = 0; i < headerLines_.size(); ++i) {
        if (i >= expected.size()) {
            problems_.error(first + i, "the header holds more lines than a column block has");
            same = false;
            break;
        }
        if (headerLines_[i] != expected[i]) {
            if (kind == FileKind::Unknown)
                problems_.error(first + i, "the header holds neither the Topology nor the ZoningOnly column block: " +
                                               shown(headerLines_[i]) + " is no line of either");
            else
                problems_.error(first + i, std::string("the ") + fileKindName(kind) +
                                               " column block has " + shown(expected[i]) + " here, not " +
                                               shown(headerLines_[i]));
            same = false;
            break;
        }
    }
    if (same || kind != FileKind::Unknown) {
        if (!same && headerLines_.size() < expected.size() &&
            std::equal(headerLines_.begin(), headerLines_.end(), expected.begin()))
            problems_.error(n, std::string("the header ends after ") + std::to_string(headerLines_.size()) +
                                   " of the " + std::to_string(expected.size()) + " lines of the " +
                                   fileKindName(kind) + " column block");
        kindFixed_ = kind != FileKind::Unknown;
        if (kindFixed_) setKind(kind);
        return;
    }
    if (headerLines_.size() < expected.size() &&
        std::equal(headerLines_.begin(), headerLines_.end(), expected.begin()))
        problems_.error(n, "the header ends after " + std::to_string(headerLines_.size()) +
                               " lines of a column block");
}

void Reader::handleBody(std::uint64_t n, std::string_view text, LineType type) {
    switch (type) {
        case LineType::Opening:
            if (text == "[Fabric]") {
                fabricLine_ = n;
                state_ = State::FabricWwn;
                return;
            }
            if (text != "[Header]")
                problems_.error(n, bracketed(nameOf(text, type)) + " block outside a fabric block");
            outsideFabric_ = true;
            openRecord(n, nameOf(text, type));
            return;
        case LineType::Closing:
            problems_.error(n, text == "[/Fabric]" ? std::string("[/Fabric] without an open fabric block")
                                                   : "closing line " + std::string(text) + " without its block");
            return;
        case LineType::Data: problems_.error(n, "data line outside a fabric block"); return;
        case LineType::Empty:
        case LineType::Other: unreadableLine(n, text, type); return;
    }
}

void Reader::handleFabric(std::uint64_t n, std::string_view text, LineType type) {
    switch (type) {
        case LineType::Opening:
            if (text == "[Fabric]") {
                problems_.error(n, "the fabric block opened at line " + std::to_string(fabricLine_) +
                                       " has no closing line [/Fabric] before the next [Fabric]");
                endFabric(n, false);
                fabricLine_ = n;
                state_ = State::FabricWwn;
                return;
            }
            outsideFabric_ = false;
            openRecord(n, nameOf(text, type));
            return;
        case LineType::Closing:
            if (text == "[/Fabric]") {
                endFabric(n, true);
                state_ = State::Body;
                return;
            }
            problems_.error(n, "closing line " + std::string(text) + " without its opening line");
            return;
        case LineType::Data: problems_.error(n, "data line outside a record block"); return;
        case LineType::Empty:
        case LineType::Other: unreadableLine(n, text, type); return;
    }
}

// An empty line, or one that is neither a section line nor data, wherever it stands.
void Reader::unreadableLine(std::uint64_t n, std::string_view text, LineType type) {
    if (type == LineType::Empty)
        problems_.error(n, "empty line");
    else
        problems_.error(n, "the line " + shown(text) + " is neither a section line nor a quoted data line");
}

void Reader::openRecord(std::uint64_t n, std::string_view name) {
    recordName_ = std::string(name);
    recordInfo_ = findSection(name);
    recordOk_ = false;
    record_.line = n;
    record_.fields.clear();
    recordAllowed_ = false;
    state_ = State::RecordData;
    if (name == "Header") {
        problems_.error(n, "a second [Header] section");
        return;
    }
    if (!recordInfo_) {
        problems_.error(n, "unknown section " + bracketed(name));
        return;
    }
    record_.section = recordInfo_->section;
    if (!kindFixed_ && !outsideFabric_) {
        kindFixed_ = true;
        setKind(recordInfo_->kind);
    }
    if (kindFixed_ && recordInfo_->kind != summary.kind) {
        problems_.error(n, bracketed(name) + " records do not belong in a file whose header is " +
                               (summary.kind == FileKind::NoColumns ? std::string("without columns")
                                                                    : std::string("for ") + fileKindName(summary.kind)));
        return;
    }
    recordAllowed_ = !outsideFabric_;
}

void Reader::handleRecordData(std::uint64_t n, std::string_view text, LineType type, bool tooLong) {
    if (type == LineType::Data || (tooLong && !text.empty() && text.front() == '"')) {
        state_ = State::RecordClose;
        if (!recordInfo_ || tooLong) return;
        FieldSplit split = splitFields(text, recordInfo_->fieldCount);
        if (!split.ok) {
            std::string where = split.errorColumn ? " at column " + std::to_string(split.errorColumn) : "";
            problems_.error(n, bracketed(recordName_) + " data line" + where + ": " + split.error);
            return;
        }
        record_.fields = std::move(split.fields);
        recordOk_ = true;
        return;
    }
    problems_.error(record_.line, bracketed(recordName_) + " block has no data line");
    state_ = outsideFabric_ ? State::Body : State::Fabric;
    handle(n, text, tooLong);
}

void Reader::handleRecordClose(std::uint64_t n, std::string_view text, LineType type) {
    const State back = outsideFabric_ ? State::Body : State::Fabric;
    if (type == LineType::Closing && nameOf(text, type) == recordName_) {
        emitRecord();
        state_ = back;
        return;
    }
    if (type == LineType::Data) {
        problems_.error(n, bracketed(recordName_) + " block holds more than one data line");
        return;
    }
    if (type == LineType::Closing && text != "[/Fabric]") {
        problems_.error(n, bracketed(recordName_) + " block opened at line " + std::to_string(record_.line) +
                               " ends with " + std::string(text));
        emitRecord();
        state_ = back;
        return;
    }
    problems_.error(n, bracketed(recordName_) + " block opened at line " + std::to_string(record_.line) +
                           " has no closing line " + closing(recordName_));
    emitRecord();
    state_ = back;
    handle(n, text, false);
}

void Reader::emitRecord() {
    if (!recordOk_ || !recordAllowed_) return;
    ++summary.records;
    for (RecordSink* sink : sinks_) sink->record(record_);
    recordOk_ = false;
}

void Reader::startFabric(const std::string& wwn) {
    ++summary.fabrics;
    for (RecordSink* sink : sinks_) sink->fabricStart(wwn, fabricLine_);
}

void Reader::endFabric(std::uint64_t n, bool closed) {
    for (RecordSink* sink : sinks_) sink->fabricEnd(n, closed);
}

void Reader::finish(const Line& last, bool any) {
    if (!any) {
        problems_.error(0, "the file is empty");
        return;
    }
    const std::uint64_t n = last.number;
    if (!last.endsWithLineFeed)
        problems_.error(n, "the last line has no line feed: the file is cut short");
    switch (state_) {
        case State::Start:
        case State::Body: break;
        case State::Header:
            problems_.error(n, "the file ends inside the header that begins at line " + std::to_string(headerLine_));
            endHeader(n, true);
            break;
        case State::RecordData:
        case State::RecordClose:
            problems_.error(n, "the file ends inside the " + bracketed(recordName_) + " block opened at line " +
                                   std::to_string(record_.line));
            emitRecord();
            if (outsideFabric_) break;
            [[fallthrough]];
        case State::FabricWwn:
        case State::Fabric:
            if (state_ == State::FabricWwn) startFabric("");
            problems_.error(n, "the file ends inside the fabric block opened at line " +
                                   std::to_string(fabricLine_) + ": [/Fabric] is missing");
            endFabric(n, false);
            break;
    }
    for (RecordSink* sink : sinks_) sink->finish();
}

}  // namespace

ReadSummary readOutputFile(std::FILE* in, Problems& problems, const std::vector<RecordSink*>& sinks) {
    Reader reader(problems, sinks);
    LineReader lines(in, kMaxLineLength);
    Line line;
    Line last;
    bool any = false;
    while (lines.next(line)) {
        any = true;
        reader.feed(line);
        last.number = line.number;
        last.endsWithLineFeed = line.endsWithLineFeed;
    }
    if (lines.failed()) {
        problems.error(0, "the file could not be read to its end");
        reader.summary.readFailed = true;
    }
    reader.finish(last, any);
    reader.summary.lines = last.number;
    return reader.summary;
}
