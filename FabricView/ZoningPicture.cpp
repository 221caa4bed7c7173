#include "ZoningPicture.h"

#include <algorithm>

#include "CountText.h"
#include "DotText.h"

void ZoningPicture::record(const Record& record) {
    const auto& f = record.fields;
    switch (record.section) {
        case Section::ZoneSet:
            if (sets_.size() >= limits_.zoneSets) {
                ++hiddenSets_;
                currentSetHidden_ = true;
                currentSet_ = -1;
                break;
            }
            currentSetHidden_ = false;
            sets_.push_back({f[1], f[2] == "TRUE", '?', "", {}, 0});
            currentSet_ = static_cast<int>(sets_.size() - 1);
            break;
        case Section::ZoneSetToZone: {
            if (currentSet_ < 0) break;
            ZoneSet* set = &sets_[currentSet_];
            if (set->copy == '?' && !f[0].empty()) {
                set->copy = f[0].back();
                set->key = f[0];
                // A zone set written twice the same way (no zone database) is drawn once.
                for (std::size_t i = 0; i + 1 < sets_.size(); ++i) {
                    if (sets_[i].key == set->key && static_cast<int>(i) != currentSet_) {
                        sets_.pop_back();
                        currentSet_ = static_cast<int>(i);
                        set = &sets_[i];
                        break;
                    }
                }
            }
            auto known = zoneIndex_.find(f[1]);
            currentZoneRepeated_ = known != zoneIndex_.end();
            if (currentZoneRepeated_) break;
            if (zones_.size() >= limits_.zones || set->zones.size() >= limits_.zonesPerSet) {
                ++set->hiddenZones;
                break;
            }
            zones_.push_back({"", {}, 0});
            const int zone = static_cast<int>(zones_.size() - 1);
            zoneIndex_.emplace(f[1], zone);
            set->zones.push_back(zone);
            break;
        }
        case Section::Zone: {
            auto it = zoneIndex_.find(f[0]);
            if (it != zoneIndex_.end()) zones_[it->second].name = f[1];
            break;
        }
        case Section::ZoneMember:
            pendingMemberId_ = f[0];
            pendingMember_ = {f[1], f[2]};
            break;
        case Section::ZoneToMember: {
            auto zone = zoneIndex_.find(f[1]);
            if (zone == zoneIndex_.end() || currentZoneRepeated_) break;
            Zone& z = zones_[zone->second];
            ++z.memberCount;
            if (z.members.size() >= limits_.membersPerZone) break;
            auto member = memberIndex_.find(f[0]);
            if (member == memberIndex_.end()) {
                if (members_.size() >= limits_.members || f[0] != pendingMemberId_) {
                    ++hiddenMembers_;
                    break;
                }
                members_.push_back(pendingMember_);
                member = memberIndex_.emplace(f[0], static_cast<int>(members_.size() - 1)).first;
            }
            if (std::find(z.members.begin(), z.members.end(), member->second) == z.members.end())
                z.members.push_back(member->second);
            break;
        }
        default: break;
    }
}

void ZoningPicture::writeDot(std::ostream& out) const {
    for (std::size_t s = 0; s < sets_.size(); ++s) {
        const ZoneSet& set = sets_[s];
        std::string title = labelText(set.name.empty() ? "(unnamed zone set)" : set.name);
        const bool activeCopy = set.copy == '1';
        title += activeCopy ? "\nactive zone set" : set.active ? "\nzone database (active)" : "\nzone database";
        out << "  subgraph cluster_" << id_ << "_zs" << s << " {\n"
            << "    label=" << dotQuote(title) << "; style=\"rounded,filled\"; color=\""
            << (activeCopy ? "#3f8f4f" : "#4a6fa5") << "\"; fillcolor=\"" << (activeCopy ? "#e6f4e8" : "#eef3fa") << "\";\n";
        for (int z : set.zones) {
            const Zone& zone = zones_[z];
            out << "    " << id_ << "_z" << z << " [fillcolor=\"#ffffff\", label="
                << dotQuote(labelText(zone.name) + "\n" + plural(zone.memberCount, "member", "members")) << "];\n";
            if (zone.memberCount > zone.members.size())
                out << "    " << id_ << "_z" << z << "_more [shape=plaintext, style=\"\", label="
                    << dotQuote("\xE2\x80\xA6 " + std::to_string(zone.memberCount - zone.members.size()) + " more") << "];\n";
        }
        if (set.hiddenZones)
            out << "    " << id_ << "_zs" << s << "_more [shape=plaintext, style=\"\", label="
                << dotQuote("\xE2\x80\xA6 " + plural(set.hiddenZones, "more zone", "more zones")) << "];\n";
        if (set.zones.empty() && !set.hiddenZones)
            out << "    " << id_ << "_zs" << s << "_empty [shape=plaintext, style=\"\", label=\"no zones\"];\n";
        out << "  }\n";
    }
    for (std::size_t m = 0; m < members_.size(); ++m)
        out << "  " << id_ << "_m" << m << " [shape=ellipse, fillcolor=\"#fdf6d8\", label="
            << dotQuote(labelText(members_[m].name, 48) + "\n" + labelText(members_[m].type)) << "];\n";
    for (std::size_t z = 0; z < zones_.size(); ++z) {
        for (int m : zones_[z].members) out << "  " << id_ << "_z" << z << " -- " << id_ << "_m" << m << ";\n";
        if (zones_[z].memberCount > zones_[z].members.size())
            out << "  " << id_ << "_z" << z << " -- " << id_ << "_z" << z << "_more [style=dashed];\n";
    }
    writeNotDrawnNote(out, id_ + "_moresets", hiddenSets_, "more zone set", "more zone sets");
    writeNotDrawnNote(out, id_ + "_moremembers", hiddenMembers_, "more member link", "more member links");
}
