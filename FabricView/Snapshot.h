// An output file held as records keyed by what identifies them, per fabric, so
// that two files can be compared and a WWN looked up whatever the order of their
// lines. Repeated records of one key are one record: a node reached through two
// ports is one node with both ports, a member in two zones one member per zone.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Record.h"

enum class Kind {
    Switches,
    SwitchPorts,
    InterSwitchLinks,
    AttachedPorts,
    Nodes,
    Platforms,
    ZoneSets,
    Zones,
    ZoneMembers,
};
constexpr int kKindCount = 9;
// "switches", "switch ports", ...
const char* kindName(Kind kind);

using Fields = std::vector<std::pair<std::string, std::string>>;

struct Item {
    Item(std::string label_ = {}, Fields fields_ = {}, Fields about_ = {})
        : label(std::move(label_)), fields(std::move(fields_)), about(std::move(about_)) {}
    std::string label;  // how a reader knows the record; empty: the key says it
    Fields fields;  // compared, in a fixed order
    Fields about;   // the parts of the key, for scripts
};
// The value of a field or key part; empty when the item has none of that name.
const std::string& fieldOf(const Item& item, const std::string& name);

struct FabricSnapshot {
    std::array<std::map<std::string, Item>, kKindCount> items;
    const std::map<std::string, Item>& of(Kind kind) const { return items[static_cast<int>(kind)]; }
};

struct Snapshot {
    FileKind kind = FileKind::Unknown;
    std::map<std::string, FabricSnapshot> fabrics;  // by WWN
    // Records whose key an earlier record of other values already had: the first counts.
    std::uint64_t conflicts = 0;
};

// Fills a snapshot from the records of one file.
class SnapshotBuilder : public RecordSink {
public:
    explicit SnapshotBuilder(Snapshot& snapshot) : snapshot_(snapshot) {}
    void header(FileKind kind) override { snapshot_.kind = kind; }
    void fabricStart(const std::string& wwn, std::uint64_t line) override;
    void record(const Record& record) override;
    void fabricEnd(std::uint64_t line, bool closed) override;

private:
    struct Attached {
        std::set<std::string> switchPorts;
        std::string type, fcPortId, node;
        bool endPort = false;
    };
    struct Zone {
        std::string zoneSet, name, type, copy;
    };
    void topology(const Record& record);
    void zoning(const Record& record);
    void put(Kind kind, const std::string& key, Item item);
    void finishTopology();
    void finishZoning();

    Snapshot& snapshot_;
    std::string wwn_;
    bool open_ = false;
    // Gathered for the fabric and turned into items at its end, when every link is known.
    std::set<std::string> switches_;
    std::map<std::string, std::string> switchOfPort_;
    std::map<std::string, std::array<std::string, 3>> ports_;  // type, state, physical number
    std::vector<std::pair<std::string, std::string>> links_;
    std::map<std::string, Attached> attached_;
    std::map<std::string, std::set<std::string>> nodePorts_;
    std::map<std::string, std::pair<Item, std::set<std::string>>> platforms_;
    std::map<std::string, Zone> zones_;                     // by identifier without the fabric
    std::map<std::string, std::pair<std::string, std::string>> members_;  // identifier: name, type
    std::set<std::pair<std::string, std::string>> memberships_;           // zone, member identifiers
};

// An identifier without its leading "FABRIC:" (unchanged when it has none).
std::string withoutFabric(const std::string& id, const std::string& fabric);
