// CT pass-through: the one request/response path for every Generic Services command.
#include "GsTransport.h"

#include <ctime>  // hbaapi.h uses struct tm without declaring it
#include <hbaapi.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "CtIu.h"
#include "GsPreambles.h"
#include "HexDump.h"
#include "KernelTransport.h"
#include "RejectTexts.h"
#include "ReturnCodes.h"
#include "naMessages.h"
#include "TraceScope.h"
#include "naTrace.h"
#include "Retry.h"

static_assert(sizeof(HbaHandle) == sizeof(HBA_HANDLE), "HbaHandle must carry an HBA_HANDLE");
static_assert(sizeof(Wwn) == sizeof(HBA_WWN), "Wwn must carry an HBA_WWN");

namespace {
// 0 not chosen, 1 HBA_SendCTPassThru, 2 HBA_SendCTPassThruV2; chosen per adapter.
int passThruVersion = 0;
// The adapter's kernel FC transport, once its HBA library has refused CT calls; chosen per adapter too.
KernelRoute kernelRoute;

constexpr int kMaxSends = 3;
constexpr std::uint32_t kGielResponseSize = 3996;

void traceDump(unsigned char flag, const std::uint8_t* bytes, std::size_t count) {
    if (!flag) return;
    hexDumpLines(ByteSpan{bytes, count}, [flag](const char* line) { NATRACE(flag, "%s\n", line); });
}

// Index of the last nonzero byte below used (0 when none), so dumps skip the
// cleared tail of a large buffer. Only worth the walk when TR_MIN is on.
std::size_t dumpEnd(const std::uint8_t* response, std::size_t used) {
    if (!TR_MIN || used == 0) return 0;
    std::size_t end = used - 1;
    while (end > 0 && response[end] == 0) --end;
    return end;
}

HBA_WWN toHbaWwn(const Wwn& wwn) {
    HBA_WWN hbaWwn;
    std::memcpy(hbaWwn.wwn, wwn.bytes, sizeof hbaWwn.wwn);
    return hbaWwn;
}
}  // namespace

int getSendCTPassThruVersion() { return passThruVersion; }
void resetSendCTPassThruVersion() {
    passThruVersion = 0;
    kernelRoute.reset();
}

namespace {
// How one send went, whichever way it left.
struct Sent {
    HBA_STATUS status = HBA_STATUS_OK;
    bool fellBack = false;       // V2 failed and the V1 call answered instead
    bool kernel = false;         // sent through the kernel's FC transport
    HBA_UINT32 returnedSize = 0; // V2: the size the library reported; kernel: the bytes used
    int callErrno = 0;
};

struct Exchange {
    HbaHandle handle;
    HBA_WWN portWwn;
    const Wwn& port;
    std::uint8_t* request;
    std::uint32_t requestSize;
    std::uint8_t* response;
    std::uint32_t responseSize;
    bool versionProbe;
};

Sent sendThroughKernel(const Exchange& x) {
    Sent sent;
    sent.kernel = true;
    const BsgVerdict verdict =
        sendBsgCt(kernelRoute.device(), x.request, x.requestSize, x.response, x.responseSize);
    if (verdict.clamped)
        NATRACE(TR_MIN, "bsg reply_payload_rcv_len beyond the %u-byte response buffer; %u bytes used\n",
                static_cast<unsigned>(x.responseSize), static_cast<unsigned>(verdict.used));
    if (!verdict.ok) {
        NATRACE(TR_MIN, "FC_BSG_HST_CT through %s failed: %s\n", kernelRoute.device().path().c_str(), verdict.problem);
        sent.status = HBA_STATUS_ERROR;
        sent.callErrno = verdict.error;
        return sent;
    }
    sent.returnedSize = verdict.used;
    return sent;
}

Sent sendThroughHba(const Exchange& x, int version) {
    Sent sent;
    if (version == 2) {
        sent.returnedSize = x.responseSize;
        sent.status =
            HBA_SendCTPassThruV2(x.handle, x.portWwn, x.request, x.requestSize, x.response, &sent.returnedSize);
        if (sent.status != HBA_STATUS_OK && !x.versionProbe) {
            NATRACE(TR_MAX, "HBA_SendCTPassThruV2() failed, will attempt using HBA_SendCTPassThru()\n");
            sent.fellBack = true;
            sent.status = HBA_SendCTPassThru(x.handle, x.request, x.requestSize, x.response, x.responseSize);
            if (sent.status == HBA_STATUS_OK)
                NATRACE(TR_MAX, "Attempt using HBA_SendCTPassThru() completed successfully \n");
            else
                NATRACE(TR_MAX, "Attempt using HBA_SendCTPassThru() also failed \n");
        }
    } else {
        sent.status = HBA_SendCTPassThru(x.handle, x.request, x.requestSize, x.response, x.responseSize);
    }
    sent.callErrno = errno;
    return sent;
}

// The HBA library first, as long as it answers CT calls; once it has said it
// cannot, the kernel's FC transport carries this and every later request of the adapter.
Sent sendOnce(const Exchange& x, int version) {
    if (kernelRoute.engaged() && kernelRoute.deviceFor(x.port)) return sendThroughKernel(x);
    Sent sent = sendThroughHba(x, version);
    const bool olderCallRefused = sent.status == HBA_STATUS_ERROR_NOT_SUPPORTED && (version == 1 || sent.fellBack);
    if (!olderCallRefused || x.versionProbe) return sent;
    if (kernelRoute.deviceFor(x.port)) {
        NATRACE(TR_MIN, "HBA_SendCTPassThru() not supported: requests of this adapter go through %s\n",
                kernelRoute.device().path().c_str());
        return sendThroughKernel(x);
    }
    if (kernelRoute.firstWarning()) naLogMessage(AGT0431W, "HBA_SendCTPassThru", static_cast<int>(sent.status));
    return sent;
}

// Step 4's lines: which call carries the request, and the request itself.
void traceRequest(const Exchange& x, int version) {
    if (kernelRoute.engaged())
        NATRACE(TR_MAX, "using FC_BSG_HST_CT through %s\n", kernelRoute.device().path().c_str());
    else if (version == 2)
        NATRACE(TR_MAX, "using HBA_SendCTPassThruV2()\n");
    else
        NATRACE(TR_MAX, "using HBA_SendCTPassThru()\n");
    if (!TR_MAX) return;
    NATRACE(TR_MAX, "content of command buffer is \n");
    traceDump(TR_MAX, x.request, x.requestSize);
    if (version == 2 && !kernelRoute.engaged())
        NATRACE(TR_MAX, "HBA_SendCTPassThruV2 command on port %s\n", formatWwn(x.port).text);
}

// At most three sends while the fabric answers logical busy; the last answer stays in the buffer.
Sent sendWithBusyRetries(const Exchange& x, int version) {
    Sent sent;
    retryAttempts(
        kMaxSends, 1,
        [&] {
            sent = sendOnce(x, version);
            // A busy fabric may answer with any status; byte 13 alone decides.
            return x.response[kCtReasonOffset] != Logical_Busy_Error;
        },
        [] { NATRACE(TR_MIN, "Got logical busy error will retry commnd\n"); });
    return sent;
}

// Bytes of the response that hold the answer (step 6).
std::uint32_t usedSize(const Sent& sent, int version, std::uint32_t responseSize) {
    if (sent.kernel) {
        NATRACE(TR_MAX, "bsg answer used size %d\n", static_cast<int>(sent.returnedSize));
        return sent.returnedSize;
    }
    if (version != 2 || sent.fellBack) return responseSize;
    // A library may claim more than the buffer holds; nothing past the buffer is ever read.
    const std::uint32_t used = sent.returnedSize <= responseSize ? sent.returnedSize : responseSize;
    NATRACE(TR_MAX, "returned response size: %d, used size %d\n", static_cast<int>(sent.returnedSize),
            static_cast<int>(used));
    return used;
}
}  // namespace

int IssueGS3Command(HbaHandle handle, const Wwn& hbaPortWwn, std::uint8_t* request, std::uint32_t requestSize,
                    std::uint8_t* response, std::uint32_t responseSize, std::uint8_t& reason,
                    std::uint8_t& explanation) {
    static const char fn[] = "IssueGS3Command()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);

    if (passThruVersion == 0) {
        NATRACE(TR_MIN, "CTPassThru version not set\n");
        NATRACE(TR_EXIT, "Exit: %s\n", fn);
        return FAILED_CTPASSTHRU_CMD;
    }
    // Every header field below is read or written in place: both buffers must hold a header.
    if (request == nullptr || response == nullptr || requestSize < kCtHeaderSize || responseSize < kCtHeaderSize) {
        NATRACE(TR_MIN, "request size %u or response size %u below the CT_IU header size\n",
                static_cast<unsigned>(requestSize), static_cast<unsigned>(responseSize));
        return traceErrorReturn(fn, FAILED_CTPASSTHRU_CMD);
    }

    const std::uint16_t maxWords = ctMaxSizeWords(responseSize);
    const std::uint8_t maxHigh = static_cast<std::uint8_t>(maxWords >> 8);
    const std::uint8_t maxLow = static_cast<std::uint8_t>(maxWords & 0xFF);
    request[kCtMaxSizeOffset] = maxHigh;
    request[kCtMaxSizeOffset + 1] = maxLow;
    NATRACE(TR_MAX, "responseSizeHex is \n");
    traceDump(TR_MAX, request + kCtMaxSizeOffset, 2);

    std::memset(response, 0, responseSize);

    const int version = passThruVersion;
    // The version probe must learn whether V2 works, so it never falls back.
    const Exchange exchange{handle,      toHbaWwn(hbaPortWwn), hbaPortWwn,   request,
                            requestSize, response,             responseSize, request[kCtVendorUniqueOffset] == 1};
    traceRequest(exchange, version);
    const Sent sent = sendWithBusyRetries(exchange, version);
    const std::size_t lastDumped = dumpEnd(response, usedSize(sent, version, responseSize));

    if (sent.status != HBA_STATUS_OK) {
        NATRACE(TR_MIN, "%s CTPassThru failed, status = %d errno %d error description %s\n", fn,
                static_cast<int>(sent.status), sent.callErrno, std::strerror(sent.callErrno));
        if (TR_MIN) {
            NATRACE(TR_MIN, "\n\noutput = [ ");
            traceDump(TR_MIN, response, lastDumped + 1);
        }
        NATRACE(TR_MIN, "Exit %s with error code = %d\n", fn, static_cast<int>(sent.status));
        return FAILED_CTPASSTHRU_CMD;
    }

    if (TR_MAX) {
        NATRACE(TR_MAX, "GS call output = [ \n");
        traceDump(TR_MAX, response, lastDumped + 1);
    }

    if (response[kCtCommandOffset] == Accept_CT[0] && response[kCtCommandOffset + 1] == Accept_CT[1]) {
        if (response[kCtMaxSizeOffset] == maxHigh && response[kCtMaxSizeOffset + 1] == maxLow)
            NATRACE(TR_MAX, "response returned is same as the maximum respone size we requested\n");
        NATRACE(TR_EXIT, "Exit: %s status %d\n", fn, 0);
        return 0;
    }

    reason = response[kCtReasonOffset];
    explanation = response[kCtExplanationOffset];
    NATRACE(TR_MIN, "Exit %s with error code = %d reason %02X explanation %02X reason text %s explanation text %s\n",
            fn, FAILED_GS_RESPONSE, static_cast<unsigned>(reason), static_cast<unsigned>(explanation),
            ctRejectReasonText(reason), ctRejectExplanationText(explanation));
    return FAILED_GS_RESPONSE;
}

int setSendCTPassThruVersion(HbaHandle handle, const Wwn& hbaPortWwn) {
    static const char fn[] = "setSendCTPassThruVersion";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);

    std::uint8_t request[kCtHeaderSize];
    std::memcpy(request, GIEL_PREAMBLE, sizeof request);
    request[kCtVendorUniqueOffset] = 1;  // marks the version probe
    std::array<std::uint8_t, kGielResponseSize> response;
    std::uint8_t reason = 0;
    std::uint8_t explanation = 0;

    passThruVersion = 2;
    kernelRoute.reset();
    const int status = IssueGS3Command(handle, hbaPortWwn, request, sizeof request, response.data(),
                                       static_cast<std::uint32_t>(response.size()), reason, explanation);
    if (status == 0) {
        NATRACE(TR_MAX, "using HBA_SendCTPassThruV2()...\n");
    } else {
        passThruVersion = 1;
        NATRACE(TR_MAX, "using HBA_SendCTPassThru()...\n");
    }
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return passThruVersion;
}
