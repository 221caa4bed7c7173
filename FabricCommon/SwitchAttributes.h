// GIEIL: the attribute list (vendor, model, release code) of one interconnect element.
#pragma once

#include <cstdint>

#include "GsTypes.h"

constexpr std::uint32_t kInformationListSize = 256;

// Fills informationList with response bytes 16-271 when the status is 0;
// returns the status of IssueGS3Command.
int getIEWWNAttributes(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& elementWwn,
                       const char* elementWwnText,
                       std::uint8_t (&informationList)[kInformationListSize]);
