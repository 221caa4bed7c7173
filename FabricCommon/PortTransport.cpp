#include "PortTransport.h"

#include <array>
#include <cerrno>

#include "FcHostLookup.h"
#include "GsCommands.h"
#include "GsTransport.h"
#include "HbaRoutes.h"
#include "KernelTransport.h"
#include "naTrace.h"

AdapterCt chooseAdapterCt(HbaHandle handle, const Wwn& firstPort, const std::string& fcHostClass) {
    AdapterCt ct;
    bool v2Refused = false;
    ct.version = setSendCTPassThruVersion(handle, firstPort, &v2Refused);
    unsigned host = 0;
    // A library with the older call only is the usual vendor case: nothing more is asked unless
    // the kernel could carry the requests instead. The look leaves errno as it was.
    const int callErrno = errno;
    const bool kernelCould = v2Refused && findFcHost(fcHostClass, firstPort, host);
    errno = callErrno;
    if (!kernelCould) return ct;
    std::uint8_t request[16];
    buildVersionProbe(request);
    std::array<std::uint8_t, gs::GIEL.responseSize> response{};
    ct.libraryRefuses = hbaRefusesOlderCall(handle, request, sizeof request, response.data(),
                                            static_cast<std::uint32_t>(response.size()));
    if (ct.libraryRefuses)
        NATRACE(TR_MIN,
                "HBA_SendCTPassThruV2() and HBA_SendCTPassThru() not supported: trying the kernel FC transport\n");
    else
        NATRACE(TR_MIN, "HBA_SendCTPassThru() answers the version probe: requests of this adapter use it\n");
    return ct;
}

std::unique_ptr<CtRoute> choosePortRoute(const Wwn& port, const AdapterCt& ct, const std::string& fcHostClass,
                                         bool& warned) {
    if (ct.libraryRefuses) {
        if (std::unique_ptr<CtRoute> kernel = KernelHostCtRoute::open(port, fcHostClass)) return kernel;
    }
    if (ct.version == 2) return std::make_unique<HbaV2Route>(warned);
    return std::make_unique<HbaV1Route>(warned);
}

PortTransports::PortTransports(HbaHandle handle, const std::vector<Wwn>& ports, const std::string& fcHostClass) {
    if (ports.empty()) return;
    const AdapterCt ct = chooseAdapterCt(handle, ports.front(), fcHostClass);
    for (const Wwn& wwn : ports) {
        routes_.push_back(choosePortRoute(wwn, ct, fcHostClass, warned_));
        ports_.push_back(GsPort{handle, wwn, routes_.back().get()});
    }
}
