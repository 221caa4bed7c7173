// The Fabric Configuration Server queries about one interconnect element.
// Each returns the status of IssueGS3Command (-1000 too when the answer lacks
// its field) and fills its output only on 0.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CtRoute.h"
#include "TopologyDecode.h"

// Column limit of the attribute and address texts: 111 characters.
constexpr std::size_t kSwitchTextField = 112;
// Logical names are at most 255 characters.
constexpr std::size_t kLogicalNameField = sizeof(LogicalName);
// GMAL answers beyond this many addresses are not looked at.
constexpr std::uint32_t kMaxSwitchAddresses = 5;

struct SwitchManagementAddresses {
    char snmp[kSwitchTextField];
    char url[kSwitchTextField];
    char telnet[kSwitchTextField];
};

int getDomainIdentifier(const GsPort& port, const Wwn& elementWwn, const char* elementWwnText, std::uint8_t& domain);
int getLogicalName(const GsPort& port, const Wwn& elementWwn, const char* elementWwnText, LogicalName& logicalName);
int getInbandManagementAddress(const GsPort& port, const Wwn& elementWwn, const char* elementWwnText,
                               FcId& managementId);
// Only addresses starting with "snmp", "http" or "teln" are kept; a later one of
// a kind replaces an earlier one. The fields are left as they are otherwise.
int getIEManagementAddressList(const GsPort& port, const Wwn& elementWwn, const char* elementWwnText,
                               SwitchManagementAddresses& addresses);

// The GMAL list itself: the first five listed addresses, each into the field of
// its kind; noted(field name, its new text) hears of each one kept. Reads only
// the entries lying inside the answer, whatever its count says.
using AddressNoted = void (*)(const char* field, const char* text);
void decodeSwitchAddresses(const CountedList& list, SwitchManagementAddresses& addresses,
                           AddressNoted noted = nullptr);
