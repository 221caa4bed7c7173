// CT pass-through through the kernel's FC transport for one fc_host (one adapter
// port), the way its driver takes it. Decided once per server (FFFFFC, FFFFFA) when the
// route is made, from the driver's row (FcDriver.h) and the server's online remote port:
// - FC_BSG_HST_CT on /dev/bsg/fc_host<N>, or FC_BSG_RPT_CT on the server's
//   /dev/bsg/rport-H:C-R;
// - a driver not in the table gets HST_CT, and RPT_CT from the first time the driver
//   refuses HST_CT (EINVAL) while the server has an online remote port;
// - a server the host has no login to (no online remote port, and a driver that needs
//   one: RPT_CT, or HST_CT refused with EINVAL) cannot be reached within the run: the
//   activity log says so once (AGT0446W), its requests are no longer sent, and the
//   retries of queries to it are skipped (unreachable()).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "CtRoute.h"
#include "FcDriver.h"
#include "FcHostLookup.h"
#include "GsTypes.h"
#include "KernelTransport.h"

class KernelCtRoute : public CtRoute {
public:
    // The route of host<N>. Always made: a device that does not open fails each request
    // sent through it, with the open's errno.
    static std::unique_ptr<KernelCtRoute> forHost(unsigned host, const SysfsPaths& paths = SysfsPaths{});
    // The route of the fc_host serving an HBA API port whose library refuses CT; null,
    // traced, when no fc_host serves it or the host's device does not open.
    static std::unique_ptr<KernelCtRoute> open(const Wwn& port, const SysfsPaths& paths = SysfsPaths{});

    void traceCall(const CtExchange& exchange) const override;
    CtSent send(const CtExchange& exchange) override;
    void traceUsed(const CtSent& sent) const override;
    bool unreachable(std::uint8_t gsType) const override;

private:
    enum class Via { Host, Rport, Nowhere };
    struct Server {
        std::uint32_t id = 0;
        Via via = Via::Host;
        bool fallback = false;  // HST_CT refused by a driver not in the table: RPT_CT next
        std::string rport;      // the server's online remote port; empty when none
        BsgDevice rportDevice;  // opened when first used
        int error = 0;          // why it cannot be reached: the refusal's errno, or ENOTCONN
        bool said = false;      // AGT0446W logged
    };

    KernelCtRoute(unsigned host, const SysfsPaths& paths);
    void decide(Server& server, std::uint32_t id);
    Server& serverOf(std::uint8_t gsType);
    const Server& serverOf(std::uint8_t gsType) const;
    BsgVerdict sendVia(Server& server, const CtExchange& x);
    BsgVerdict afterRefusal(Server& server, const CtExchange& x, const BsgVerdict& refusal);
    void markUnreachable(Server& server, int error);
    CtSent notSent(Server& server);
    static const char* messageOf(const Server& server);
    std::string deviceOf(const Server& server) const;

    unsigned host_;
    SysfsPaths paths_;
    std::string driver_;
    DriverCt ct_;
    BsgDevice hostDevice_;
    int hostOpenErrno_ = 0;
    Server servers_[2];  // the name server (FFFFFC), the management server (FFFFFA)
};
