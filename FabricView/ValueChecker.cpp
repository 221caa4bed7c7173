#include "ValueChecker.h"

#include <string_view>

#include "FieldFormats.h"

namespace {

constexpr std::size_t kMaxFabricsRemembered = 100000;

std::string_view columnName(Section section, int column) {
    std::string_view columns = sectionInfo(section).columns;
    for (int i = 0; i < column; ++i) columns.remove_prefix(columns.find(',') + 1);
    return columns.substr(0, columns.find(','));
}

std::string quoted(std::string_view value) {
    constexpr std::size_t kShown = 80;
    std::string out(value.substr(0, kShown));
    if (value.size() > kShown) out += "...";
    return "\"" + out + "\"";
}

bool lastPartIsCopyFlag(std::string_view id) { return endsWith(id, ":0") || endsWith(id, ":1"); }

bool matchesMemberForm(std::string_view name, MemberNameForm form) {
    switch (form) {
        case MemberNameForm::Hex16: return isUpperHex(name, 16);
        case MemberNameForm::DomainPort: return isDomainPort(name);
        case MemberNameForm::Hex6: return isUpperHex(name, 6);
        case MemberNameForm::Hex32: return isUpperHex(name, 32);
        case MemberNameForm::Hex22: return isUpperHex(name, 22);
        case MemberNameForm::Zeros16: return name == "0000000000000000";
    }
    return false;
}

}  // namespace

void ValueChecker::fabricStart(const std::string& wwn, std::uint64_t line) {
    fabric_ = wwn;
    if (wwn.empty()) return;
    if (!isWwn(wwn)) {
        problems_.error(line + 1, "the fabric WWN " + quoted(wwn) + " is not 16 upper-case hexadecimal digits");
        return;
    }
    auto seen = fabricsSeen_.find(wwn);
    if (seen != fabricsSeen_.end()) {
        problems_.error(line, "fabric " + wwn + " already has a block at line " + std::to_string(seen->second));
    } else if (fabricsSeen_.size() < kMaxFabricsRemembered) {
        fabricsSeen_.emplace(wwn, line);
    }
}

void ValueChecker::record(const Record& record) {
    if (sectionInfo(record.section).kind == FileKind::Topology)
        checkTopology(record);
    else
        checkZoning(record);
}

void ValueChecker::bad(const Record& record, int column, const std::string& why) {
    problems_.error(record.line + 1, "[" + std::string(sectionInfo(record.section).name) + "] " +
                                     std::string(columnName(record.section, column)) + " " +
                                     quoted(record.fields[column]) + " " + why);
}

void ValueChecker::wwn(const Record& record, int column) {
    if (!isWwn(record.fields[column])) bad(record, column, "is not a WWN (16 upper-case hexadecimal digits)");
}

void ValueChecker::fabricWwn(const Record& record, int column) {
    wwn(record, column);
    if (!fabric_.empty() && isWwn(record.fields[column]) && record.fields[column] != fabric_)
        bad(record, column, "is not the WWN of its fabric block (" + fabric_ + ")");
}

void ValueChecker::inFabric(const Record& record, int column) {
    if (!fabric_.empty() && !startsWith(record.fields[column], fabric_ + ":"))
        bad(record, column, "does not begin with its fabric's WWN and a colon");
}

void ValueChecker::checkTopology(const Record& record) {
    const auto& f = record.fields;
    switch (record.section) {
        case Section::FabricToInterconnectElement:
            wwn(record, 0);
            fabricWwn(record, 1);
            break;
        case Section::InterconnectElement:
            wwn(record, 0);
            if (f[1] != f[0]) bad(record, 1, "differs from the uniqueId");
            if (!isOneOf(f[2], ieTypeNames())) bad(record, 2, "is no interconnect element type name");
            if (!f[3].empty() && !isDecimal(f[3], 0, 255)) bad(record, 3, "is no domain number (0 to 255)");
            if (!f[5].empty() && !isUpperHex(f[5], 6)) bad(record, 5, "is no FC port identifier (6 upper-case hexadecimal digits)");
            break;
        case Section::SwitchToPort:
        case Section::NodeToPort:
        case Section::PortToPort:
            wwn(record, 0);
            wwn(record, 1);
            break;
        case Section::SwitchPort:
            wwn(record, 0);
            if (!isOneOf(f[1], portTypeNames())) bad(record, 1, "is no port type name");
            if (!f[2].empty() && !isOneOf(f[2], portStateNames())) bad(record, 2, "is no port state name");
            // Written as "%u" by this probe, as "%d" by older ones.
            if (!f[3].empty() && !isDecimal(f[3], -2147483648LL, 4294967295LL)) bad(record, 3, "is no 32-bit decimal number");
            break;
        case Section::EndPort:
            wwn(record, 0);
            // Only undefined, N_Port and NL_Port attachments become end ports.
            if (f[1] != "Undefined" && f[1] != "N_Port" && f[1] != "NL_Port")
                bad(record, 1, "is no end port type (Undefined, N_Port or NL_Port)");
            if (!f[2].empty() && !isUpperHex(f[2], 6)) bad(record, 2, "is no FC port identifier (6 upper-case hexadecimal digits)");
            break;
        case Section::Node:
            wwn(record, 0);
            if (!f[2].empty() && !isOneOf(f[2], platformTypeNames())) bad(record, 2, "is no platform type name");
            break;
        default: break;
    }
}

void ValueChecker::checkZoning(const Record& record) {
    const auto& f = record.fields;
    switch (record.section) {
        case Section::FabricToZoneSet:
            inFabric(record, 0);
            if (!lastPartIsCopyFlag(f[0])) bad(record, 0, "does not end in :0 or :1");
            fabricWwn(record, 1);
            break;
        case Section::ZoneSet: {
            if (f[2] != "TRUE" && f[2] != "FALSE") {
                bad(record, 2, "is neither TRUE nor FALSE");
                break;
            }
            if (fabric_.empty()) break;
            const std::string id = fabric_ + ":" + f[1] + ":" + (f[2] == "TRUE" ? "1" : "0");
            if (f[0] != id) bad(record, 0, "is not " + quoted(id) + " (fabric:name:1 when active, :0 when not)");
            break;
        }
        case Section::ZoneSetToZone: {
            inFabric(record, 0);
            if (!lastPartIsCopyFlag(f[0])) {
                bad(record, 0, "does not end in :0 or :1");
                break;
            }
            const std::string_view set(f[0]);
            const std::string_view prefix = set.substr(0, set.size() - 1);  // "F:Z:"
            const std::string_view flag = set.substr(set.size() - 2);       // ":x"
            if (!startsWith(f[1], prefix) || !endsWith(f[1], flag) || f[1].size() < prefix.size() + flag.size() + 1)
                bad(record, 1, "is not the zone set's identifier with a zone name before its last part");
            break;
        }
        case Section::Zone:
            inFabric(record, 0);
            if (f[1].empty()) bad(record, 1, "is empty (a zone has a name)");
            if (!endsWith(f[0], ":" + f[1] + ":0") && !endsWith(f[0], ":" + f[1] + ":1"))
                bad(record, 0, "does not end in the zone's name and :0 or :1");
            if (f[2] != "None") bad(record, 2, "is not None");
            break;
        case Section::ZoneToMember: {
            inFabric(record, 0);
            const std::string_view id(f[0]);
            const std::size_t colon = id.rfind(':');
            if (colon == std::string_view::npos || !findMemberType(id.substr(colon + 1)))
                bad(record, 0, "does not end in a zone member type name");
            inFabric(record, 1);
            if (!lastPartIsCopyFlag(f[1])) bad(record, 1, "does not end in :0 or :1");
            break;
        }
        case Section::ZoneMember: {
            const MemberType* type = findMemberType(f[2]);
            if (!type) {
                bad(record, 2, "is no zone member type name");
                break;
            }
            if (!matchesMemberForm(f[1], type->form)) bad(record, 1, "is not how a " + f[2] + " member is named");
            if (!fabric_.empty() && f[0] != fabric_ + ":" + f[1] + ":" + f[2])
                bad(record, 0, "is not the fabric WWN, the member's name and its type joined by colons");
            break;
        }
        default: break;
    }
}
