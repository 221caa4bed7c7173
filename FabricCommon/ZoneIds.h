// The unique identifiers that tie zone sets, zones and members together in the
// output file: parts joined by single colons.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// The parts joined by colons into `id`, whose buffer is reused.
inline void joinIdParts(std::string& id, std::initializer_list<std::string_view> parts) {
    id.clear();
    bool first = true;
    for (std::string_view part : parts) {
        if (!first) id += ':';
        id.append(part.data(), part.size());
        first = false;
    }
}

// F:Z:x, x "1" or "0".
inline std::string zoneSetUniqueId(std::string_view fabricWwn, std::string_view zoneSet, bool one) {
    std::string id;
    joinIdParts(id, {fabricWwn, zoneSet, one ? "1" : "0"});
    return id;
}

// F:Z:N:x, x "1" when the zone was read from the active zone set response.
inline std::string zoneUniqueId(std::string_view fabricWwn, std::string_view zoneSet, std::string_view zone,
                                bool activeCopy) {
    std::string id;
    joinIdParts(id, {fabricWwn, zoneSet, zone, activeCopy ? "1" : "0"});
    return id;
}

// F:M:T; it names neither zone nor zone set, so a member shared by zones
// keeps one identifier. Written into `id`, so that a zone's members share a buffer.
inline void assignZoneMemberUniqueId(std::string& id, std::string_view fabricWwn, std::string_view member,
                                     std::string_view typeName) {
    joinIdParts(id, {fabricWwn, member, typeName});
}
