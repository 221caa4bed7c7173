// Fabric selection and the adapter/port/fabric probe loop.
#pragma once

#include <cstdio>

// Walks every fabric-attached adapter port and writes one block per fabric.
// Returns the result of the last port probed, 0 when none was, or -2002,
// -2016, -1002, -2013 or the HBA API load status.
int getFabrics(FILE* stream, const char* probeCommand, const char* fabrics,
               const char* inputPath, const char* outputPath);
