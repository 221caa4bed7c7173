// Fabric selection and the adapter/port/fabric probe loop.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "CtRoute.h"
#include "FabricList.h"
#include "GsTypes.h"
#include "RecordSink.h"
#include "TopologyDecode.h"

// The -command and -fabrics words once checked; anything else is neither.
enum class ProbeCommand { Topology, ZoningOnly, Unknown };
enum class FabricSelection { All, Specific, Unknown };
ProbeCommand probeCommandOf(const std::string& word);
FabricSelection fabricSelectionOf(const std::string& word);

// Walks every fabric-attached adapter port and writes one block per fabric.
// Returns the result of the last port probed, 0 when none was, or -2002,
// -2016, -1002, -2013 or the HBA API load status.
int getFabrics(FILE* stream, ProbeCommand probeCommand, FabricSelection fabrics, const char* inputPath,
               const char* outputPath);

// Identifies the fabric behind one port (GIEL, GFN) and, unless it was probed
// already or is not wanted, writes its block. 0 when the fabric was probed,
// skipped or could not be identified; -1002, -2013 or -2015 end the whole probe.
int getFabricProbeInfo(const GsPort& port, ProbeCommand probeCommand, FabricSelection fabrics, RecordSink& out,
                       const FabricList& wanted, int& fabricFound, std::vector<WwnText>& probedFabrics);
