// Counts per fabric: switches, links, ports by type and state, end ports, nodes,
// platforms, zone sets, zones and members.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "KeyCounter.h"
#include "Record.h"

struct FabricCounts {
    std::string wwn;
    std::uint64_t line = 0;
    bool closed = false;
    bool partial = false;  // distinct counts stopped at the identifier limit

    std::uint64_t switches = 0;
    std::uint64_t interSwitchLinks = 0;
    std::uint64_t switchPorts = 0;
    std::map<std::string, std::uint64_t> portTypes;   // by name; "" for none
    std::map<std::string, std::uint64_t> portStates;  // by name; "" when unknown
    std::uint64_t endPorts = 0;
    std::uint64_t nodes = 0;
    std::uint64_t platforms = 0;

    std::uint64_t zoneSets = 0;
    std::string activeZoneSet;
    std::uint64_t databaseZones = 0;
    std::uint64_t activeZones = 0;
    std::uint64_t databaseMemberships = 0;
    std::uint64_t activeMemberships = 0;
    std::uint64_t members = 0;
    std::map<std::string, std::uint64_t> memberTypes;  // distinct members by type
};

class SummaryCollector : public RecordSink {
public:
    explicit SummaryCollector(std::size_t maxIds) : maxIds_(maxIds) {}
    void header(FileKind kind) override { kind_ = kind; }
    void fabricStart(const std::string& wwn, std::uint64_t line) override;
    void record(const Record& record) override;
    void fabricEnd(std::uint64_t line, bool closed) override;

    FileKind kind() const { return kind_; }
    const std::vector<FabricCounts>& fabrics() const { return fabrics_; }

private:
    bool room();

    std::size_t maxIds_;
    FileKind kind_ = FileKind::Unknown;
    std::vector<FabricCounts> fabrics_;
    Section previous_ = Section::Node;
    bool hasPrevious_ = false;
    bool open_ = false;

    // Per fabric: distinct identifiers and the halves of port-to-port links.
    KeyCounter switchPorts_, endPorts_, nodes_, platforms_, zoneSetNames_, databaseZones_,
        activeZones_, databaseMemberships_, activeMemberships_;
    std::map<std::string, KeyCounter> membersByType_;
    struct Half {
        std::uint64_t pair;  // the same for both directions
        std::uint64_t far;   // the second port
    };
    std::vector<Half> halves_;
    std::size_t held_ = 0;
};

// The counts as an aligned text table, one column per fabric.
std::string formatSummary(const std::string& fileName, FileKind kind, const std::vector<FabricCounts>& fabrics);
