// Port discovery: the ports of one switch and the ports attached to them.
#pragma once

#include "CtRoute.h"
#include "RecordSink.h"

// Both return -2014 for a port type that cannot be interpreted (the rest of the
// list is dropped), -2013 when a record could not be written, the status of
// GPL/GAPNL when it failed, 0 for an empty list, else the last step's result.
// A write failure is logged (AGT0422E) where it happens and kept in the sink;
// callers act only on that.
int getInterconnectElementPorts(const GsPort& port, const Wwn& switchWwn, const char* switchWwnText, RecordSink& out);
int getAttachedPorts(const GsPort& port, const Wwn& switchPortWwn, const char* switchPortWwnText, RecordSink& out);
