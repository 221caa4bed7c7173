#include "LinkChecker.h"

#include <algorithm>
#include <string>

#include "FieldFormats.h"

enum class LinkChecker::Kind : unsigned char {
    Switch,             // [InterconnectElement]
    SwitchLink,         // [FabricToInterconnectElement]
    SwitchPort,         // [SwitchPort]
    SwitchPortLink,     // [SwitchToPort]
    EndPort,            // [EndPort]
    Attached,           // second port of [PortToPort]
    Node,               // [Node]
    ZoneSet,            // [ZoneSet] uniqueId
    ZoneSetName,        // [ZoneSet] uniqueId without its last part
    ZoneSetLink,        // [FabricToZoneSet]
    Zone,               // [Zone]
    ZoneInSet,          // zone of [ZoneSetToZone]
    Member,             // [ZoneMember]
    MemberLink,         // member of [ZoneToMember]
};

enum class LinkChecker::Rule : unsigned char {
    SwitchRecord, SwitchLinked, PortSwitch, PortRecord, PortLinked, AttachedFrom, AttachedTo,
    NodeOfLink, PortOfLink, EndPortAttached, ZoneSetOfLink, ZoneSetLinked, SetOfZoneLink,
    ZoneOfSetLink, ZoneInASet, MemberOfLink, ZoneOfMemberLink, MemberLinked,
};

namespace {

struct RuleText {
    Severity severity;
    const char* text;
};

// In Rule order.
const RuleText kRules[] = {
    {Severity::Warning, "the switch this [FabricToInterconnectElement] names has no [InterconnectElement] record in its fabric"},
    {Severity::Error, "no [FabricToInterconnectElement] record of its fabric names this switch"},
    {Severity::Error, "the switch this [SwitchToPort] names has no [InterconnectElement] record in its fabric"},
    {Severity::Warning, "the port this [SwitchToPort] names has no [SwitchPort] record in its fabric"},
    {Severity::Error, "no [SwitchToPort] record of its fabric names this switch port"},
    {Severity::Error, "the first port of this [PortToPort] is no switch port of its fabric"},
    {Severity::Warning, "the second port of this [PortToPort] has neither a [SwitchPort] nor an [EndPort] record in its fabric"},
    {Severity::Error, "the node this [NodeToPort] names has no [Node] record in its fabric"},
    {Severity::Error, "the port this [NodeToPort] names has no [EndPort] record in its fabric"},
    {Severity::Error, "no [PortToPort] record of its fabric attaches this end port to a switch port"},
    {Severity::Error, "no [ZoneSet] record of its fabric has this [FabricToZoneSet]'s uniqueId"},
    {Severity::Error, "no [FabricToZoneSet] record of its fabric has this zone set's uniqueId"},
    {Severity::Error, "the zone set this [ZoneSetToZone] names has no [ZoneSet] record in its fabric"},
    {Severity::Error, "the zone this [ZoneSetToZone] names has no [Zone] record in its fabric"},
    {Severity::Error, "no [ZoneSetToZone] record of its fabric puts this zone in a zone set"},
    {Severity::Error, "the member this [ZoneToMember] links has no [ZoneMember] record in its fabric"},
    {Severity::Error, "the zone this [ZoneToMember] links to has no [Zone] record in its fabric"},
    {Severity::Error, "no [ZoneToMember] record of its fabric links this member to a zone"},
};

std::uint64_t keyOf(LinkChecker::Kind kind, std::string_view id) {
    const char tag = static_cast<char>(kind);
    std::uint64_t key = hash64(id, hash64(std::string_view(&tag, 1)));
    return key ? key : 1;  // 0 means "no key"
}

// "F:Z:x" without ":x"; empty when the identifier has no such ending.
std::string_view withoutCopyFlag(std::string_view id) {
    if (!endsWith(id, ":0") && !endsWith(id, ":1")) return {};
    return id.substr(0, id.size() - 2);
}

}  // namespace

void LinkChecker::fabricStart(const std::string&, std::uint64_t line) {
    fabricLine_ = line;
    skipped_ = false;
    have_.clear();
    needs_.clear();
}

bool LinkChecker::room(const Record& record) {
    if (skipped_) return false;
    if (have_.size() + needs_.size() + 2 <= maxItems_) return true;
    skipped_ = true;
    have_.clear();
    have_.shrink_to_fit();
    needs_.clear();
    needs_.shrink_to_fit();
    problems_.warning(record.line + 1, "links of the fabric opened at line " + std::to_string(fabricLine_) +
                                       " are not checked: it holds more than " + std::to_string(maxItems_) +
                                       " identifiers (--max-ids raises the limit)");
    return false;
}

void LinkChecker::have(Kind kind, std::string_view id) { have_.push_back(keyOf(kind, id)); }

void LinkChecker::need(Kind kind, std::string_view id, const Record& record, Rule rule) {
    needs_.push_back({keyOf(kind, id), 0, record.line + 1, rule});
}

void LinkChecker::needEither(Kind kind, Kind other, std::string_view id, const Record& record, Rule rule) {
    needs_.push_back({keyOf(kind, id), keyOf(other, id), record.line + 1, rule});
}

void LinkChecker::record(const Record& record) {
    if (!room(record)) return;
    const auto& f = record.fields;
    switch (record.section) {
        case Section::FabricToInterconnectElement:
            have(Kind::SwitchLink, f[0]);
            need(Kind::Switch, f[0], record, Rule::SwitchRecord);
            break;
        case Section::InterconnectElement:
            have(Kind::Switch, f[0]);
            need(Kind::SwitchLink, f[0], record, Rule::SwitchLinked);
            break;
        case Section::SwitchToPort:
            have(Kind::SwitchPortLink, f[0]);
            need(Kind::Switch, f[1], record, Rule::PortSwitch);
            need(Kind::SwitchPort, f[0], record, Rule::PortRecord);
            break;
        case Section::SwitchPort:
            have(Kind::SwitchPort, f[0]);
            need(Kind::SwitchPortLink, f[0], record, Rule::PortLinked);
            break;
        case Section::PortToPort:
            have(Kind::Attached, f[1]);
            need(Kind::SwitchPort, f[0], record, Rule::AttachedFrom);
            needEither(Kind::SwitchPort, Kind::EndPort, f[1], record, Rule::AttachedTo);
            break;
        case Section::Node: have(Kind::Node, f[0]); break;
        case Section::NodeToPort:
            need(Kind::Node, f[0], record, Rule::NodeOfLink);
            need(Kind::EndPort, f[1], record, Rule::PortOfLink);
            break;
        case Section::EndPort:
            have(Kind::EndPort, f[0]);
            need(Kind::Attached, f[0], record, Rule::EndPortAttached);
            break;
        case Section::FabricToZoneSet:
            have(Kind::ZoneSetLink, f[0]);
            need(Kind::ZoneSet, f[0], record, Rule::ZoneSetOfLink);
            break;
        case Section::ZoneSet:
            have(Kind::ZoneSet, f[0]);
            have(Kind::ZoneSetName, withoutCopyFlag(f[0]));
            need(Kind::ZoneSetLink, f[0], record, Rule::ZoneSetLinked);
            break;
        case Section::ZoneSetToZone:
            // A database zone set named like the active one is "F:Z:1" in [ZoneSet]
            // but "F:Z:0" beside its zones: only the name has to match.
            need(Kind::ZoneSetName, withoutCopyFlag(f[0]), record, Rule::SetOfZoneLink);
            have(Kind::ZoneInSet, f[1]);
            need(Kind::Zone, f[1], record, Rule::ZoneOfSetLink);
            break;
        case Section::Zone:
            have(Kind::Zone, f[0]);
            need(Kind::ZoneInSet, f[0], record, Rule::ZoneInASet);
            break;
        case Section::ZoneToMember:
            have(Kind::MemberLink, f[0]);
            need(Kind::Member, f[0], record, Rule::MemberOfLink);
            need(Kind::Zone, f[1], record, Rule::ZoneOfMemberLink);
            break;
        case Section::ZoneMember:
            have(Kind::Member, f[0]);
            need(Kind::MemberLink, f[0], record, Rule::MemberLinked);
            break;
    }
}

void LinkChecker::fabricEnd(std::uint64_t, bool) {
    if (!skipped_) {
        std::sort(have_.begin(), have_.end());
        auto found = [this](std::uint64_t key) {
            return key != 0 && std::binary_search(have_.begin(), have_.end(), key);
        };
        for (const Need& n : needs_) {
            if (found(n.key) || found(n.alternative)) continue;
            const RuleText& rule = kRules[static_cast<int>(n.rule)];
            if (rule.severity == Severity::Error)
                problems_.error(n.line, rule.text);
            else
                problems_.warning(n.line, rule.text);
        }
    }
    have_.clear();
    needs_.clear();
}
