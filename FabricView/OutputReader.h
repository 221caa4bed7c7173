// Reads an output file as a stream: the [Header] section, fabric blocks and record
// blocks. Structural problems go to Problems; good records go to the sinks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "OutputLayout.h"
#include "Problems.h"
#include "Record.h"

struct ReadSummary {
    FileKind kind = FileKind::Unknown;
    std::uint64_t lines = 0;
    std::uint64_t fabrics = 0;
    std::uint64_t records = 0;
    bool readFailed = false;
};

// Lines longer than this are reported and not read (far above any the probe writes).
constexpr std::size_t kMaxLineLength = 1 << 16;

ReadSummary readOutputFile(std::FILE* in, Problems& problems, const std::vector<RecordSink*>& sinks);
