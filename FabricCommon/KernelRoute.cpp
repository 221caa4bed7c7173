#include "KernelRoute.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "CtIu.h"
#include "FcBsg.h"
#include "naMessages.h"
#include "naTrace.h"

namespace {
// A failed request reports the status an HBA library gives a call that failed (HBA_STATUS_ERROR).
constexpr std::uint32_t kCallFailed = 1;

const char* serverName(std::uint32_t id) { return id == kDirectoryServerId ? "name server" : "management server"; }

const char* wayText(CtWay way) {
    switch (way) {
    case CtWay::HostCt: return "FC_BSG_HST_CT";
    case CtWay::RportCt: return "FC_BSG_RPT_CT through the servers' remote ports";
    case CtWay::HostCtThenRportCt: return "not in the table: FC_BSG_HST_CT, FC_BSG_RPT_CT where the driver refuses it";
    }
    return "";
}

BsgVerdict openFailed(int error) {
    BsgVerdict verdict;
    verdict.error = error;
    verdict.problem = "the bsg device does not open";
    return verdict;
}
}  // namespace

KernelCtRoute::KernelCtRoute(unsigned host, const SysfsPaths& paths)
    : host_(host), paths_(paths), driver_(fcHostDriver(paths, host)), ct_(driverCt(driver_)) {
    if (ct_.way != CtWay::RportCt && !hostDevice_.open(paths_.devDir + "/fc_host" + std::to_string(host_)))
        hostOpenErrno_ = errno;
    NATRACE(TR_MIN, "fc_host host%u: driver %s, %s\n", host_, driver_.c_str(), wayText(ct_.way));
    decide(servers_[0], kDirectoryServerId);
    decide(servers_[1], kManagementServerId);
}

void KernelCtRoute::decide(Server& server, std::uint32_t id) {
    server.id = id;
    server.rport = onlineRport(paths_, host_, id);
    server.fallback = ct_.way == CtWay::HostCtThenRportCt && !server.rport.empty();
    server.via = Via::Host;
    if (ct_.way == CtWay::RportCt) server.via = server.rport.empty() ? Via::Nowhere : Via::Rport;
    if (server.via == Via::Nowhere) server.error = ENOTCONN;
    const char* rport = server.rport.empty() ? "none online" : server.rport.c_str();
    NATRACE(TR_MIN, "fc_host host%u: %s %06X: remote port %s; %s\n", host_, serverName(id), static_cast<unsigned>(id),
            rport,
            server.via == Via::Rport     ? "FC_BSG_RPT_CT through it"
            : server.via == Via::Nowhere ? "it cannot be reached"
                                         : "FC_BSG_HST_CT through the host");
}

std::unique_ptr<KernelCtRoute> KernelCtRoute::forHost(unsigned host, const SysfsPaths& paths) {
    return std::unique_ptr<KernelCtRoute>(new KernelCtRoute(host, paths));
}

std::unique_ptr<KernelCtRoute> KernelCtRoute::open(const Wwn& port, const SysfsPaths& paths) {
    const WwnText wwn = formatWwn(port);
    unsigned host = 0;
    if (!findFcHost(paths, port, host)) {
        NATRACE(TR_MIN, "no fc_host in %s/fc_host has port_name %s\n", paths.classDir.c_str(), wwn.text);
        return nullptr;
    }
    NATRACE(TR_MIN, "kernel FC transport for port %s: fc_host host%u\n", wwn.text, host);
    std::unique_ptr<KernelCtRoute> route = forHost(host, paths);
    if (route->hostOpenErrno_ != 0) {
        const int err = route->hostOpenErrno_;
        NATRACE(TR_MIN, "fc_host host%u serves port %s but %s does not open: errno %d %s\n", host, wwn.text,
                route->hostDevice_.path().c_str(), err, std::strerror(err));
        return nullptr;
    }
    NATRACE(TR_MIN, "HBA_SendCTPassThru() not supported: requests of this adapter go through fc_host host%u\n", host);
    return route;
}

KernelCtRoute::Server& KernelCtRoute::serverOf(std::uint8_t gsType) {
    return servers_[ctDestination(gsType) == kDirectoryServerId ? 0 : 1];
}

const KernelCtRoute::Server& KernelCtRoute::serverOf(std::uint8_t gsType) const {
    return servers_[ctDestination(gsType) == kDirectoryServerId ? 0 : 1];
}

const char* KernelCtRoute::messageOf(const Server& server) {
    return server.via == Via::Rport ? "FC_BSG_RPT_CT" : "FC_BSG_HST_CT";
}

std::string KernelCtRoute::deviceOf(const Server& server) const {
    return server.via == Via::Rport ? paths_.devDir + "/" + server.rport : hostDevice_.path();
}

bool KernelCtRoute::unreachable(std::uint8_t gsType) const { return serverOf(gsType).via == Via::Nowhere; }

void KernelCtRoute::traceCall(const CtExchange& x) const {
    if (!TR_MAX) return;
    const Server& server = serverOf(x.request[kCtGsTypeOffset]);
    if (server.via != Via::Nowhere)
        NATRACE(TR_MAX, "using %s through %s\n", messageOf(server), deviceOf(server).c_str());
    else
        NATRACE(TR_MAX, "%s %06X cannot be reached through fc_host host%u: not sent\n", serverName(server.id),
                static_cast<unsigned>(server.id), host_);
}

BsgVerdict KernelCtRoute::sendVia(Server& server, const CtExchange& x) {
    if (server.via == Via::Host) {
        if (!hostDevice_.isOpen()) return openFailed(hostOpenErrno_);
        return sendBsgCt(hostDevice_, FC_BSG_HST_CT, x.request, x.requestSize, x.response, x.responseSize);
    }
    if (!server.rportDevice.isOpen() && !server.rportDevice.open(paths_.devDir + "/" + server.rport))
        return openFailed(errno);
    return sendBsgCt(server.rportDevice, FC_BSG_RPT_CT, x.request, x.requestSize, x.response, x.responseSize);
}

void KernelCtRoute::markUnreachable(Server& server, int error) {
    server.via = Via::Nowhere;
    server.error = error;
}

// The driver refused HST_CT (EINVAL): RPT_CT instead where the table allows it; a
// server without a login cannot be reached for the rest of the run.
BsgVerdict KernelCtRoute::afterRefusal(Server& server, const CtExchange& x, const BsgVerdict& refusal) {
    if (server.fallback) {
        server.via = Via::Rport;
        server.fallback = false;
        NATRACE(TR_MIN, "driver %s refused FC_BSG_HST_CT to %06X: FC_BSG_RPT_CT through %s from now on\n",
                driver_.c_str(), static_cast<unsigned>(server.id), deviceOf(server).c_str());
        return sendVia(server, x);
    }
    if (ct_.needsLogin && server.rport.empty()) {
        markUnreachable(server, refusal.error);
        notSent(server);  // says it once
    }
    return refusal;
}

CtSent KernelCtRoute::notSent(Server& server) {
    if (!server.said) {
        server.said = true;
        char id[8];
        std::snprintf(id, sizeof id, "%06X", static_cast<unsigned>(server.id));
        NATRACE(TR_MIN, "%s %s cannot be reached through fc_host host%u (driver %s): no login to it, errno %d\n",
                serverName(server.id), id, host_, driver_.c_str(), server.error);
        naLogMessage(AGT0446W, serverName(server.id), id, ("host" + std::to_string(host_)).c_str(), driver_.c_str());
    }
    CtSent sent;
    sent.status = kCallFailed;
    sent.callErrno = server.error;
    return sent;
}

CtSent KernelCtRoute::send(const CtExchange& x) {
    Server& server = serverOf(x.request[kCtGsTypeOffset]);
    if (server.via == Via::Nowhere) return notSent(server);
    BsgVerdict verdict = sendVia(server, x);
    if (!verdict.ok && verdict.error == EINVAL && server.via == Via::Host) verdict = afterRefusal(server, x, verdict);
    if (verdict.clamped)
        NATRACE(TR_MIN, "bsg reply_payload_rcv_len beyond the %u-byte response buffer; %u bytes used\n",
                static_cast<unsigned>(x.responseSize), static_cast<unsigned>(verdict.used));
    if (verdict.noReply) NATRACE(TR_MAX, "no bsg reply (response_len 0): the used size comes from din_resid\n");
    if (verdict.rejected) NATRACE(TR_MAX, "bsg ctels_reply.status: the fabric rejected the request\n");
    CtSent sent;
    if (!verdict.ok) {
        NATRACE(TR_MIN, "%s through %s failed: %s, errno %d %s\n", messageOf(server), deviceOf(server).c_str(),
                verdict.problem, verdict.error, std::strerror(verdict.error));
        sent.status = kCallFailed;
        sent.callErrno = verdict.error;
        return sent;
    }
    sent.used = verdict.used;
    return sent;
}

void KernelCtRoute::traceUsed(const CtSent& sent) const {
    NATRACE(TR_MAX, "bsg answer used size %d\n", static_cast<int>(sent.used));
}
