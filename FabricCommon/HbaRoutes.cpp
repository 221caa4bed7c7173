#include "HbaRoutes.h"

#include <ctime>  // hbaapi.h uses struct tm without declaring it
#include <hbaapi.h>

#include <cerrno>
#include <cstring>

#include "CtIu.h"
#include "naMessages.h"
#include "naTrace.h"

static_assert(sizeof(HbaHandle) == sizeof(HBA_HANDLE), "HbaHandle must carry an HBA_HANDLE");
static_assert(sizeof(Wwn) == sizeof(HBA_WWN), "Wwn must carry an HBA_WWN");

namespace {
HBA_STATUS sendOlderCall(const CtExchange& x) {
    return HBA_SendCTPassThru(x.handle, x.request, x.requestSize, x.response, x.responseSize);
}
}  // namespace

void HbaV1Route::traceCall(const CtExchange&) const { NATRACE(TR_MAX, "using HBA_SendCTPassThru()\n"); }

CtSent HbaV1Route::send(const CtExchange& x) {
    CtSent sent;
    sent.status = sendOlderCall(x);
    sent.callErrno = errno;
    sent.used = x.responseSize;  // the call says nothing about it: the whole buffer counts
    if (sent.status == HBA_STATUS_ERROR_NOT_SUPPORTED && !warned_) {
        warned_ = true;
        NATRACE(TR_MIN, "HBA_SendCTPassThru() not supported and no kernel FC transport serves this adapter\n");
        naLogMessage(AGT0431W, "HBA_SendCTPassThru", static_cast<int>(sent.status));
    }
    return sent;
}

void HbaV2Route::traceCall(const CtExchange&) const { NATRACE(TR_MAX, "using HBA_SendCTPassThruV2()\n"); }

void HbaV2Route::traceAfterRequest(const Wwn& port) const {
    NATRACE(TR_MAX, "HBA_SendCTPassThruV2 command on port %s\n", formatWwn(port).text);
}

CtSent HbaV2Route::send(const CtExchange& x) {
    HBA_WWN port;
    std::memcpy(port.wwn, x.port.bytes, sizeof port.wwn);
    CtSent sent;
    HBA_UINT32 returned = x.responseSize;
    sent.status = HBA_SendCTPassThruV2(x.handle, port, x.request, x.requestSize, x.response, &returned);
    sent.callErrno = errno;
    if (sent.status != HBA_STATUS_OK && x.request[kCtVendorUniqueOffset] != 1) {
        NATRACE(TR_MAX, "HBA_SendCTPassThruV2() failed, will attempt using HBA_SendCTPassThru()\n");
        sent = older_.send(x);
        if (sent.status == HBA_STATUS_OK)
            NATRACE(TR_MAX, "Attempt using HBA_SendCTPassThru() completed successfully \n");
        else
            NATRACE(TR_MAX, "Attempt using HBA_SendCTPassThru() also failed \n");
        return sent;
    }
    // A library may claim more than the buffer holds; nothing past the buffer is ever read.
    sent.sizeReported = true;
    sent.reported = returned;
    sent.used = returned <= x.responseSize ? returned : x.responseSize;
    return sent;
}

void HbaV2Route::traceUsed(const CtSent& sent) const {
    if (sent.sizeReported)
        NATRACE(TR_MAX, "returned response size: %d, used size %d\n", static_cast<int>(sent.reported),
                static_cast<int>(sent.used));
}

bool hbaRefusesOlderCall(HbaHandle handle, std::uint8_t* request, std::uint32_t requestSize,
                         std::uint8_t* response, std::uint32_t responseSize) {
    const Wwn none{};
    return sendOlderCall(CtExchange{handle, none, request, requestSize, response, responseSize}) ==
           HBA_STATUS_ERROR_NOT_SUPPORTED;
}
