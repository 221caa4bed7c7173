// Fabric selection and the adapter/port/fabric probe loop.
#pragma once

#include <cstdio>
#include <vector>

#include "FabricList.h"
#include "GsTypes.h"
#include "TopologyDecode.h"

// Walks every fabric-attached adapter port and writes one block per fabric.
// Returns the result of the last port probed, 0 when none was, or -2002,
// -2016, -1002, -2013 or the HBA API load status.
int getFabrics(FILE* stream, const char* probeCommand, const char* fabrics,
               const char* inputPath, const char* outputPath);

// Identifies the fabric behind one port (GIEL, GFN) and, unless it was probed
// already or is not wanted, writes its block. 0 when the fabric was probed,
// skipped or could not be identified; -1002 or -2013 end the whole probe.
int getFabricProbeInfo(HbaHandle handle, const Wwn& hbaPortWwn, const char* probeCommand,
                       const char* fabrics, FILE* stream, const FabricList& wanted, int& fabricFound,
                       std::vector<WwnText>& probedFabrics, const char* outputPath);
