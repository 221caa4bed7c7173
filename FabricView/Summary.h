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

// A count of distinct identifiers; atLeast when the identifier limit stopped it.
struct Distinct {
    std::uint64_t n = 0;
    bool atLeast = false;
};

struct FabricCounts {
    std::string wwn;
    std::uint64_t line = 0;
    bool closed = false;

    std::uint64_t switches = 0;
    Distinct interSwitchLinks;
    std::uint64_t switchPorts = 0;
    std::map<std::string, std::uint64_t> portTypes;   // by name; "" for none
    std::map<std::string, std::uint64_t> portStates;  // by name; "" when unknown
    Distinct endPorts;
    Distinct nodes;
    Distinct platforms;

    Distinct zoneSets;
    std::string activeZoneSet;
    Distinct databaseZones;
    Distinct activeZones;
    Distinct databaseMemberships;
    Distinct activeMemberships;
    Distinct members;
    std::map<std::string, Distinct> memberTypes;  // distinct members by type
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
    // Fabrics past the table's last column, read but not counted.
    std::uint64_t fabricsLeftOut() const { return leftOut_; }

private:
    // Counts the identifier while the fabric's limit allows.
    void add(KeyCounter& counter, std::uint64_t key);
    void add(KeyCounter& counter, const std::string& id);

    std::size_t maxIds_;
    std::uint64_t leftOut_ = 0;
    FileKind kind_ = FileKind::Unknown;
    std::vector<FabricCounts> fabrics_;
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
    bool halvesMissed_ = false;
    std::size_t held_ = 0;
};

// At most this many fabrics get a column.
constexpr std::size_t kMaxSummaryFabrics = 64;

// The counts as an aligned text table, one column per fabric.
std::string formatSummary(const std::string& fileName, FileKind kind, const std::vector<FabricCounts>& fabrics,
                          std::uint64_t fabricsLeftOut = 0);
