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
#include "RejectTexts.h"
#include "ReturnCodes.h"
#include "naTrace.h"
#include "psclock.h"

static_assert(sizeof(HbaHandle) == sizeof(HBA_HANDLE), "HbaHandle must carry an HBA_HANDLE");
static_assert(sizeof(Wwn) == sizeof(HBA_WWN), "Wwn must carry an HBA_WWN");

namespace {
// 0 not chosen, 1 HBA_SendCTPassThru, 2 HBA_SendCTPassThruV2; chosen per adapter.
int passThruVersion = 0;

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
void resetSendCTPassThruVersion() { passThruVersion = 0; }

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
        NATRACE(TR_MIN, "function %s exiting error status %d\n", fn, FAILED_CTPASSTHRU_CMD);
        return FAILED_CTPASSTHRU_CMD;
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
    if (version == 2)
        NATRACE(TR_MAX, "using HBA_SendCTPassThruV2()\n");
    else
        NATRACE(TR_MAX, "using HBA_SendCTPassThru()\n");
    if (TR_MAX) {
        NATRACE(TR_MAX, "content of command buffer is \n");
        traceDump(TR_MAX, request, requestSize);
        if (version == 2) NATRACE(TR_MAX, "HBA_SendCTPassThruV2 command on port %s\n", formatWwn(hbaPortWwn).text);
    }

    // The version probe must learn whether V2 works, so it never falls back.
    const bool versionProbe = request[kCtVendorUniqueOffset] == 1;
    const HBA_WWN portWwn = toHbaWwn(hbaPortWwn);
    HBA_STATUS status = HBA_STATUS_OK;
    bool fellBack = false;
    HBA_UINT32 returnedSize = responseSize;
    int callErrno = 0;
    for (int send = 1;; ++send) {
        if (version == 2) {
            fellBack = false;
            returnedSize = responseSize;
            status = HBA_SendCTPassThruV2(handle, portWwn, request, requestSize, response, &returnedSize);
            if (status != HBA_STATUS_OK && !versionProbe) {
                NATRACE(TR_MAX, "HBA_SendCTPassThruV2() failed, will attempt using HBA_SendCTPassThru()\n");
                fellBack = true;
                status = HBA_SendCTPassThru(handle, request, requestSize, response, responseSize);
                if (status == HBA_STATUS_OK)
                    NATRACE(TR_MAX, "Attempt using HBA_SendCTPassThru() completed successfully \n");
                else
                    NATRACE(TR_MAX, "Attempt using HBA_SendCTPassThru() also failed \n");
            }
        } else {
            status = HBA_SendCTPassThru(handle, request, requestSize, response, responseSize);
        }
        callErrno = errno;
        // A busy fabric may answer with any status; byte 13 alone decides.
        if (response[kCtReasonOffset] != Logical_Busy_Error || send >= kMaxSends) break;
        NATRACE(TR_MIN, "Got logical busy error will retry commnd\n");
        psSleep(1);
    }

    std::uint32_t used = responseSize;
    if (version == 2 && !fellBack) {
        // A library may claim more than the buffer holds; nothing past the buffer is ever read.
        used = returnedSize <= responseSize ? returnedSize : responseSize;
        NATRACE(TR_MAX, "returned response size: %d, used size %d\n", static_cast<int>(returnedSize),
                static_cast<int>(used));
    }
    const std::size_t lastDumped = dumpEnd(response, used);

    if (status != HBA_STATUS_OK) {
        NATRACE(TR_MIN, "%s CTPassThru failed, status = %d errno %d error description %s\n", fn,
                static_cast<int>(status), callErrno, std::strerror(callErrno));
        if (TR_MIN) {
            NATRACE(TR_MIN, "\n\noutput = [ ");
            traceDump(TR_MIN, response, lastDumped + 1);
        }
        NATRACE(TR_MIN, "Exit %s with error code = %d\n", fn, static_cast<int>(status));
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
