#include "SnapshotDiff.h"

#include <sstream>

#include "JsonText.h"

using json = nlohmann::ordered_json;

namespace {

json object(const std::vector<std::pair<std::string, std::string>>& fields) {
    json out = json::object();
    for (const auto& [name, value] : fields) out[name] = jsonText(value);
    return out;
}

json recordJson(const Item& item) { return object(item.fields); }

json change(Kind kind, const char* what, const std::string& key, const Item& item) {
    json c = {{"kind", kindName(kind)}, {"change", what}, {"key", jsonText(key)},
              {"label", jsonText(item.label.empty() ? key : item.label)}};
    if (!item.about.empty()) c["keyParts"] = object(item.about);
    return c;
}

void diffItems(Kind kind, const std::map<std::string, Item>& before, const std::map<std::string, Item>& after,
               json& changes) {
    auto b = before.begin();
    auto a = after.begin();
    while (b != before.end() || a != after.end()) {
        if (a == after.end() || (b != before.end() && b->first < a->first)) {
            json c = change(kind, "removed", b->first, b->second);
            c["record"] = recordJson(b->second);
            changes.push_back(std::move(c));
            ++b;
        } else if (b == before.end() || a->first < b->first) {
            json c = change(kind, "added", a->first, a->second);
            c["record"] = recordJson(a->second);
            changes.push_back(std::move(c));
            ++a;
        } else {
            json fields = json::array();
            auto differ = [&](const std::string& name) {
                const std::string& was = fieldOf(b->second, name);
                const std::string& is = fieldOf(a->second, name);
                if (was != is) fields.push_back({{"field", name}, {"old", jsonText(was)}, {"new", jsonText(is)}});
            };
            for (const auto& field : a->second.fields) differ(field.first);
            // A switch known by its fabric link alone has no fields to walk.
            if (a->second.fields.empty())
                for (const auto& field : b->second.fields) differ(field.first);
            if (!fields.empty()) {
                json c = change(kind, "changed", a->first, a->second);
                c["fields"] = std::move(fields);
                changes.push_back(std::move(c));
            }
            ++a;
            ++b;
        }
    }
}

json counts(const FabricSnapshot& fabric) {
    json out = json::object();
    for (int k = 0; k < kKindCount; ++k)
        if (!fabric.items[k].empty()) out[kindName(static_cast<Kind>(k))] = fabric.items[k].size();
    return out;
}

json side(const DiffSide& s) { return {{"file", jsonText(s.name)}, {"kind", fileKindName(s.snapshot->kind)}}; }

}  // namespace

json diffSnapshots(const DiffSide& before, const DiffSide& after) {
    json fabrics = json::array();
    std::size_t differences = 0;
    const auto& b = before.snapshot->fabrics;
    const auto& a = after.snapshot->fabrics;
    for (const auto& [wwn, fabric] : b)
        if (!a.count(wwn)) {
            fabrics.push_back({{"wwn", jsonText(wwn)}, {"change", "removed"}, {"counts", counts(fabric)}});
            ++differences;
        }
    for (const auto& [wwn, fabric] : a) {
        auto old = b.find(wwn);
        if (old == b.end()) {
            fabrics.push_back({{"wwn", jsonText(wwn)}, {"change", "added"}, {"counts", counts(fabric)}});
            ++differences;
            continue;
        }
        json changes = json::array();
        for (int k = 0; k < kKindCount; ++k) diffItems(static_cast<Kind>(k), old->second.items[k], fabric.items[k], changes);
        if (changes.empty()) continue;
        differences += changes.size();
        fabrics.push_back({{"wwn", jsonText(wwn)}, {"change", "changed"}, {"changes", std::move(changes)}});
    }
    // Fabrics in WWN order, whichever file holds them.
    std::stable_sort(fabrics.begin(), fabrics.end(),
                     [](const json& x, const json& y) { return x["wwn"].get<std::string>() < y["wwn"].get<std::string>(); });
    return {{"old", side(before)}, {"new", side(after)}, {"differences", differences}, {"fabrics", std::move(fabrics)}};
}

namespace {

// Values as one line for a terminal; empty ones visible.
std::string shown(const json& value) {
    const std::string text = value.get<std::string>();
    if (text.empty()) return "\"\"";
    std::string out;
    for (char c : text) out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    return out;
}

std::string countsText(const json& counts) {
    std::string out;
    for (const auto& [kind, n] : counts.items())
        out += (out.empty() ? "" : ", ") + kind + " " + std::to_string(n.get<std::size_t>());
    return out.empty() ? "no records" : out;
}

void recordLine(std::ostream& out, const char* sign, const json& c) {
    out << "    " << sign << " " << shown(c["label"]);
    std::string fields;
    for (const auto& [name, value] : c["record"].items())
        if (!value.get<std::string>().empty()) fields += (fields.empty() ? "" : ", ") + name + " " + shown(value);
    if (!fields.empty()) out << " (" << fields << ")";
    out << "\n";
}

}  // namespace

std::string formatDiff(const json& diff) {
    std::ostringstream out;
    const std::string oldName = shown(diff["old"]["file"]);
    const std::string newName = shown(diff["new"]["file"]);
    out << "--- " << oldName << "\n+++ " << newName << "\n";
    for (const json& fabric : diff["fabrics"]) {
        const std::string change = fabric["change"];
        out << "\nFabric " << shown(fabric["wwn"]);
        if (change != "changed") {
            out << ": only in " << (change == "added" ? newName : oldName) << " (" << countsText(fabric["counts"]) << ")\n";
            continue;
        }
        out << "\n";
        std::string kind;
        for (const json& c : fabric["changes"]) {
            if (c["kind"] != kind) {
                kind = c["kind"];
                out << "  " << kind << ":\n";
            }
            if (c["change"] == "added") recordLine(out, "+", c);
            if (c["change"] == "removed") recordLine(out, "-", c);
            if (c["change"] != "changed") continue;
            for (const json& f : c["fields"])
                out << "    ~ " << shown(c["label"]) << " " << f["field"].get<std::string>() << ": " << shown(f["old"])
                    << " -> " << shown(f["new"]) << "\n";
        }
    }
    const std::size_t n = diff["differences"];
    out << "\n" << (n == 0 ? std::string("no differences") : std::to_string(n) + (n == 1 ? " difference" : " differences"))
        << "\n";
    return out.str();
}
