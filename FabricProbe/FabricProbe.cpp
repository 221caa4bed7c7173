#include "FabricProbe.h"

#include <cerrno>
#include <cstring>

#include "DiscoveryTrace.h"
#include "GsRequest.h"
#include "HbaAccess.h"
#include "PlatformDiscovery.h"
#include "ReturnCodes.h"
#include "SwitchDiscovery.h"
#include "TopologyWriters.h"
#include "ZoneQueries.h"
#include "naMessages.h"
#include "naTrace.h"
#include "psclock.h"
#include "pssignal.h"

namespace {
constexpr std::size_t kElementListResponse = 3996;  // 331 entries
constexpr std::size_t kFabricNameResponse = 24;
constexpr int kAttempts = 3;
constexpr unsigned kRetryPauseSeconds = 15;
constexpr int kZoningInvocation = 1;

bool same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

bool endsProbe(int result) {
    // Out of memory is no write failure: it ends the probe under its own code.
    return result == FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT ||
           result == FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE ||
           result == FABRIC_PROBE_MEMORY_ALLOCATION_FAILURE;
}

// GIEL, tried again while it fails or lists an all-zero WWN.
int readElementList(HbaHandle handle, const Wwn& hbaPortWwn,
                    std::uint8_t (&response)[kElementListResponse]) {
    const int h = static_cast<int>(handle);
    GsRequest<0> request(GIEL_PREAMBLE, nullptr);
    const ByteSpan span{response, sizeof response};
    int status = 0;
    for (int attempt = 1;; ++attempt) {
        status = issueRequest(handle, hbaPortWwn, request, response);
        bool good = status == 0;
        if (good) {
            const ListCount count = decodeListCount(span, kWwnTypeEntrySize);
            for (std::uint32_t i = 0; i < count.usable && good; ++i) {
                WwnTypeEntry entry;
                decodeWwnTypeEntry(listEntry(span, kWwnTypeEntrySize, i), entry);
                if (isZeroWwn(entry.wwn)) {
                    NATRACE(TR_MIN, "GIEL returned a WWN with all zeros using handle %d\n", h);
                    good = false;
                }
            }
        }
        if (good || attempt == kAttempts) break;
        NATRACE(TR_MIN, "reattempting IssueGS3Command for GIEL using handle %d\n", h);
        psSleep(kRetryPauseSeconds);
    }
    NATRACE(TR_MIN, "status from IssueGS3Command for GIEL using handle %d is %d\n", h, status);
    return status;
}

// GFN of one switch, tried again while it fails or names the all-zero WWN.
int readFabricName(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& switchWwn, Wwn& fabricName) {
    const int h = static_cast<int>(handle);
    GsRequest<8> request(GFN_PREAMBLE, switchWwn.bytes);
    std::uint8_t response[kFabricNameResponse];
    int status = 0;
    for (int attempt = 1;; ++attempt) {
        status = issueRequest(handle, hbaPortWwn, request, response);
        bool good = status == 0;
        if (good) {
            decodeWwnAt16(ByteSpan{response, sizeof response}, fabricName);
            if (isZeroWwn(fabricName)) {
                NATRACE(TR_MIN, "GFN returned a WWN with all zeros using handle %d\n", h);
                good = false;
            }
        }
        if (good || attempt == kAttempts) break;
        NATRACE(TR_MIN, "reattempting IssueGS3Command for GFN using handle %d\n", h);
        psSleep(kRetryPauseSeconds);
    }
    NATRACE(TR_MIN, "status from IssueGS3Command for GFN is %d\n", status);
    return status;
}

bool alreadyProbed(const std::vector<WwnText>& probed, const char* name) {
    for (const WwnText& fabric : probed)
        if (same(fabric.text, name)) return true;
    return false;
}

int writeFailed(const char* outputPath) {
    naLogMessage(AGT0422E, "probe", outputPath);
    return FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE;
}

// What a discovery call's result means for the fabric block: -1002, -2013
// and -2015 end the probe. A zoning writer hands back its stream's failure unchanged;
// that too is an output file that cannot be written.
int afterDiscovery(int result, bool zoning, const char* outputPath) {
    if (endsProbe(result)) return result;
    if (zoning && result < 0) return writeFailed(outputPath);
    return 0;
}

// The switches, zoning or platforms of one fabric block; 0, -1002, -2013 or -2015.
int writeFabricContents(HbaHandle handle, const Wwn& hbaPortWwn, const char* probeCommand,
                        const WwnText& fabricName, ByteSpan elementList, const ListCount& count,
                        FILE* stream, const char* outputPath) {
    const bool topology = same(probeCommand, "Topology");
    if (topology) {
        for (std::uint32_t i = 0; i < count.usable; ++i) {
            WwnTypeEntry element;
            decodeWwnTypeEntry(listEntry(elementList, kWwnTypeEntrySize, i), element);
            // A record that cannot be written ends the probe like any other.
            if (printFabricToInterconnectElement(formatWwn(element.wwn.bytes).text, fabricName.text,
                                                 stream) != 1)
                return writeFailed(outputPath);
            int result = getInterconnectElementInfo(handle, hbaPortWwn, element, stream, outputPath);
            NATRACE(TR_MIN, "status from getInterconnectElementInfo is %d\n", result);
            if ((result = afterDiscovery(result, false, outputPath)) != 0) return result;
        }
    } else if (same(probeCommand, "ZoningOnly")) {
        int result = getCurrentZoningInfo(handle, hbaPortWwn, fabricName.text, stream, kZoningInvocation);
        NATRACE(TR_MIN, "status from getCurrentZoningInfo is %d\n", result);
        if ((result = afterDiscovery(result, true, outputPath)) != 0) return result;
    }
    if (topology) {
        int result = getPlatformInformation(handle, hbaPortWwn, stream, outputPath);
        NATRACE(TR_MIN, "status from getPlatformInformation is %d\n", result);
        if ((result = afterDiscovery(result, false, outputPath)) != 0) return result;
    }
    return 0;
}

// The adapter loop; the stop flag is looked at before each adapter.
int probeAdapters(int adapters, FILE* stream, const char* probeCommand, const char* fabrics,
                  const FabricList& wanted, int& fabricFound, HbaHandle& lastHandle,
                  const char* outputPath) {
    int result = 0;
    std::vector<WwnText> probedFabrics;
    std::vector<Wwn> fabricPorts;
    for (int index = 0; index < adapters; ++index) {
        if (agentStop) {
            NATRACE(TR_MIN, "stop request received\n");
            naLogMessage(AGT0445I);
            return FABRIC_PROBE_STOPPED;
        }
        fabricPorts.clear();
        int openStatus = 0;
        OpenAdapter adapter(openOrFilterAdapter(index, fabricPorts, openStatus));
        if (adapter.get() == 0 || fabricPorts.empty()) continue;
        lastHandle = adapter.get();
        naLogMessage(AGT0417I, index);
        setSendCTPassThruVersion(adapter.get(), fabricPorts.front());
        for (const Wwn& port : fabricPorts) {
            result = getFabricProbeInfo(adapter.get(), port, probeCommand, fabrics, stream, wanted,
                                        fabricFound, probedFabrics, outputPath);
            NATRACE(TR_MIN, "status from method to get fabric info is %d\n", result);
            if (endsProbe(result)) return result;
        }
    }
    return result;
}
}  // namespace

int getFabricProbeInfo(HbaHandle handle, const Wwn& hbaPortWwn, const char* probeCommand,
                       const char* fabrics, FILE* stream, const FabricList& wanted, int& fabricFound,
                       std::vector<WwnText>& probedFabrics, const char* outputPath) {
    static const char fn[] = "getFabricProbeInfo()";
    const int h = static_cast<int>(handle);
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    NATRACE(TR_MAX, "get fabric info for handle %d\n\n", h);
    auto finish = [&](int traced, int result) {
        NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, h, traced);
        return result;
    };

    std::uint8_t elementList[kElementListResponse];
    int status = readElementList(handle, hbaPortWwn, elementList);
    if (status == FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT) {
        naLogMessage(AGT0432E, "GIEL");
        return finish(status, status);
    }
    if (status != 0) return finish(status, 0);

    const ByteSpan span{elementList, sizeof elementList};
    const ListCount count = decodeListCount(span, kWwnTypeEntrySize);
    NATRACE(TR_MIN, "number of switches in fabric connected to adapter %d is %d\n", h,
            static_cast<int>(count.declared));
    traceDroppedEntries("GIEL", count);
    if (count.usable < 1) return finish(status, 0);

    Wwn fabricWwn{};
    bool named = false;
    for (std::uint32_t i = 0; i < count.usable && !named; ++i) {
        WwnTypeEntry element;
        decodeWwnTypeEntry(listEntry(span, kWwnTypeEntrySize, i), element);
        NATRACE(TR_MIN, "WWN of switch passed for GFN is %s", formatWwn(element.wwn.bytes).text);
        status = readFabricName(handle, hbaPortWwn, element.wwn, fabricWwn);
        if (status == FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT) {
            naLogMessage(AGT0432E, "GFN");
            return finish(status, status);
        }
        named = status == 0;
    }
    if (!named) return finish(status, 0);

    const WwnText fabricName = formatWwn(fabricWwn.bytes);
    NATRACE(TR_MIN, "fabric is %s\n", fabricName.text);
    if (alreadyProbed(probedFabrics, fabricName.text)) {
        NATRACE(TR_MAX, "Fabric %s already probed\n", fabricName.text);
        NATRACE(TR_EXIT, "Exit: %s\n", fn);
        return 0;
    }
    if (same(fabrics, "specificfabrics")) {
        if (!wanted.contains(fabricName.text)) {
            NATRACE(TR_MIN, "fabric not found in input file\n");
            return finish(status, 0);
        }
        NATRACE(TR_MIN, "Found fabric in input file\n");
    }

    if (printFabricStart(fabricName.text, stream) != 1) {
        const int result = writeFailed(outputPath);
        return finish(result, result);
    }
    fabricFound = 1;
    NATRACE(TR_MIN, "fabricFound set to 1\n");

    const int result =
        writeFabricContents(handle, hbaPortWwn, probeCommand, fabricName, span, count, stream, outputPath);
    if (result != 0) return finish(result, result);

    probedFabrics.push_back(fabricName);
    if (printFabricEnd(stream) != 1) {
        const int failed = writeFailed(outputPath);
        return finish(failed, failed);
    }
    return finish(status, 0);
}

int getFabrics(FILE* stream, const char* probeCommand, const char* fabrics, const char* inputPath,
               const char* outputPath) {
    static const char fn[] = "getFabrics()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    int result = 0;
    if (!inputPath) inputPath = "";
    if (!outputPath) outputPath = "";
    if (!probeCommand) probeCommand = "";
    if (!fabrics) fabrics = "";

    FabricList wanted;
    if (same(fabrics, "specificfabrics")) {
        const int err = wanted.load(inputPath);
        if (err != 0) {
            naLogMessage(AGT0421E, "probe", inputPath);
            NATRACE(TR_MIN, "error opening input file %s errno %d error description %s\n", inputPath, err,
                    std::strerror(err));
            NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, 0,
                    FABRIC_PROBE_UNABLE_TO_OPEN_INPUT_FILE);
            return FABRIC_PROBE_UNABLE_TO_OPEN_INPUT_FILE;
        }
    }

    int adapters = 0;
    int fabricFound = 0;
    HbaHandle lastHandle = 0;
    {
        // The HBA API stays loaded for the adapter loop only.
        HbaApiSession session;
        if (session.status() != 0) {
            NATRACE(TR_MIN, "Unable to load HBA Library\n");
            naLogMessage(AGT0415I, session.status());
            NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, 0, session.status());
            return session.status();
        }
        adapters = getNumberOfAdapters();
        naLogMessage(AGT0416I, adapters);
        result = probeAdapters(adapters, stream, probeCommand, fabrics, wanted, fabricFound, lastHandle,
                               outputPath);
    }

    if (fabricFound == 0 && adapters != 0) naLogMessage(AGT0420I);
    NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, static_cast<int>(lastHandle), result);
    return result;
}
