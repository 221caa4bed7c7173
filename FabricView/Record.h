// One record of an output file and the interface of everything that reads records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "OutputLayout.h"

struct Record {
    Section section;
    std::uint64_t line = 0;            // the line of its opening "[Section]"; its data line follows
    std::vector<std::string> fields;   // as many as the section has, unquoted
};

// Told of a file's content in order. Records come only inside a fabric block and
// only with the right number of fields; everything else is the reader's problem.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void header(FileKind) {}
    // wwn is empty when the block's WWN line is missing or broken.
    virtual void fabricStart(const std::string& wwn, std::uint64_t line) { (void)wwn; (void)line; }
    virtual void record(const Record&) {}
    // closed is false when the block has no closing line.
    virtual void fabricEnd(std::uint64_t line, bool closed) { (void)line; (void)closed; }
    virtual void finish() {}
};
