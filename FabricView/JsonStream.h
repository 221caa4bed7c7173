// Writes a file's records as one JSON document while they are read:
//   {"file": NAME, "kind": "Topology", "fabrics": [
//     {"wwn": W, "line": N, "records": {"SwitchPort": [{"wwn": ..., "type": ...}, ...], ...},
//      "complete": true}, ...],
//    "errors": E, "warnings": W}
// Records keep their file order within each section. A fabric's sections are
// gathered in temporary files, so memory does not grow with the fabric.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "Record.h"

class JsonStream : public RecordSink {
public:
    JsonStream(std::FILE* out, std::string fileName);
    void header(FileKind kind) override { kind_ = kind; }
    void fabricStart(const std::string& wwn, std::uint64_t line) override;
    void record(const Record& record) override;
    void fabricEnd(std::uint64_t line, bool closed) override;
    // Closes the document with the file's problem counts.
    void end(std::uint64_t errors, std::uint64_t warnings);
    // What went wrong with the output or the temporary files; empty when nothing did.
    const std::string& failure() const { return failure_; }

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    void begin();
    void put(const std::string& text);
    void fail(const std::string& what);

    std::FILE* out_;
    std::string fileName_;
    FileKind kind_ = FileKind::Unknown;
    bool begun_ = false;
    bool firstFabric_ = true;
    bool open_ = false;
    std::array<std::unique_ptr<std::FILE, Closer>, kSectionCount> spill_;
    std::array<std::uint64_t, kSectionCount> count_{};
    std::string failure_;
};
