// Where a port or node WWN is: the switch port it is attached to, its node and
// platform in Topology files; the zones that hold it in ZoningOnly files.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "Snapshot.h"

// 16 hexadecimal digits, with or without colons, any case, as the file writes a
// WWN (upper case, no colons); empty when the text is no WWN.
std::string canonicalWwn(std::string_view text);

struct FindFile {
    std::string name;
    const Snapshot* snapshot;
};

// {"wwn", "found", "files": [{"file", "kind", "fabrics": [...]}]}. In a Topology
// fabric: "attached" ports (the WWN's own port, or its node's ports) with their
// "switchPorts" and switches, node and "platforms"; the WWN as a "switchPort",
// "switch" or platform node. In a ZoningOnly fabric: the "activeZoneSet" and
// every zone with a PortWWN or NodeWWN member that is the WWN, or a port or node
// that a Topology file given with it ties to the WWN.
nlohmann::ordered_json findWwn(const std::string& wwn, const std::vector<FindFile>& files);

std::string formatFind(const nlohmann::ordered_json& found);
