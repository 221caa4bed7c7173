// How the driver of an fc_host takes CT pass-through requests (FC_BSG_HST_CT on the
// host's bsg device, or FC_BSG_RPT_CT on a server's remote port), and which driver
// an fc_host has.
#pragma once

#include <string>

#include "FcHostLookup.h"

enum class CtWay {
    HostCt,            // FC_BSG_HST_CT on /dev/bsg/fc_host<N>
    RportCt,           // FC_BSG_RPT_CT on the server's remote port
    HostCtThenRportCt  // a driver not in the table: HST_CT, then RPT_CT when that is refused
};

struct DriverCt {
    CtWay way;
    // The driver reaches a server only through a login (a remote port) to it: without
    // one, a refusal cannot change within the run.
    bool needsLogin;
};

// By driver name (a scsi_host proc_name or a PCI function's module).
DriverCt driverCt(const std::string& driver);

// The driver of host<N>: its scsi_host's proc_name; where that names none (several
// drivers give their host template no proc_name and the kernel prints "(null)"), the
// module of the PCI function the host sits on; "unknown" when neither is readable.
std::string fcHostDriver(const SysfsPaths& paths, unsigned host);
