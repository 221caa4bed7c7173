// Queries about one switch port (Fabric Configuration Server) and one attached
// port (Name Server). Each returns the status of IssueGS3Command (-1000 too
// when the answer lacks its field) and fills its output only on 0.
#pragma once

#include <cstdint>

#include "CtRoute.h"

// State byte, above 5 made 5 (Reserved).
int getPortState(const GsPort& port, const Wwn& portWwn, const char* portWwnText, std::uint8_t& state);
// The converted physical port number.
int getPhysicalPortNumber(const GsPort& port, const Wwn& portWwn, const char* portWwnText, std::uint32_t& number);
int getFcPortId(const GsPort& port, const Wwn& portWwn, const char* portWwnText, FcId& portId);
int getNode(const GsPort& port, const FcId& portId, const char* portIdText, Wwn& nodeWwn);
