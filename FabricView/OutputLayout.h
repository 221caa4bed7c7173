// What a probe output file may hold: its kinds, record sections, column blocks and
// the fixed names its type fields take. Kept apart from the probe's own writers so
// that the reader is a second opinion on them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Which column-header block the [Header] section holds.
enum class FileKind { Unknown, Topology, Zoning, NoColumns };

enum class Section {
    FabricToInterconnectElement,
    InterconnectElement,
    SwitchToPort,
    SwitchPort,
    EndPort,
    NodeToPort,
    Node,
    PortToPort,
    FabricToZoneSet,
    ZoneSet,
    ZoneSetToZone,
    Zone,
    ZoneToMember,
    ZoneMember,
};
constexpr int kSectionCount = 14;

struct SectionInfo {
    Section section;
    std::string_view name;     // without brackets
    FileKind kind;             // Topology or Zoning
    int fieldCount;
    std::string_view columns;  // the column line of the header block
};

const SectionInfo& sectionInfo(Section section);
// nullptr for a name that is no record section.
const SectionInfo* findSection(std::string_view name);

// The lines between "[Header]" and "[/Header]" for a file of this kind.
std::vector<std::string_view> headerColumnBlock(FileKind kind);
const char* fileKindName(FileKind kind);
// "Topology output", "ZoningOnly output", "output with an empty header", "output".
std::string fileKindText(FileKind kind);

// The fixed type names, in the order of the codes they stand for.
const std::vector<std::string_view>& ieTypeNames();
const std::vector<std::string_view>& portTypeNames();
const std::vector<std::string_view>& portStateNames();
const std::vector<std::string_view>& platformTypeNames();
bool isOneOf(std::string_view value, const std::vector<std::string_view>& names);

// How a zone member's name text is formed for its type name.
enum class MemberNameForm { Hex16, DomainPort, Hex6, Hex32, Hex22, Zeros16 };
struct MemberType {
    std::string_view name;
    MemberNameForm form;
};
const std::vector<MemberType>& memberTypes();
// nullptr for a name no member type has.
const MemberType* findMemberType(std::string_view name);
