// Platform discovery: every platform the fabric lists becomes one [Node]
// record per node, carrying the platform's name, type and addresses.
#pragma once

#include <cstdint>

#include "CtRoute.h"
#include "RecordSink.h"

// 0 when the list was handled; the GPNL status when it failed; -2013 when a
// record could not be written; -2014 for a platform type that cannot be
// interpreted (the remaining platforms are not handled).
int getPlatformInformation(const GsPort& port, RecordSink& out);

// One [Node] record per node of the platform; the GPLNL status or -2013.
int getPlatformNodes(const GsPort& port, const char* platformName, const std::uint8_t* nameEntry,
                     const char* typeName, const char* url, const char* telnet, const char* snmp, RecordSink& out);
