// Collects what a file's fabrics look like and writes them as one Graphviz graph.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "PictureLimits.h"
#include "Record.h"
#include "TopologyPicture.h"
#include "ZoningPicture.h"

class Picture : public RecordSink {
public:
    explicit Picture(PictureLimits limits = {}) : limits_(limits) {}
    void header(FileKind kind) override { kind_ = kind; }
    void fabricStart(const std::string& wwn, std::uint64_t line) override;
    void record(const Record& record) override;
    void fabricEnd(std::uint64_t line, bool closed) override;

    // title: shown above the picture (the file's name).
    void writeDot(std::ostream& out, const std::string& title) const;

private:
    struct Fabric {
        std::string wwn;
        bool closed = false;
        std::unique_ptr<TopologyPicture> topology;
        std::unique_ptr<ZoningPicture> zoning;
    };
    PictureLimits limits_;
    FileKind kind_ = FileKind::Unknown;
    std::vector<Fabric> fabrics_;
    std::uint64_t hiddenFabrics_ = 0;
    bool open_ = false;
};
