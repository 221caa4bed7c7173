// How much of a fabric a picture draws one by one; the rest is drawn as counts,
// so a large fabric stays readable and costs bounded memory.
#pragma once

#include <cstddef>

struct PictureLimits {
    std::size_t fabrics = 16;
    std::size_t switches = 32;             // per fabric
    std::size_t endPortsPerSwitch = 8;
    std::size_t endPorts = 200;            // per fabric
    std::size_t platforms = 48;            // per fabric
    std::size_t platformsListed = 8;       // of those with no node attached in the fabric
    std::size_t nodesShownPerPlatform = 3; // nodes of a platform not attached in the fabric
    std::size_t zoneSets = 8;              // per fabric
    std::size_t zonesPerSet = 16;
    std::size_t zones = 48;                // per fabric
    std::size_t membersPerZone = 12;
    std::size_t members = 120;             // per fabric
    std::size_t switchPorts = 200000;      // remembered per fabric to find inter-switch links
};
