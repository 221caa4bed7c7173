// The route of every fabric-attached port of an opened adapter, chosen once,
// when the adapter is opened, and held until it is closed. The queries borrow
// a port's GsPort.
//
// How a route is chosen (choosePortRoute, the one place):
// 1. The version probe (setSendCTPassThruVersion) through the adapter's first
//    port picks HBA_SendCTPassThruV2 or HBA_SendCTPassThru.
// 2. Only when the V2 call answered NOT_SUPPORTED and an fc_host of the kernel's
//    FC transport serves that port is the older call asked too (the same probe
//    request, once). NOT_SUPPORTED again: the library cannot carry CT at all.
// 3. Each port then gets: the kernel's FC transport through its fc_host
//    (KernelRoute.h: FC_BSG_HST_CT or FC_BSG_RPT_CT as its driver takes them) when
//    the library cannot carry CT and the host's device opens; otherwise the HBA call
//    of the chosen version.
// An adapter the HBA API does not list but the kernel does (an fc_host of its own)
// has no HBA handle: its one port always takes the kernel's FC transport.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "CtRoute.h"
#include "FcHostLookup.h"
#include "GsTypes.h"

// What the adapter's HBA library can do, learnt through its first port.
struct AdapterCt {
    int version = 0;              // 1 or 2, as the version probe chose
    bool libraryRefuses = false;  // both pass-through calls answered NOT_SUPPORTED
};

// Steps 1 and 2 above.
AdapterCt chooseAdapterCt(HbaHandle handle, const Wwn& firstPort, const SysfsPaths& paths);

// Step 3 for one port. warned: the adapter's flag for the once-per-adapter AGT0431W.
std::unique_ptr<CtRoute> choosePortRoute(const Wwn& port, const AdapterCt& ct, const SysfsPaths& paths,
                                         bool& warned);

class PortTransports {
public:
    // Chooses the routes of the adapter's fabric-attached ports (ports not empty).
    PortTransports(HbaHandle handle, const std::vector<Wwn>& ports, const SysfsPaths& paths = SysfsPaths{});
    // The one port of an adapter that only the kernel lists: fc_host host<N>.
    PortTransports(unsigned fcHost, const Wwn& port, const SysfsPaths& paths = SysfsPaths{});
    PortTransports(const PortTransports&) = delete;
    PortTransports& operator=(const PortTransports&) = delete;

    const std::vector<GsPort>& ports() const { return ports_; }

private:
    bool warned_ = false;
    std::vector<std::unique_ptr<CtRoute>> routes_;
    std::vector<GsPort> ports_;
};
