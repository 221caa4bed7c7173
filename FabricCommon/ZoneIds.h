// The unique identifiers that tie zone sets, zones and members together in the
// output file: parts joined by single colons.
#pragma once

#include <string>

// F:Z:x, x "1" or "0".
inline std::string zoneSetUniqueId(const std::string& fabricWwn, const std::string& zoneSet,
                                   bool one) {
    return fabricWwn + ":" + zoneSet + ":" + (one ? "1" : "0");
}

// F:Z:N:x, x "1" when the zone was read from the active zone set response.
inline std::string zoneUniqueId(const std::string& fabricWwn, const std::string& zoneSet,
                                const std::string& zone, bool activeCopy) {
    return fabricWwn + ":" + zoneSet + ":" + zone + ":" + (activeCopy ? "1" : "0");
}

// F:M:T; it names neither zone nor zone set, so a member shared by zones
// keeps one identifier.
inline std::string zoneMemberUniqueId(const std::string& fabricWwn, const std::string& member,
                                      const std::string& typeName) {
    return fabricWwn + ":" + member + ":" + typeName;
}
