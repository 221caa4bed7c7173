// The zone server's requests: build, send through the port's transport, decode what arrived.
#include "ZoneQueries.h"

#include <cstring>

#include "GsQuery.h"
#include "TraceScope.h"
#include "ZoneDecode.h"
#include "naTrace.h"

namespace {

constexpr unsigned kRetryPauseSeconds = 10;

// A zone server query with its retries: the status of the last attempt.
template <class Answer>
int askWithRetries(const GsPort& port, const GsCommand<Answer>& command, ByteSpan payload, std::uint8_t* response,
                   Answer& out) {
    int status = 0;
    retryGs(port, command, kRetryPauseSeconds, [&] {
        status = askGs(port, command, payload, response, out, [&](int s) {
            NATRACE(TR_MAX, "status from IssueGS3Command for %s using handle %d is %d\n", command.name, port.h(), s);
        });
        return status == 0;
    });
    return status;
}

// A named query with nothing after its preamble: Enter, the sends, Exit.
template <class Answer>
int preambleQuery(const char* fn, const GsPort& port, const GsCommand<Answer>& command, std::uint8_t* response,
                  Answer& out) {
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, port.h(), status);
    });
    return scope.exit(askWithRetries(port, command, ByteSpan{}, response, out));
}

}  // namespace

std::size_t buildZoneSetRequest(const std::string& zoneSetName, ZoneSetRequest& request) {
    std::memset(request.bytes, 0, sizeof request.bytes);
    // A name longer than its length byte allows cannot come from the zone
    // server; cut rather than overrun the request.
    const std::size_t length = zoneSetName.size() > 255 ? 255 : zoneSetName.size();
    request.bytes[0] = static_cast<std::uint8_t>(length);
    std::memcpy(request.bytes + 4, zoneSetName.data(), length);
    return 4 + length + namePadding(length);
}

int getZoneCapabilities(const GsPort& port, int& zsDbAvailable) {
    static const char fn[] = "getZoneCapabilities()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    zsDbAvailable = 0;
    std::uint8_t response[gs::GZC.responseSize];
    std::uint8_t flags = 0;
    const int status = askGs(port, gs::GZC, ByteSpan{}, response, flags, [](int) {});
    if (status == 0) {
        NATRACE(TR_MID, "Capability flag is %02X\n", static_cast<unsigned>(flags));
        zsDbAvailable = (flags & 0x01) ? 1 : 0;
    }
    NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, port.h(), status);
    return status;
}

int isFullZoneDBSupported(const GsPort& port) {
    static const char fn[] = "isFullZoneDBSupported()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    int zsDbAvailable = 0;
    const int status = getZoneCapabilities(port, zsDbAvailable);
    const int supported = (status == 0 && zsDbAvailable == 1) ? 1 : 0;
    if (!supported)
        NATRACE(TR_MIN,
                "function %s handle %d zone capabilities for switch indicates it does not support "
                "full zone db status %d zsDbAvailable is %d",
                fn, port.h(), status, zsDbAvailable);
    NATRACE(TR_EXIT, "Exit: %s\n", fn);
    return supported;
}

int getActiveZoneSet(const GsPort& port, std::uint8_t* response, ByteSpan& answer) {
    return preambleQuery("getActiveZoneSet()", port, gs::GAZS, response, answer);
}

int getZoneSetList(const GsPort& port, std::uint8_t* response, ZoneSetNames& names) {
    return preambleQuery("getZoneSetList()", port, gs::GZSN, response, names);
}

int getZoneSet(const GsPort& port, const std::string& zoneSetName, std::uint8_t* response, ByteSpan& answer) {
    static const char fn[] = "getZoneSet()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    ZoneSetRequest request;
    const std::size_t size = buildZoneSetRequest(zoneSetName, request);
    const int status = askWithRetries(port, gs::GZS, ByteSpan{request.bytes, size}, response, answer);
    NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, port.h(), status);
    return status;
}
