#include "Summary.h"

#include <algorithm>
#include <set>
#include <sstream>

#include "FieldFormats.h"

void SummaryCollector::fabricStart(const std::string& wwn, std::uint64_t line) {
    if (fabrics_.size() >= kMaxSummaryFabrics) {
        ++leftOut_;
        open_ = false;
        return;
    }
    FabricCounts counts;
    counts.wwn = wwn;
    counts.line = line;
    fabrics_.push_back(counts);
    open_ = true;
    held_ = 0;
}

void SummaryCollector::add(KeyCounter& counter, std::uint64_t key) {
    if (held_ >= maxIds_) {
        counter.missed = true;
        return;
    }
    ++held_;
    counter.addKey(key);
}

void SummaryCollector::add(KeyCounter& counter, const std::string& id) { add(counter, hash64(id)); }

namespace {

Distinct distinct(KeyCounter& counter) { return {counter.distinct(), counter.missed}; }

}  // namespace

void SummaryCollector::record(const Record& record) {
    if (!open_) return;
    FabricCounts& c = fabrics_.back();
    const auto& f = record.fields;
    switch (record.section) {
        case Section::InterconnectElement: ++c.switches; break;
        case Section::SwitchPort:
            ++c.switchPorts;
            ++c.portTypes[f[1]];
            ++c.portStates[f[2]];
            add(switchPorts_, f[0]);
            break;
        case Section::PortToPort:
            if (held_ < maxIds_) {
                ++held_;
                const std::string& low = std::min(f[0], f[1]);
                const std::string& high = std::max(f[0], f[1]);
                halves_.push_back({hash64(high, hash64(low)), hash64(f[1])});
            } else {
                halvesMissed_ = true;
            }
            break;
        case Section::EndPort:
            add(endPorts_, f[0]);
            break;
        case Section::Node:
            add(nodes_, f[0]);
            // An end port's node has its WWN alone, wherever its block stands; a platform's
            // node has the platform's name and type.
            if (std::any_of(f.begin() + 1, f.end(), [](const std::string& v) { return !v.empty(); }))
                add(platforms_, f[1]);
            break;
        case Section::ZoneSet:
            add(zoneSetNames_, f[1]);
            if (f[2] == "TRUE") c.activeZoneSet = f[1];
            break;
        case Section::Zone:
            add(endsWith(f[0], ":1") ? activeZones_ : databaseZones_, f[0]);
            break;
        case Section::ZoneToMember:
            add(endsWith(f[1], ":1") ? activeMemberships_ : databaseMemberships_, hash64(f[0], hash64(f[1])));
            break;
        case Section::ZoneMember:
            add(membersByType_[f[2]], f[0]);
            break;
        default: break;
    }
}

void SummaryCollector::fabricEnd(std::uint64_t, bool closed) {
    if (!open_) return;
    FabricCounts& c = fabrics_.back();
    c.closed = closed;
    c.endPorts = distinct(endPorts_);
    c.nodes = distinct(nodes_);
    c.platforms = distinct(platforms_);
    c.zoneSets = distinct(zoneSetNames_);
    c.databaseZones = distinct(databaseZones_);
    c.activeZones = distinct(activeZones_);
    c.databaseMemberships = distinct(databaseMemberships_);
    c.activeMemberships = distinct(activeMemberships_);
    for (auto& [type, counter] : membersByType_) {
        const Distinct n = distinct(counter);
        c.memberTypes[type] = n;
        c.members.n += n.n;
        c.members.atLeast = c.members.atLeast || n.atLeast;
    }
    c.interSwitchLinks.atLeast = halvesMissed_ || switchPorts_.missed;
    // A link between two switch ports of this fabric, counted once for both directions.
    std::sort(halves_.begin(), halves_.end(), [](const Half& a, const Half& b) { return a.pair < b.pair; });
    std::uint64_t previousPair = 0;
    bool first = true;
    for (const Half& half : halves_) {
        if (!first && half.pair == previousPair) continue;
        first = false;
        previousPair = half.pair;
        if (switchPorts_.contains(half.far)) ++c.interSwitchLinks.n;
    }
    for (KeyCounter* k : {&switchPorts_, &endPorts_, &nodes_, &platforms_, &zoneSetNames_, &databaseZones_,
                          &activeZones_, &databaseMemberships_, &activeMemberships_})
        k->clear();
    membersByType_.clear();
    halves_.clear();
    halves_.shrink_to_fit();
    halvesMissed_ = false;
    open_ = false;
}

namespace {

class Table {
public:
    explicit Table(std::size_t columns) : columns_(columns) {}
    void row(std::string label, std::vector<std::string> cells) { rows_.push_back({std::move(label), std::move(cells)}); }
    void gap() { rows_.push_back({"", {}}); }

    std::string text() const {
        std::size_t labelWidth = 0;
        std::vector<std::size_t> widths(columns_, 0);
        for (const auto& [label, cells] : rows_) {
            labelWidth = std::max(labelWidth, label.size());
            for (std::size_t i = 0; i < cells.size(); ++i) widths[i] = std::max(widths[i], cells[i].size());
        }
        std::ostringstream out;
        for (const auto& [label, cells] : rows_) {
            std::string line = label + std::string(labelWidth - label.size(), ' ');
            for (std::size_t i = 0; i < cells.size(); ++i)
                line += "  " + std::string(widths[i] - cells[i].size(), ' ') + cells[i];
            while (!line.empty() && line.back() == ' ') line.pop_back();
            out << line << '\n';
        }
        return out.str();
    }

private:
    std::size_t columns_;
    std::vector<std::pair<std::string, std::vector<std::string>>> rows_;
};

// Long names would stretch every column.
std::string cell(const std::string& text) {
    constexpr std::size_t kWidest = 32;
    std::string shown;
    for (char c : text) shown += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    return shown.size() > kWidest ? shown.substr(0, kWidest - 3) + "..." : shown;
}

std::string number(std::uint64_t n) { return std::to_string(n); }
std::string number(const Distinct& d) { return std::to_string(d.n) + (d.atLeast ? "+" : ""); }

// Rows for every name that occurs in some fabric, known names in their table order.
std::vector<std::string> namesInOrder(const std::vector<std::string_view>& known, const std::set<std::string>& seen) {
    std::vector<std::string> names;
    for (std::string_view name : known)
        if (seen.count(std::string(name)) && std::find(names.begin(), names.end(), name) == names.end())
            names.emplace_back(name);
    for (const std::string& name : seen)
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    return names;
}

}  // namespace

std::string formatSummary(const std::string& fileName, FileKind kind, const std::vector<FabricCounts>& fabrics,
                          std::uint64_t fabricsLeftOut) {
    std::ostringstream out;
    const std::uint64_t all = fabrics.size() + fabricsLeftOut;
    out << fileName << ": " << fileKindText(kind) << ", " << all << (all == 1 ? " fabric" : " fabrics") << "\n";
    if (fabrics.empty()) return out.str();
    out << "\n";

    Table table(fabrics.size());
    auto each = [&](auto value) {
        std::vector<std::string> cells;
        for (const FabricCounts& c : fabrics) cells.push_back(value(c));
        return cells;
    };
    {
        std::vector<std::string> heads;
        for (std::size_t i = 0; i < fabrics.size(); ++i) heads.push_back("Fabric " + std::to_string(i + 1));
        table.row("", heads);
    }
    table.row("WWN", each([](const FabricCounts& c) { return c.wwn.empty() ? std::string("?") : cell(c.wwn); }));
    table.row("At line", each([](const FabricCounts& c) { return std::to_string(c.line); }));
    table.row("Complete", each([](const FabricCounts& c) { return std::string(c.closed ? "yes" : "no"); }));

    const bool topology = kind == FileKind::Topology || kind == FileKind::Unknown;
    const bool zoning = kind == FileKind::Zoning || kind == FileKind::Unknown;
    if (topology) {
        table.gap();
        table.row("Switches", each([](const FabricCounts& c) { return number(c.switches); }));
        table.row("Inter-switch links", each([](const FabricCounts& c) { return number(c.interSwitchLinks); }));
        table.row("Switch ports", each([](const FabricCounts& c) { return number(c.switchPorts); }));
        std::set<std::string> types, states;
        for (const FabricCounts& c : fabrics) {
            for (const auto& t : c.portTypes) types.insert(t.first);
            for (const auto& s : c.portStates) states.insert(s.first);
        }
        for (const std::string& type : namesInOrder(portTypeNames(), types))
            table.row("  type " + (type.empty() ? std::string("not known") : cell(type)), each([&](const FabricCounts& c) {
                auto it = c.portTypes.find(type);
                return number(it == c.portTypes.end() ? 0 : it->second);
            }));
        for (const std::string& state : namesInOrder(portStateNames(), states))
            table.row("  state " + (state.empty() ? std::string("not known") : cell(state)), each([&](const FabricCounts& c) {
                auto it = c.portStates.find(state);
                return number(it == c.portStates.end() ? 0 : it->second);
            }));
        table.row("End ports", each([](const FabricCounts& c) { return number(c.endPorts); }));
        table.row("Nodes", each([](const FabricCounts& c) { return number(c.nodes); }));
        table.row("Platforms", each([](const FabricCounts& c) { return number(c.platforms); }));
    }
    if (zoning) {
        table.gap();
        table.row("Zone sets", each([](const FabricCounts& c) { return number(c.zoneSets); }));
        table.row("Active zone set", each([](const FabricCounts& c) {
            return c.activeZoneSet.empty() ? std::string("-") : cell(c.activeZoneSet);
        }));
        table.row("Zones in the database", each([](const FabricCounts& c) { return number(c.databaseZones); }));
        table.row("Zones in the active set", each([](const FabricCounts& c) { return number(c.activeZones); }));
        table.row("Members of database zones", each([](const FabricCounts& c) { return number(c.databaseMemberships); }));
        table.row("Members of active zones", each([](const FabricCounts& c) { return number(c.activeMemberships); }));
        table.row("Distinct members", each([](const FabricCounts& c) { return number(c.members); }));
        std::set<std::string> types;
        for (const FabricCounts& c : fabrics)
            for (const auto& t : c.memberTypes) types.insert(t.first);
        std::vector<std::string_view> known;
        for (const MemberType& type : memberTypes()) known.push_back(type.name);
        for (const std::string& type : namesInOrder(known, types))
            table.row("  type " + cell(type), each([&](const FabricCounts& c) {
                auto it = c.memberTypes.find(type);
                return it == c.memberTypes.end() ? std::string("0") : number(it->second);
            }));
    }
    out << table.text();
    bool lowerBound = false;
    for (const FabricCounts& c : fabrics) {
        for (const Distinct* d : {&c.interSwitchLinks, &c.endPorts, &c.nodes, &c.platforms, &c.zoneSets, &c.databaseZones,
                                  &c.activeZones, &c.databaseMemberships, &c.activeMemberships, &c.members})
            lowerBound = lowerBound || d->atLeast;
    }
    if (lowerBound) out << "\n+ more identifiers than --max-ids allows: the count is a lower bound\n";
    if (fabricsLeftOut)
        out << "\n" << fabricsLeftOut << (fabricsLeftOut == 1 ? " more fabric is" : " more fabrics are")
            << " not shown: the table holds the first " << kMaxSummaryFabrics << "\n";
    return out.str();
}
