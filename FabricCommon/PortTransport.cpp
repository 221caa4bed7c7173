#include "PortTransport.h"

#include <array>
#include <cerrno>

#include "FcHostLookup.h"
#include "GsCommands.h"
#include "GsTransport.h"
#include "HbaRoutes.h"
#include "KernelRoute.h"
#include "naTrace.h"

AdapterCt chooseAdapterCt(HbaHandle handle, const Wwn& firstPort, const SysfsPaths& paths) {
    AdapterCt ct;
    bool v2Refused = false;
    ct.version = setSendCTPassThruVersion(handle, firstPort, &v2Refused);
    unsigned host = 0;
    // A library with the older call only is the usual vendor case: nothing more is asked unless
    // the kernel could carry the requests instead. The look leaves errno as it was.
    const int callErrno = errno;
    const bool kernelCould = v2Refused && findFcHost(paths, firstPort, host);
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

std::unique_ptr<CtRoute> choosePortRoute(const Wwn& port, const AdapterCt& ct, const SysfsPaths& paths,
                                         bool& warned) {
    if (ct.libraryRefuses) {
        if (std::unique_ptr<CtRoute> kernel = KernelCtRoute::open(port, paths)) return kernel;
    }
    if (ct.version == 2) return std::make_unique<HbaV2Route>(warned);
    return std::make_unique<HbaV1Route>(warned);
}

PortTransports::PortTransports(HbaHandle handle, const std::vector<Wwn>& ports, const SysfsPaths& paths) {
    if (ports.empty()) return;
    const AdapterCt ct = chooseAdapterCt(handle, ports.front(), paths);
    for (const Wwn& wwn : ports) {
        routes_.push_back(choosePortRoute(wwn, ct, paths, warned_));
        ports_.push_back(GsPort{handle, wwn, routes_.back().get()});
    }
}

PortTransports::PortTransports(unsigned fcHost, const Wwn& port, const SysfsPaths& paths) {
    routes_.push_back(KernelCtRoute::forHost(fcHost, paths));
    ports_.push_back(GsPort{0, port, routes_.back().get()});  // no HBA handle: trace lines name handle 0
}
