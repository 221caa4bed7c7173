// Zone server queries and the zone walk of a "ZoningOnly" probe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "CtRoute.h"
#include "GsCommands.h"
#include "RecordSink.h"

// Response buffer sizes of the zone server queries (the command table's).
inline constexpr std::uint32_t kZoneCapabilitiesResponseSize = gs::GZC.responseSize;
inline constexpr std::uint32_t kZoneSetResponseSize = gs::GAZS.responseSize;  // GAZS, GZS
inline constexpr std::uint32_t kZoneSetNameListResponseSize = gs::GZSN.responseSize;
// The zone set name object of a GZS request: at most 4 + 255 + 1 bytes.
struct ZoneSetRequest {
    std::uint8_t bytes[gs::GZS.payloadSize];
};

// 0 written, -1002 a response does not hold what its counts say, or a writer's
// negative result.
int getCurrentZoningInfo(const GsPort& port, const char* fabricWwn, RecordSink& out, int invocationType);

// GZC, one attempt. zsDbAvailable is 1 when the switch offers its zone database.
int getZoneCapabilities(const GsPort& port, int& zsDbAvailable);
// 1 when GZC was accepted and says the zone database is offered, else 0.
int isFullZoneDBSupported(const GsPort& port);

// Up to 3 attempts 10 seconds apart; the status of the last one. The buffers
// are the caller's: kZoneSetResponseSize bytes for GAZS and GZS,
// kZoneSetNameListResponseSize for GZSN. On 0 answer holds the bytes that arrived.
int getActiveZoneSet(const GsPort& port, std::uint8_t* response, ByteSpan& answer);
int getZoneSetList(const GsPort& port, std::uint8_t* response, ZoneSetNames& names);
int getZoneSet(const GsPort& port, const std::string& zoneSetName, std::uint8_t* response, ByteSpan& answer);

// The zone set name object of a GZS request for a name (at most 255 bytes are
// sent); its size.
std::size_t buildZoneSetRequest(const std::string& zoneSetName, ZoneSetRequest& request);
