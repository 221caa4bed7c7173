// Routes through the HBA library's CT pass-through calls.
#pragma once

#include "CtRoute.h"

// HBA_SendCTPassThru. A library that answers it NOT_SUPPORTED gets AGT0431W
// logged once per adapter (warned is the adapter's flag).
class HbaV1Route : public CtRoute {
public:
    explicit HbaV1Route(bool& warned) : warned_(warned) {}
    void traceCall(const CtExchange&) const override;
    CtSent send(const CtExchange& exchange) override;

private:
    bool& warned_;
};

// HBA_SendCTPassThruV2, which names the port; when it fails, the same request
// goes once more through HBA_SendCTPassThru, except for the version probe
// (vendor-unique byte 1), which must learn whether the V2 call itself works.
class HbaV2Route : public CtRoute {
public:
    explicit HbaV2Route(bool& warned) : older_(warned) {}
    void traceCall(const CtExchange&) const override;
    void traceAfterRequest(const Wwn& port) const override;
    CtSent send(const CtExchange& exchange) override;
    void traceUsed(const CtSent& sent) const override;

private:
    HbaV1Route older_;
};

// True when the library answers HBA_SendCTPassThru with NOT_SUPPORTED for this
// request (sent once, as it is, through the adapter's first port).
bool hbaRefusesOlderCall(HbaHandle handle, std::uint8_t* request, std::uint32_t requestSize,
                         std::uint8_t* response, std::uint32_t responseSize);
