#include "WwnFind.h"

#include <set>
#include <sstream>

#include "JsonText.h"

using json = nlohmann::ordered_json;

std::string canonicalWwn(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == ':') continue;
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) || out.size() == 16) return {};
        out += c;
    }
    return out.size() == 16 ? out : std::string();
}

namespace {

std::set<std::string> words(const std::string& text) {
    std::set<std::string> out;
    std::istringstream in(text);
    for (std::string w; in >> w;) out.insert(w);
    return out;
}

const Item* find(const FabricSnapshot& fabric, Kind kind, const std::string& key) {
    auto it = fabric.of(kind).find(key);
    return it == fabric.of(kind).end() ? nullptr : &it->second;
}

json switchJson(const FabricSnapshot& fabric, const std::string& wwn) {
    const Item* sw = find(fabric, Kind::Switches, wwn);
    json out = {{"wwn", jsonText(wwn)}};
    out["logicalName"] = jsonText(sw ? fieldOf(*sw, "logicalName") : "");
    out["domain"] = jsonText(sw ? fieldOf(*sw, "domain") : "");
    return out;
}

json switchPortJson(const FabricSnapshot& fabric, const std::string& wwn) {
    const Item* port = find(fabric, Kind::SwitchPorts, wwn);
    json out = {{"wwn", jsonText(wwn)}};
    for (const char* name : {"physicalPortNumber", "type", "portState"})
        out[name] = jsonText(port ? fieldOf(*port, name) : "");
    out["switch"] = switchJson(fabric, port ? fieldOf(*port, "switchWwn") : "");
    return out;
}

json platformsOf(const FabricSnapshot& fabric, const std::string& node) {
    json out = json::array();
    for (const auto& [name, platform] : fabric.of(Kind::Platforms))
        if (!node.empty() && words(fieldOf(platform, "nodes")).count(node))
            out.push_back({{"name", jsonText(name)}, {"type", jsonText(fieldOf(platform, "type"))}});
    return out;
}

// Adds the WWN's hits in one Topology fabric, and the ports and nodes they tie to it.
json topologyHits(const FabricSnapshot& fabric, const std::string& wwn, std::set<std::string>& related) {
    json hits = json::object();
    std::set<std::string> ports;
    if (find(fabric, Kind::AttachedPorts, wwn)) ports.insert(wwn);
    if (const Item* node = find(fabric, Kind::Nodes, wwn)) ports.merge(words(fieldOf(*node, "ports")));
    json attached = json::array();
    for (const std::string& p : ports) {
        const Item* a = find(fabric, Kind::AttachedPorts, p);
        if (!a) continue;
        const std::string& node = fieldOf(*a, "node");
        json entry = {{"port", jsonText(p)}, {"type", jsonText(fieldOf(*a, "type"))},
                      {"fcPortId", jsonText(fieldOf(*a, "fcPortId"))}, {"node", jsonText(node)}};
        entry["switchPorts"] = json::array();
        for (const std::string& sp : words(fieldOf(*a, "switchPort")))
            entry["switchPorts"].push_back(switchPortJson(fabric, sp));
        entry["platforms"] = platformsOf(fabric, node);
        attached.push_back(std::move(entry));
        related.insert(p);
        if (!node.empty()) related.insert(node);
    }
    if (!attached.empty()) hits["attached"] = std::move(attached);
    if (find(fabric, Kind::SwitchPorts, wwn)) hits["switchPort"] = switchPortJson(fabric, wwn);
    if (find(fabric, Kind::Switches, wwn)) hits["switch"] = switchJson(fabric, wwn);
    if (ports.empty()) {
        json platforms = platformsOf(fabric, wwn);
        if (!platforms.empty()) hits["platforms"] = std::move(platforms);
    }
    return hits;
}

json zoningHits(const FabricSnapshot& fabric, const std::set<std::string>& wwns) {
    json hits = json::object();
    json zones = json::array();
    for (const auto& [key, member] : fabric.of(Kind::ZoneMembers)) {
        const std::string& type = fieldOf(member, "memberType");
        if ((type != "PortWWN" && type != "NodeWWN") || !wwns.count(fieldOf(member, "memberName"))) continue;
        const std::string& set = fieldOf(member, "zoneSet");
        const Item* zoneSet = find(fabric, Kind::ZoneSets, set);
        zones.push_back({{"zoneSet", jsonText(set)},
                         {"zoneSetActive", zoneSet && fieldOf(*zoneSet, "active") == "TRUE"},
                         {"zone", jsonText(fieldOf(member, "zone"))},
                         {"copy", fieldOf(member, "copy")},
                         {"member", {{"type", type}, {"name", fieldOf(member, "memberName")}}}});
    }
    if (zones.empty()) return hits;
    for (const auto& [name, set] : fabric.of(Kind::ZoneSets))
        if (fieldOf(set, "active") == "TRUE") hits["activeZoneSet"] = jsonText(name);
    hits["zones"] = std::move(zones);
    return hits;
}

}  // namespace

json findWwn(const std::string& wwn, const std::vector<FindFile>& files) {
    std::set<std::string> related = {wwn};
    std::vector<json> results(files.size());
    bool found = false;
    // Topology files first: they tell which ports and nodes belong with the WWN.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < files.size(); ++i) {
            const Snapshot& s = *files[i].snapshot;
            if ((s.kind == FileKind::Zoning) != (pass == 1)) continue;
            json fabrics = json::array();
            for (const auto& [fabricWwn, fabric] : s.fabrics) {
                json hits = pass == 0 ? topologyHits(fabric, wwn, related) : zoningHits(fabric, related);
                if (hits.empty()) continue;
                found = true;
                json entry = {{"wwn", jsonText(fabricWwn)}};
                entry.update(hits);
                fabrics.push_back(std::move(entry));
            }
            results[i] = {{"file", jsonText(files[i].name)}, {"kind", fileKindName(s.kind)}, {"fabrics", std::move(fabrics)}};
        }
    }
    return {{"wwn", wwn}, {"found", found}, {"files", results}};
}

namespace {

std::string text(const json& value) {
    std::string out;
    for (char c : value.get<std::string>()) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return out.empty() ? "?" : out;
}

void switchPortLines(std::ostream& out, const json& port, const char* indent) {
    out << indent << "switch port " << text(port["wwn"]) << ": physical port " << text(port["physicalPortNumber"])
        << ", " << text(port["type"]) << ", " << text(port["portState"]) << "\n";
    const json& sw = port["switch"];
    out << indent << "switch " << text(sw["logicalName"]) << " (WWN " << text(sw["wwn"]) << ", domain "
        << text(sw["domain"]) << ")\n";
}

void platformLines(std::ostream& out, const json& platforms, const char* indent) {
    for (const json& p : platforms) out << indent << "platform " << text(p["name"]) << " (" << text(p["type"]) << ")\n";
}

void topologyLines(std::ostream& out, const json& fabric) {
    for (const json& a : fabric.value("attached", json::array())) {
        out << "    port " << text(a["port"]) << " (" << text(a["type"]) << ", FC id " << text(a["fcPortId"])
            << "), node " << text(a["node"]) << "\n";
        for (const json& port : a["switchPorts"]) switchPortLines(out, port, "      ");
        platformLines(out, a["platforms"], "      ");
    }
    if (fabric.contains("switchPort")) switchPortLines(out, fabric["switchPort"], "    ");
    if (fabric.contains("switch")) {
        const json& sw = fabric["switch"];
        out << "    switch " << text(sw["logicalName"]) << " (WWN " << text(sw["wwn"]) << ", domain "
            << text(sw["domain"]) << ")\n";
    }
    if (fabric.contains("platforms")) platformLines(out, fabric["platforms"], "    node of ");
}

void zoningLines(std::ostream& out, const json& fabric) {
    for (const json& z : fabric["zones"]) {
        out << "    zone " << text(z["zone"]) << " in zone set " << text(z["zoneSet"])
            << (z["zoneSetActive"].get<bool>() ? " (active)" : " (not active)") << " as read from the "
            << text(z["copy"]) << ": member " << text(z["member"]["type"]) << " " << text(z["member"]["name"]) << "\n";
    }
}

}  // namespace

std::string formatFind(const json& found) {
    std::ostringstream out;
    for (const json& file : found["files"]) {
        out << text(file["file"]) << " (" << text(file["kind"]) << "): ";
        if (file["fabrics"].empty()) {
            out << found["wwn"].get<std::string>() << " not found\n";
            continue;
        }
        out << found["wwn"].get<std::string>() << "\n";
        for (const json& fabric : file["fabrics"]) {
            out << "  Fabric " << text(fabric["wwn"]);
            if (fabric.contains("activeZoneSet")) out << ", active zone set " << text(fabric["activeZoneSet"]);
            out << "\n";
            if (file["kind"] == "ZoningOnly")
                zoningLines(out, fabric);
            else
                topologyLines(out, fabric);
        }
    }
    return out.str();
}
