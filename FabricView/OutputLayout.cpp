#include "OutputLayout.h"

#include <algorithm>

namespace {

const SectionInfo kSections[kSectionCount] = {
    {Section::FabricToInterconnectElement, "FabricToInterconnectElement", FileKind::Topology, 2,
     "switchWwn,fabricWwn"},
    {Section::InterconnectElement, "InterconnectElement", FileKind::Topology, 12,
     "uniqueId,wwn,type,domain,logicalName,managementId,vendorID,model,releaseCode,"
     "managementSnmpAddress,managementUrlAddress,managementTelnetAddress"},
    {Section::SwitchToPort, "SwitchToPort", FileKind::Topology, 2, "uniqueId,switchWwn"},
    {Section::SwitchPort, "SwitchPort", FileKind::Topology, 4, "wwn,type,portState,physicalPortNumber"},
    {Section::EndPort, "EndPort", FileKind::Topology, 3, "wwn,type,fcPortId"},
    {Section::NodeToPort, "NodeToPort", FileKind::Topology, 2, "nodeWwn,portWwn"},
    {Section::Node, "Node", FileKind::Topology, 6,
     "wwn,name,type,mgtUrlAddress,mgmtTelnetAddress,mgmtSnmpAddress"},
    {Section::PortToPort, "PortToPort", FileKind::Topology, 2, "wwnPort1,wwnPort2"},
    {Section::FabricToZoneSet, "FabricToZoneSet", FileKind::Zoning, 2, "uniqueId,fabricWWn"},
    {Section::ZoneSet, "ZoneSet", FileKind::Zoning, 3, "uniqueId,name,active"},
    {Section::ZoneSetToZone, "ZoneSetToZone", FileKind::Zoning, 2, "zonesetUniqueId,zoneUniqueId"},
    {Section::Zone, "Zone", FileKind::Zoning, 3, "uniqueId,name,type"},
    {Section::ZoneToMember, "ZoneToMember", FileKind::Zoning, 2, "uniqueId,zoneUniqueId"},
    {Section::ZoneMember, "ZoneMember", FileKind::Zoning, 3, "uniqueId,name,type"},
};

}  // namespace

const SectionInfo& sectionInfo(Section section) { return kSections[static_cast<int>(section)]; }

const SectionInfo* findSection(std::string_view name) {
    for (const SectionInfo& info : kSections)
        if (info.name == name) return &info;
    return nullptr;
}

std::vector<std::string_view> headerColumnBlock(FileKind kind) {
    std::vector<std::string_view> lines;
    if (kind != FileKind::Topology && kind != FileKind::Zoning) return lines;
    lines.push_back("[Fabric]");
    lines.push_back("wwn");
    // The header names the sections in the order the table above keeps them.
    static const std::string_view kBracketed[kSectionCount] = {
        "[FabricToInterconnectElement]", "[InterconnectElement]", "[SwitchToPort]", "[SwitchPort]",
        "[EndPort]", "[NodeToPort]", "[Node]", "[PortToPort]", "[FabricToZoneSet]", "[ZoneSet]",
        "[ZoneSetToZone]", "[Zone]", "[ZoneToMember]", "[ZoneMember]"};
    for (int i = 0; i < kSectionCount; ++i) {
        if (kSections[i].kind != kind) continue;
        lines.push_back(kBracketed[i]);
        lines.push_back(kSections[i].columns);
    }
    return lines;
}

const char* fileKindName(FileKind kind) {
    switch (kind) {
        case FileKind::Topology: return "Topology";
        case FileKind::Zoning: return "ZoningOnly";
        case FileKind::NoColumns: return "header without columns";
        case FileKind::Unknown: break;
    }
    return "unknown kind";
}

std::string fileKindText(FileKind kind) {
    switch (kind) {
        case FileKind::Topology:
        case FileKind::Zoning: return std::string(fileKindName(kind)) + " output";
        case FileKind::NoColumns: return "output with an empty header";
        case FileKind::Unknown: break;
    }
    return "output";
}

const std::vector<std::string_view>& ieTypeNames() {
    static const std::vector<std::string_view> names = {"Undefined", "Switch", "Hub", "Bridge",
                                                        "End_IE_Type"};
    return names;
}

const std::vector<std::string_view>& portTypeNames() {
    static const std::vector<std::string_view> names = {
        "Undefined", "N_Port", "NL_Port", "FNL_Port", "Nx_Port", "F_Port", "FL_Port", "LT_Port",
        "E_Port", "B_Port", "End_Port_Type", "NV_PORT", "FV_Port", "SD_PORT", "TE_Port"};
    return names;
}

const std::vector<std::string_view>& portStateNames() {
    static const std::vector<std::string_view> names = {"Unknown", "Online",   "Offline",
                                                        "Testing", "Faulty",   "Reserved",
                                                        "End_Port_Sate"};
    return names;
}

const std::vector<std::string_view>& platformTypeNames() {
    static const std::vector<std::string_view> names = {
        "Undefined", "Unknown", "Other", "Undefined", "Undefined", "Gateway", "Converter", "HBA",
        "Software Proxy Agent", "Storage Device", "Host", "Storage Subsystem", "Module",
        "Software Driver", "Storage Access Device", "Reserved"};
    return names;
}

bool isOneOf(std::string_view value, const std::vector<std::string_view>& names) {
    return std::find(names.begin(), names.end(), value) != names.end();
}

const std::vector<MemberType>& memberTypes() {
    static const std::vector<MemberType> types = {
        {"PortWWN", MemberNameForm::Hex16},
        {"DomainPort", MemberNameForm::DomainPort},
        {"FCID", MemberNameForm::Hex6},
        {"NodeWWN", MemberNameForm::Hex16},
        {"FabricWWN", MemberNameForm::Hex16},
        {"SymbolicNodeName", MemberNameForm::Zeros16},
        {"InterfaceSwitchWwn", MemberNameForm::Zeros16},
        {"IP", MemberNameForm::Zeros16},
        {"InterfaceDomainId", MemberNameForm::Zeros16},
        {"WwnLun", MemberNameForm::Hex32},
        {"FCIDLun", MemberNameForm::Hex22},
        {"Unknown", MemberNameForm::Zeros16},
    };
    return types;
}

const MemberType* findMemberType(std::string_view name) {
    for (const MemberType& type : memberTypes())
        if (type.name == name) return &type;
    return nullptr;
}
