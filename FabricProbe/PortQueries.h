// Queries about one switch port (Fabric Configuration Server) and one attached
// port (Name Server). Each returns the status of IssueGS3Command and fills its
// output only on 0.
#pragma once

#include <cstdint>

#include "GsTypes.h"

// State byte, above 5 made 5 (Reserved).
int getPortState(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& portWwn, const char* portWwnText,
                 std::uint8_t& state);
// The converted physical port number.
int getPhysicalPortNumber(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& portWwn,
                          const char* portWwnText, std::uint32_t& number);
int getFcPortId(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& portWwn, const char* portWwnText,
                std::uint8_t (&portId)[3]);
int getNode(HbaHandle handle, const Wwn& hbaPortWwn, const std::uint8_t (&portId)[3],
            const char* portIdText, Wwn& nodeWwn);
