#include "Snapshot.h"

#include <algorithm>

#include "FieldFormats.h"

namespace {

const char* const kKindNames[kKindCount] = {"switches", "switch ports", "inter-switch links", "attached ports",
                                            "nodes", "platforms", "zone sets", "zones", "zone members"};

std::string joined(const std::set<std::string>& values) {
    std::string out;
    for (const std::string& v : values) out += (out.empty() ? "" : " ") + v;
    return out;
}

// "Z:N:x" without its last part, and the copy that last part names.
std::string copyName(const std::string& id) { return endsWith(id, ":1") ? "active zone set" : "database"; }
std::string withoutCopy(const std::string& id) {
    return endsWith(id, ":0") || endsWith(id, ":1") ? id.substr(0, id.size() - 2) : id;
}

}  // namespace

const char* kindName(Kind kind) { return kKindNames[static_cast<int>(kind)]; }

const std::string& fieldOf(const Item& item, const std::string& name) {
    static const std::string kNone;
    for (const auto* list : {&item.fields, &item.about})
        for (const auto& [field, value] : *list)
            if (field == name) return value;
    return kNone;
}

std::string withoutFabric(const std::string& id, const std::string& fabric) {
    return id.size() > fabric.size() && startsWith(id, fabric) && id[fabric.size()] == ':' ? id.substr(fabric.size() + 1)
                                                                                          : id;
}

void SnapshotBuilder::fabricStart(const std::string& wwn, std::uint64_t) {
    wwn_ = wwn;
    open_ = true;
    snapshot_.fabrics[wwn];
}

void SnapshotBuilder::put(Kind kind, const std::string& key, Item item) {
    auto& items = snapshot_.fabrics[wwn_].items[static_cast<int>(kind)];
    auto [it, inserted] = items.emplace(key, std::move(item));
    if (!inserted && it->second.fields != item.fields) ++snapshot_.conflicts;
}

void SnapshotBuilder::record(const Record& record) {
    if (!open_) return;
    if (sectionInfo(record.section).kind == FileKind::Topology)
        topology(record);
    else
        zoning(record);
}

void SnapshotBuilder::topology(const Record& record) {
    const auto& f = record.fields;
    switch (record.section) {
        case Section::FabricToInterconnectElement: switches_.insert(f[0]); break;
        case Section::InterconnectElement:
            put(Kind::Switches, f[1],
                {f[1] + " (" + f[4] + ")", {{"type", f[2]}, {"domain", f[3]}, {"logicalName", f[4]}, {"managementId", f[5]},
                        {"vendorID", f[6]}, {"model", f[7]}, {"releaseCode", f[8]},
                        {"managementSnmpAddress", f[9]}, {"managementUrlAddress", f[10]},
                        {"managementTelnetAddress", f[11]}}});
            break;
        case Section::SwitchToPort: switchOfPort_[f[0]] = f[1]; break;
        case Section::SwitchPort: {
            auto [it, inserted] = ports_.emplace(f[0], std::array<std::string, 3>{f[1], f[2], f[3]});
            if (!inserted && it->second != std::array<std::string, 3>{f[1], f[2], f[3]}) ++snapshot_.conflicts;
            break;
        }
        case Section::PortToPort: links_.emplace_back(f[0], f[1]); break;
        case Section::EndPort: {
            Attached& a = attached_[f[0]];
            if (a.endPort && (a.type != f[1] || a.fcPortId != f[2])) ++snapshot_.conflicts;
            if (a.endPort) break;
            a.endPort = true;
            a.type = f[1];
            a.fcPortId = f[2];
            break;
        }
        case Section::NodeToPort:
            nodePorts_[f[0]].insert(f[1]);
            if (attached_[f[1]].node.empty()) attached_[f[1]].node = f[0];
            else if (attached_[f[1]].node != f[0]) ++snapshot_.conflicts;
            break;
        case Section::Node: {
            // An end port's node has its WWN alone; a platform's node the platform's name and type.
            const bool endPortNode = std::all_of(f.begin() + 1, f.end(), [](const std::string& v) { return v.empty(); });
            if (endPortNode) {
                nodePorts_[f[0]];
                break;
            }
            Item platform{"", {{"type", f[2]}, {"mgtUrlAddress", f[3]}, {"mgmtTelnetAddress", f[4]},
                               {"mgmtSnmpAddress", f[5]}}};
            auto [it, inserted] = platforms_.emplace(f[1], std::make_pair(platform, std::set<std::string>{}));
            if (!inserted && it->second.first.fields != platform.fields) ++snapshot_.conflicts;
            it->second.second.insert(f[0]);
            break;
        }
        default: break;
    }
}

void SnapshotBuilder::zoning(const Record& record) {
    const auto& f = record.fields;
    switch (record.section) {
        case Section::ZoneSet: put(Kind::ZoneSets, f[1], {"", {{"active", f[2]}}}); break;
        case Section::ZoneSetToZone: {
            Zone& zone = zones_[withoutFabric(f[1], wwn_)];
            zone.zoneSet = withoutCopy(withoutFabric(f[0], wwn_));
            zone.copy = copyName(f[1]);
            break;
        }
        case Section::Zone: {
            const std::string key = withoutFabric(f[0], wwn_);
            Zone& zone = zones_[key];
            zone.name = f[1];
            zone.type = f[2];
            zone.copy = copyName(f[0]);
            const std::string setAndName = withoutCopy(key);
            if (zone.zoneSet.empty() && endsWith(setAndName, ":" + f[1]))
                zone.zoneSet = setAndName.substr(0, setAndName.size() - f[1].size() - 1);
            break;
        }
        case Section::ZoneMember: {
            auto [it, inserted] = members_.emplace(withoutFabric(f[0], wwn_), std::make_pair(f[1], f[2]));
            if (!inserted && it->second != std::make_pair(f[1], f[2])) ++snapshot_.conflicts;
            break;
        }
        case Section::ZoneToMember: memberships_.emplace(withoutFabric(f[1], wwn_), withoutFabric(f[0], wwn_)); break;
        default: break;
    }
}

void SnapshotBuilder::finishTopology() {
    auto& items = snapshot_.fabrics[wwn_].items;
    auto& switches = items[static_cast<int>(Kind::Switches)];
    // A switch the probe could not read has its fabric link only.
    for (const std::string& s : switches_)
        if (!switches.count(s)) switches[s] = {"", {}};
    auto portLabel = [&](const std::string& port) {
        auto sw = switchOfPort_.find(port);
        auto p = ports_.find(port);
        if (sw == switchOfPort_.end() || p == ports_.end()) return port;
        auto s = switches.find(sw->second);
        const std::string name =
            s == switches.end() || fieldOf(s->second, "logicalName").empty() ? sw->second : fieldOf(s->second, "logicalName");
        return port + " (" + name + " port " + p->second[2] + ")";
    };
    for (const auto& [port, values] : ports_) {
        auto sw = switchOfPort_.find(port);
        put(Kind::SwitchPorts, port,
            {portLabel(port), {{"switchWwn", sw == switchOfPort_.end() ? std::string() : sw->second},
                               {"type", values[0]}, {"portState", values[1]}, {"physicalPortNumber", values[2]}}});
    }
    for (const auto& [near, far] : links_) {
        if (ports_.count(far) && ports_.count(near)) {
            const bool inOrder = near < far;
            const std::string& low = inOrder ? near : far;
            const std::string& high = inOrder ? far : near;
            put(Kind::InterSwitchLinks, low + " " + high, {portLabel(low) + " - " + portLabel(high), {}});
        } else {
            attached_[far].switchPorts.insert(near);
        }
    }
    for (const auto& [port, a] : attached_)
        put(Kind::AttachedPorts, port,
            {"", {{"switchPort", joined(a.switchPorts)}, {"type", a.type}, {"fcPortId", a.fcPortId}, {"node", a.node}}});
    for (const auto& [node, ports] : nodePorts_) put(Kind::Nodes, node, {"", {{"ports", joined(ports)}}});
    for (auto& [name, platform] : platforms_) {
        platform.first.fields.emplace_back("nodes", joined(platform.second));
        put(Kind::Platforms, name, platform.first);
    }
}

void SnapshotBuilder::finishZoning() {
    for (const auto& [key, zone] : zones_) {
        std::string name = zone.name;
        const std::string setAndName = withoutCopy(key);
        if (name.empty() && startsWith(setAndName, zone.zoneSet + ":")) name = setAndName.substr(zone.zoneSet.size() + 1);
        put(Kind::Zones, key,
            {"zone " + name + " of " + zone.zoneSet + " (" + zone.copy + ")", {{"type", zone.type}},
             {{"zoneSet", zone.zoneSet}, {"zone", name}, {"copy", zone.copy}}});
    }
    for (const auto& [zoneKey, memberKey] : memberships_) {
        auto m = members_.find(memberKey);
        std::pair<std::string, std::string> member;
        if (m != members_.end()) {
            member = m->second;
        } else {
            const std::size_t colon = memberKey.rfind(':');
            member = colon == std::string::npos ? std::make_pair(memberKey, std::string())
                                                : std::make_pair(memberKey.substr(0, colon), memberKey.substr(colon + 1));
        }
        const auto& zones = snapshot_.fabrics[wwn_].items[static_cast<int>(Kind::Zones)];
        auto zone = zones.find(zoneKey);
        Item item{member.second + " " + member.first + " in " +
                      (zone == zones.end() ? "zone " + zoneKey : zone->second.label),
                  {}, {}};
        if (zone != zones.end()) item.about = zone->second.about;
        item.about.emplace_back("memberType", member.second);
        item.about.emplace_back("memberName", member.first);
        put(Kind::ZoneMembers, zoneKey + " " + memberKey, std::move(item));
    }
}

void SnapshotBuilder::fabricEnd(std::uint64_t, bool) {
    if (!open_) return;
    finishTopology();
    finishZoning();
    switches_.clear();
    switchOfPort_.clear();
    ports_.clear();
    links_.clear();
    attached_.clear();
    nodePorts_.clear();
    platforms_.clear();
    zones_.clear();
    members_.clear();
    memberships_.clear();
    open_ = false;
}
