// The zone server's requests: build, send through the transport, hand back.
#include "ZoneQueries.h"

#include <cstring>

#include "GsPreambles.h"
#include "GsTransport.h"
#include "ZoneDecode.h"
#include "naTrace.h"
#include "Retry.h"
#include "TraceScope.h"

namespace {

constexpr int kAttempts = 3;
constexpr unsigned kRetryPauseSeconds = 10;
constexpr std::size_t kFlagsOffset = 16;

int issueWithRetries(const char* command, HbaHandle handle, const Wwn& hbaPortWwn,
                     std::uint8_t* request, std::uint32_t requestSize, std::uint8_t* response,
                     std::uint32_t responseSize) {
    const int h = static_cast<int>(handle);
    int status = 0;
    retryAttempts(
        kAttempts, kRetryPauseSeconds,
        [&] {
            std::uint8_t reason = 0;
            std::uint8_t explanation = 0;
            status = IssueGS3Command(handle, hbaPortWwn, request, requestSize, response, responseSize, reason,
                                     explanation);
            NATRACE(TR_MAX, "status from IssueGS3Command for %s using handle %d is %d\n", command, h, status);
            return status == 0;
        },
        [&] { NATRACE(TR_MIN, "reattempting IssueGS3Command for %s using handle %d\n", command, h); });
    return status;
}

// A named query with nothing after its preamble: Enter, the sends, Exit.
int preambleQuery(const char* fn, const char* command, const GsPreamble& preamble, HbaHandle handle,
                  const Wwn& hbaPortWwn, std::uint8_t* response, std::uint32_t responseSize) {
    TraceScope scope(fn, KeyedExit{"Exit: %s for handle %d with status %d\n", fn, nullptr, static_cast<int>(handle)});
    GsRequest<0> request(preamble, nullptr);
    return scope.exit(
        issueWithRetries(command, handle, hbaPortWwn, request.bytes, request.size, response, responseSize));
}

}  // namespace

std::size_t buildZoneSetRequest(const std::string& zoneSetName, ZoneSetRequest& request) {
    request = ZoneSetRequest(GZS_PREAMBLE, nullptr);
    // A name longer than its length byte allows cannot come from the zone
    // server; cut rather than overrun the request.
    const std::size_t length = zoneSetName.size() > 255 ? 255 : zoneSetName.size();
    request.bytes[16] = static_cast<std::uint8_t>(length);
    std::memcpy(request.bytes + 20, zoneSetName.data(), length);
    return 20 + length + namePadding(length);
}

int getZoneCapabilities(HbaHandle handle, const Wwn& hbaPortWwn, int& zsDbAvailable,
                        std::uint8_t& reason, std::uint8_t& explanation) {
    static const char fn[] = "getZoneCapabilities()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    zsDbAvailable = 0;
    GsRequest<0> request(GZC_PREAMBLE, nullptr);
    std::uint8_t response[kZoneCapabilitiesResponseSize];
    const int status = IssueGS3Command(handle, hbaPortWwn, request.bytes, request.size, response,
                                       sizeof response, reason, explanation);
    if (status == 0) {
        const unsigned flags = response[kFlagsOffset];
        NATRACE(TR_MID, "Capability flag is %02X\n", flags);
        zsDbAvailable = (flags & 0x01) ? 1 : 0;
    }
    NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, static_cast<int>(handle),
            status);
    return status;
}

int isFullZoneDBSupported(HbaHandle handle, const Wwn& hbaPortWwn, std::uint8_t& reason,
                          std::uint8_t& explanation) {
    static const char fn[] = "isFullZoneDBSupported()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    int zsDbAvailable = 0;
    const int status = getZoneCapabilities(handle, hbaPortWwn, zsDbAvailable, reason, explanation);
    const int supported = (status == 0 && zsDbAvailable == 1) ? 1 : 0;
    if (!supported)
        NATRACE(TR_MIN,
                "function %s handle %d zone capabilities for switch indicates it does not support "
                "full zone db status %d zsDbAvailable is %d",
                fn, static_cast<int>(handle), status, zsDbAvailable);
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return supported;
}

int getActiveZoneSet(HbaHandle handle, const Wwn& hbaPortWwn, std::uint8_t* response,
                     std::uint32_t responseSize) {
    return preambleQuery("getActiveZoneSet()", "GAZS", GAZS_PREAMBLE, handle, hbaPortWwn, response, responseSize);
}

int getZoneSetList(HbaHandle handle, const Wwn& hbaPortWwn, std::uint8_t* response,
                   std::uint32_t responseSize) {
    return preambleQuery("getZoneSetList()", "GZSN", GZSN_PREAMBLE, handle, hbaPortWwn, response, responseSize);
}

int getZoneSet(HbaHandle handle, const Wwn& hbaPortWwn, const std::string& zoneSetName,
               std::uint8_t* response, std::uint32_t responseSize) {
    static const char fn[] = "getZoneSet()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    ZoneSetRequest request(GZS_PREAMBLE, nullptr);
    const std::size_t requestSize = buildZoneSetRequest(zoneSetName, request);
    const int status = issueWithRetries("GZS", handle, hbaPortWwn, request.bytes,
                                        static_cast<std::uint32_t>(requestSize), response,
                                        responseSize);
    NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, static_cast<int>(handle),
            status);
    return status;
}
