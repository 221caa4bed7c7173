// One way a CT_IU leaves an adapter port. Each fabric-attached port gets one
// route when its adapter is opened (PortTransport.h), and every request of
// that port goes through it.
#pragma once

#include <cstdint>

#include "GsTypes.h"

// One request as a route sends it: whole CT_IUs, header included.
struct CtExchange {
    HbaHandle handle;
    const Wwn& port;
    std::uint8_t* request;
    std::uint32_t requestSize;
    std::uint8_t* response;
    std::uint32_t responseSize;
};

// How one send went.
struct CtSent {
    std::uint32_t status = 0;    // the call's HBA status; 0 = it answered
    std::uint32_t used = 0;      // bytes of the response that hold the answer, never above its size
    bool sizeReported = false;   // the call itself said how much it returned
    std::uint32_t reported = 0;  // ... and this is what it said
    int callErrno = 0;
};

class CtRoute {
public:
    virtual ~CtRoute() = default;
    // The "using ..." line that names the call carrying a request.
    virtual void traceCall(const CtExchange& exchange) const = 0;
    // A line after the request's dump (the V2 call names its port there).
    virtual void traceAfterRequest(const Wwn&) const {}
    // Sends once; the response buffer holds whatever the call left in it.
    virtual CtSent send(const CtExchange& exchange) = 0;
    // The used size's line, once per request after its last send.
    virtual void traceUsed(const CtSent&) const {}
    // True once the server of this GS type (byte 4 of a request) is known to be out of
    // reach for the rest of the run: retrying a query to it is of no use.
    virtual bool unreachable(std::uint8_t /*gsType*/) const { return false; }
};

// An adapter port as the queries see it: the handle and WWN its trace lines
// name, and the route its requests take (owned by its adapter's PortTransports).
struct GsPort {
    HbaHandle handle = 0;
    Wwn wwn{};
    CtRoute* route = nullptr;
    int h() const { return static_cast<int>(handle); }
};
