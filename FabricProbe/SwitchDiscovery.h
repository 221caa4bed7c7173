// Switch discovery: one [InterconnectElement] record per GIEL entry, then its ports.
#pragma once

#include "CtRoute.h"
#include "RecordSink.h"
#include "TopologyDecode.h"

// 0 or the port discovery's status when the element was handled; -2014 when
// its type cannot be interpreted (nothing written); -2013 when the output file
// could not be written.
int getInterconnectElementInfo(const GsPort& port, WwnTypeEntry element, RecordSink& out);
