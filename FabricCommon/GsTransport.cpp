// CT pass-through: the one request/response path for every Generic Services command.
#include "GsTransport.h"

#include <ctime>  // hbaapi.h uses struct tm without declaring it
#include <hbaapi.h>

#include <array>
#include <cstring>

#include "CtIu.h"
#include "GsCommands.h"
#include "GsPreambles.h"
#include "HbaRoutes.h"
#include "HexDump.h"
#include "RejectTexts.h"
#include "ReturnCodes.h"
#include "Retry.h"
#include "TraceScope.h"
#include "naTrace.h"

namespace {
// 0 not chosen, 1 HBA_SendCTPassThru, 2 HBA_SendCTPassThruV2; chosen per adapter.
int passThruVersion = 0;

constexpr int kMaxSends = 3;
const char kFn[] = "IssueGS3Command()";

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

// Step 4's lines: which call carries the request, and the request itself.
void traceRequest(const CtRoute& route, const CtExchange& x) {
    route.traceCall(x);
    if (!TR_MAX) return;
    NATRACE(TR_MAX, "content of command buffer is \n");
    traceDump(TR_MAX, x.request, x.requestSize);
    route.traceAfterRequest(x.port);
}

// At most three sends while the fabric answers logical busy; the last answer stays in the buffer.
CtSent sendWithBusyRetries(CtRoute& route, const CtExchange& x) {
    CtSent sent;
    retryAttempts(
        kMaxSends, 1,
        [&] {
            sent = route.send(x);
            // A busy fabric may answer with any status; byte 13 alone decides.
            return x.response[kCtReasonOffset] != Logical_Busy_Error;
        },
        [] { NATRACE(TR_MIN, "Got logical busy error will retry commnd\n"); });
    return sent;
}

// Steps 8 to 11: the status of an answer that came back (or of a call that failed).
int judgeAnswer(const CtSent& sent, const std::uint8_t* response, std::uint16_t maxWords, std::uint8_t& reason,
                std::uint8_t& explanation) {
    const std::size_t lastDumped = dumpEnd(response, sent.used);
    if (sent.status != HBA_STATUS_OK) {
        NATRACE(TR_MIN, "%s CTPassThru failed, status = %d errno %d error description %s\n", kFn,
                static_cast<int>(sent.status), sent.callErrno, std::strerror(sent.callErrno));
        if (TR_MIN) {
            NATRACE(TR_MIN, "\n\noutput = [ ");
            traceDump(TR_MIN, response, lastDumped + 1);
        }
        NATRACE(TR_MIN, "Exit %s with error code = %d\n", kFn, static_cast<int>(sent.status));
        return FAILED_CTPASSTHRU_CMD;
    }
    if (TR_MAX) {
        NATRACE(TR_MAX, "GS call output = [ \n");
        traceDump(TR_MAX, response, lastDumped + 1);
    }
    if (response[kCtCommandOffset] == Accept_CT[0] && response[kCtCommandOffset + 1] == Accept_CT[1]) {
        if (response[kCtMaxSizeOffset] == (maxWords >> 8) && response[kCtMaxSizeOffset + 1] == (maxWords & 0xFF))
            NATRACE(TR_MAX, "response returned is same as the maximum respone size we requested\n");
        NATRACE(TR_EXIT, "Exit: %s status %d\n", kFn, 0);
        return 0;
    }
    reason = response[kCtReasonOffset];
    explanation = response[kCtExplanationOffset];
    NATRACE(TR_MIN, "Exit %s with error code = %d reason %02X explanation %02X reason text %s explanation text %s\n",
            kFn, FAILED_GS_RESPONSE, static_cast<unsigned>(reason), static_cast<unsigned>(explanation),
            ctRejectReasonText(reason), ctRejectExplanationText(explanation));
    return FAILED_GS_RESPONSE;
}
}  // namespace

int getSendCTPassThruVersion() { return passThruVersion; }
void resetSendCTPassThruVersion() { passThruVersion = 0; }

int IssueGS3Command(const GsPort& port, std::uint8_t* request, std::uint32_t requestSize, std::uint8_t* response,
                    std::uint32_t responseSize, std::uint8_t& reason, std::uint8_t& explanation,
                    std::uint32_t& used) {
    NATRACE(TR_ENTER, "Enter: %s\n", kFn);
    used = 0;
    // No route before the adapter's version probe has chosen one.
    if (port.route == nullptr) {
        NATRACE(TR_MIN, "CTPassThru version not set\n");
        NATRACE(TR_EXIT, "Exit: %s\n", kFn);
        return FAILED_CTPASSTHRU_CMD;
    }
    // Every header field below is read or written in place: both buffers must hold a header.
    if (request == nullptr || response == nullptr || requestSize < kCtHeaderSize || responseSize < kCtHeaderSize) {
        NATRACE(TR_MIN, "request size %u or response size %u below the CT_IU header size\n",
                static_cast<unsigned>(requestSize), static_cast<unsigned>(responseSize));
        return traceErrorReturn(kFn, FAILED_CTPASSTHRU_CMD);
    }

    const std::uint16_t maxWords = ctMaxSizeWords(responseSize);
    request[kCtMaxSizeOffset] = static_cast<std::uint8_t>(maxWords >> 8);
    request[kCtMaxSizeOffset + 1] = static_cast<std::uint8_t>(maxWords & 0xFF);
    NATRACE(TR_MAX, "responseSizeHex is \n");
    traceDump(TR_MAX, request + kCtMaxSizeOffset, 2);

    std::memset(response, 0, responseSize);
    const CtExchange exchange{port.handle, port.wwn, request, requestSize, response, responseSize};
    traceRequest(*port.route, exchange);
    const CtSent sent = sendWithBusyRetries(*port.route, exchange);
    port.route->traceUsed(sent);
    used = sent.used;
    return judgeAnswer(sent, response, maxWords, reason, explanation);
}

int IssueGS3Command(HbaHandle handle, const Wwn& hbaPortWwn, std::uint8_t* request, std::uint32_t requestSize,
                    std::uint8_t* response, std::uint32_t responseSize, std::uint8_t& reason,
                    std::uint8_t& explanation) {
    bool warned = false;
    HbaV1Route v1(warned);
    HbaV2Route v2(warned);
    CtRoute* route = nullptr;
    if (passThruVersion == 2) route = &v2;
    if (passThruVersion == 1) route = &v1;
    const GsPort port{handle, hbaPortWwn, route};
    std::uint32_t used = 0;
    return IssueGS3Command(port, request, requestSize, response, responseSize, reason, explanation, used);
}

void buildVersionProbe(std::uint8_t (&request)[16]) {
    std::memcpy(request, GIEL_PREAMBLE, sizeof request);
    request[kCtVendorUniqueOffset] = 1;  // marks the version probe
}

namespace {
// The V2 call of the probe, told apart from other failures: NOT_SUPPORTED says the library has no such call.
struct NotSupportedWatch : HbaV2Route {
    using HbaV2Route::HbaV2Route;
    bool refused = false;
    CtSent send(const CtExchange& x) override {
        const CtSent sent = HbaV2Route::send(x);
        refused = sent.status == HBA_STATUS_ERROR_NOT_SUPPORTED;
        return sent;
    }
};
}  // namespace

int setSendCTPassThruVersion(HbaHandle handle, const Wwn& hbaPortWwn, bool* v2Refused) {
    static const char fn[] = "setSendCTPassThruVersion";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);

    std::uint8_t request[kCtHeaderSize];
    buildVersionProbe(request);
    std::array<std::uint8_t, gs::GIEL.responseSize> response;
    std::uint8_t reason = 0;
    std::uint8_t explanation = 0;
    std::uint32_t used = 0;
    bool warned = false;
    NotSupportedWatch v2(warned);

    passThruVersion = 2;
    const int status = IssueGS3Command(GsPort{handle, hbaPortWwn, &v2}, request, sizeof request, response.data(),
                                       static_cast<std::uint32_t>(response.size()), reason, explanation, used);
    if (status == 0) {
        NATRACE(TR_MAX, "using HBA_SendCTPassThruV2()...\n");
    } else {
        passThruVersion = 1;
        NATRACE(TR_MAX, "using HBA_SendCTPassThru()...\n");
    }
    if (v2Refused) *v2Refused = v2.refused;
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return passThruVersion;
}
