// Queries about one platform; the payload of each is the platform's 256-byte
// name entry exactly as GPNL listed it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CtRoute.h"
#include "TopologyDecode.h"

// Platform texts are kept whole (a length byte allows 255 characters).
constexpr std::size_t kPlatformTextField = 256;
// getPlatformType's result when a timeout entry made it skip GPLT.
constexpr int kPlatformTypeSkipped = 11;

struct PlatformAddresses {
    char snmp[kPlatformTextField];
    char url[kPlatformTextField];
    char telnet[kPlatformTextField];
    char xml[kPlatformTextField];
    char unknown[kPlatformTextField];
};

// GPLT status, or 11 when a timeout entry for this handle and name exists. A
// GPLT that fails after more than 60 seconds adds such an entry.
int getPlatformType(const GsPort& port, const char* platformName, const std::uint8_t* nameEntry,
                    std::uint32_t& typeCode);
// GPLML status; on 0 each address goes to the field of its kind ("snmp",
// "http", "teln", "xml:", anything else unknown), a later one replacing an earlier one.
int getPlatformManagementAddressList(const GsPort& port, const char* platformName, const std::uint8_t* nameEntry,
                                     PlatformAddresses& addresses);

// The GPLML list itself: each address lying inside the answer into the field of
// its kind, a later one replacing an earlier one; noted(field name, its new
// text) hears of each.
void decodePlatformAddresses(const CountedList& list, PlatformAddresses& addresses,
                             void (*noted)(const char* field, const char* text) = nullptr);
