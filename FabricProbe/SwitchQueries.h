// The Fabric Configuration Server queries about one interconnect element.
// Each returns the status of IssueGS3Command and fills its output only on 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ByteSpan.h"
#include "GsTypes.h"

// Column limit of the attribute and address texts: 111 characters.
constexpr std::size_t kSwitchTextField = 112;
// Logical names are at most 255 characters.
constexpr std::size_t kLogicalNameField = 256;
// GMAL answers beyond this many addresses are not looked at.
constexpr std::uint32_t kMaxSwitchAddresses = 5;

struct SwitchManagementAddresses {
    char snmp[kSwitchTextField];
    char url[kSwitchTextField];
    char telnet[kSwitchTextField];
};

int getDomainIdentifier(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                        const char* elementWwnText, std::uint8_t& domain);
int getLogicalName(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                   const char* elementWwnText, char (&logicalName)[kLogicalNameField]);
int getInbandManagementAddress(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                               const char* elementWwnText, std::uint8_t (&managementId)[3]);
// Only addresses starting with "snmp", "http" or "teln" are kept; a later one of
// a kind replaces an earlier one. The fields are left as they are otherwise.
int getIEManagementAddressList(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                               const char* elementWwnText, SwitchManagementAddresses& addresses);

// The GMAL answer itself: the first five listed addresses, each into the field
// of its kind. Reads only inside the response, whatever its count says.
void decodeSwitchAddresses(ByteSpan response, SwitchManagementAddresses& addresses);
