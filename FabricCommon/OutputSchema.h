// The output file's sections and their columns: the one table behind both
// column-header blocks and every record writer.
#pragma once

#include <cstddef>
#include <cstdio>

#include "OutputFormat.h"
#include "naTrace.h"

struct Section {
    const char* name;     // "SwitchPort": written as [SwitchPort] ... [/SwitchPort]
    const char* columns;  // the header line: column names joined by commas
};

constexpr int columnCount(const char* columns) {
    int count = 1;
    for (const char* c = columns; *c; ++c)
        if (*c == ',') ++count;
    return count;
}

// Topology
inline constexpr Section kFabricSection{"Fabric", "wwn"};
inline constexpr Section kFabricToInterconnectElementSection{"FabricToInterconnectElement", "switchWwn,fabricWwn"};
inline constexpr Section kInterconnectElementSection{
    "InterconnectElement",
    "uniqueId,wwn,type,domain,logicalName,managementId,vendorID,model,releaseCode,"
    "managementSnmpAddress,managementUrlAddress,managementTelnetAddress"};
inline constexpr Section kSwitchToPortSection{"SwitchToPort", "uniqueId,switchWwn"};
inline constexpr Section kSwitchPortSection{"SwitchPort", "wwn,type,portState,physicalPortNumber"};
inline constexpr Section kEndPortSection{"EndPort", "wwn,type,fcPortId"};
inline constexpr Section kNodeToPortSection{"NodeToPort", "nodeWwn,portWwn"};
inline constexpr Section kNodeSection{"Node", "wwn,name,type,mgtUrlAddress,mgmtTelnetAddress,mgmtSnmpAddress"};
inline constexpr Section kPortToPortSection{"PortToPort", "wwnPort1,wwnPort2"};
inline constexpr const Section* kTopologySections[] = {
    &kFabricSection,       &kFabricToInterconnectElementSection, &kInterconnectElementSection,
    &kSwitchToPortSection, &kSwitchPortSection,                   &kEndPortSection,
    &kNodeToPortSection,   &kNodeSection,                         &kPortToPortSection};

// Zoning
inline constexpr Section kFabricToZoneSetSection{"FabricToZoneSet", "uniqueId,fabricWWn"};
inline constexpr Section kZoneSetSection{"ZoneSet", "uniqueId,name,active"};
inline constexpr Section kZoneSetToZoneSection{"ZoneSetToZone", "zonesetUniqueId,zoneUniqueId"};
inline constexpr Section kZoneSection{"Zone", "uniqueId,name,type"};
inline constexpr Section kZoneToMemberSection{"ZoneToMember", "uniqueId,zoneUniqueId"};
inline constexpr Section kZoneMemberSection{"ZoneMember", "uniqueId,name,type"};
inline constexpr const Section* kZoningSections[] = {
    &kFabricSection, &kFabricToZoneSetSection, &kZoneSetSection,     &kZoneSetToZoneSection,
    &kZoneSection,   &kZoneToMemberSection,    &kZoneMemberSection};

// The column-header block of a probe type: "[name]" and the columns line of each
// section, between the writer's Enter and (on success) Exit lines; 1 or the failed call's result.
int printSectionHeaders(const Section* const* sections, int count, FILE* stream, const char* writerName);
template <std::size_t N>
int printSectionHeaders(const Section* const (&sections)[N], FILE* stream, const char* writerName) {
    return printSectionHeaders(sections, static_cast<int>(N), stream, writerName);
}

// One record of section S, its fields in the section's column order.
template <const Section& S, class... Fields>
int printRecord(const char* writerName, FILE* stream, Fields... fields) {
    static_assert(columnCount(S.columns) == sizeof...(Fields), "one field per column");
    const char* const values[] = {fields...};
    NATRACE(TR_ENTER, "Enter: %s\n", writerName);
    const int result = printRecordBlock(S.name, values, sizeof...(Fields), stream, writerName);
    if (result == 1) NATRACE(TR_EXIT, "Exit: %s\n", writerName);
    return result;
}
