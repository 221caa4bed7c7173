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
// 3. Each port then gets: FC_BSG_HST_CT through its fc_host's bsg device when
//    the library cannot carry CT and that device opens; otherwise the HBA call of
//    the chosen version.
// A new kernel route (another bsg message, another device) is one more CtRoute
// class and one more branch in choosePortRoute.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "CtRoute.h"
#include "GsTypes.h"

// What the adapter's HBA library can do, learnt through its first port.
struct AdapterCt {
    int version = 0;              // 1 or 2, as the version probe chose
    bool libraryRefuses = false;  // both pass-through calls answered NOT_SUPPORTED
};

// Steps 1 and 2 above. fcHostClass: where the kernel lists its fc_hosts.
AdapterCt chooseAdapterCt(HbaHandle handle, const Wwn& firstPort, const std::string& fcHostClass);

// Step 3 for one port. warned: the adapter's flag for the once-per-adapter AGT0431W.
std::unique_ptr<CtRoute> choosePortRoute(const Wwn& port, const AdapterCt& ct, const std::string& fcHostClass,
                                         bool& warned);

class PortTransports {
public:
    static constexpr const char* kFcHostClass = "/sys/class/fc_host";

    // Chooses the routes of the adapter's fabric-attached ports (ports not empty).
    PortTransports(HbaHandle handle, const std::vector<Wwn>& ports, const std::string& fcHostClass = kFcHostClass);
    PortTransports(const PortTransports&) = delete;
    PortTransports& operator=(const PortTransports&) = delete;

    const std::vector<GsPort>& ports() const { return ports_; }

private:
    bool warned_ = false;
    std::vector<std::unique_ptr<CtRoute>> routes_;
    std::vector<GsPort> ports_;
};
