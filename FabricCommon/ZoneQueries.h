// Zone server queries and the zone walk of a "ZoningOnly" probe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "GsRequest.h"
#include "GsTypes.h"
#include "RecordSink.h"

// Response buffer sizes of the zone server queries.
inline constexpr std::uint32_t kZoneCapabilitiesResponseSize = 224;
inline constexpr std::uint32_t kZoneSetResponseSize = 256000;      // GAZS, GZS
inline constexpr std::uint32_t kZoneSetNameListResponseSize = 32000;  // GZSN
// Preamble plus the largest zone set name object (255 name bytes, 1 padding).
inline constexpr std::size_t kZoneSetRequestMaxSize = 16 + 4 + 255 + 1;
using ZoneSetRequest = GsRequest<kZoneSetRequestMaxSize - 16>;

// 0 written, -1002 a response does not hold what its counts say, or a writer's
// negative result.
int getCurrentZoningInfo(HbaHandle handle, const Wwn& hbaPortWwn, const char* fabricWwn,
                         RecordSink& out, int invocationType);

// GZC, one attempt. zsDbAvailable is 1 when the switch offers its zone database.
int getZoneCapabilities(HbaHandle handle, const Wwn& hbaPortWwn, int& zsDbAvailable,
                        std::uint8_t& reason, std::uint8_t& explanation);
// 1 when GZC was accepted and says the zone database is offered, else 0.
int isFullZoneDBSupported(HbaHandle handle, const Wwn& hbaPortWwn, std::uint8_t& reason,
                          std::uint8_t& explanation);

// Up to 3 attempts 10 seconds apart; the status of the last one. The buffers
// are the caller's: kZoneSetResponseSize bytes for GAZS and GZS,
// kZoneSetNameListResponseSize for GZSN.
int getActiveZoneSet(HbaHandle handle, const Wwn& hbaPortWwn, std::uint8_t* response,
                     std::uint32_t responseSize);
int getZoneSetList(HbaHandle handle, const Wwn& hbaPortWwn, std::uint8_t* response,
                   std::uint32_t responseSize);
int getZoneSet(HbaHandle handle, const Wwn& hbaPortWwn, const std::string& zoneSetName,
               std::uint8_t* response, std::uint32_t responseSize);

// The GZS request for a zone set name (at most 255 bytes are sent); its size.
std::size_t buildZoneSetRequest(const std::string& zoneSetName, ZoneSetRequest& request);
