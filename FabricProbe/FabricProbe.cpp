#include "FabricProbe.h"

#include <cerrno>
#include <cstring>

#include "DiscoveryTrace.h"
#include "GsQuery.h"
#include "HbaAccess.h"
#include "KernelAdapters.h"
#include "PortTransport.h"
#include "PlatformDiscovery.h"
#include "ReturnCodes.h"
#include "SwitchDiscovery.h"
#include "TopologyWriters.h"
#include "TraceScope.h"
#include "ZoneQueries.h"
#include "naMessages.h"
#include "naTrace.h"
#include "pssignal.h"

namespace {
constexpr unsigned kRetryPauseSeconds = 15;
constexpr int kZoningInvocation = 1;

bool endsProbe(int result) {
    // Out of memory is no write failure: it ends the probe under its own code.
    return result == FAILED_GS_RESPONSE_BUFFER_SIZE_INSUFFICIENT ||
           result == FABRIC_PROBE_UNABLE_TO_WRITE_TO_OUTPUT_FILE ||
           result == FABRIC_PROBE_MEMORY_ALLOCATION_FAILURE;
}

WwnTypeEntry elementAt(const CountedList& elements, std::uint32_t index) {
    WwnTypeEntry entry;
    decodeWwnTypeEntry(elements.entry(index), entry);
    return entry;
}

bool listsZeroWwn(const CountedList& elements, int h) {
    for (std::uint32_t i = 0; i < elements.count.usable; ++i) {
        if (isZeroWwn(elementAt(elements, i).wwn)) {
            NATRACE(TR_MIN, "GIEL returned a WWN with all zeros using handle %d\n", h);
            return true;
        }
    }
    return false;
}

// GIEL, tried again while it fails or lists an all-zero WWN.
int readElementList(const GsPort& port, std::uint8_t* response, CountedList& elements) {
    int status = 0;
    retryGs(port, gs::GIEL, kRetryPauseSeconds, [&] {
        status = askGs(port, gs::GIEL, ByteSpan{}, response, elements, [](int) {});
        return status == 0 && !listsZeroWwn(elements, port.h());
    });
    NATRACE(TR_MIN, "status from IssueGS3Command for GIEL using handle %d is %d\n", port.h(), status);
    return status;
}

// GFN of one switch, tried again while it fails or names the all-zero WWN.
int readFabricName(const GsPort& port, const Wwn& switchWwn, Wwn& fabricName) {
    std::uint8_t response[gs::GFN.responseSize];
    int status = 0;
    retryGs(port, gs::GFN, kRetryPauseSeconds, [&] {
        status = askGs(port, gs::GFN, payloadOf(switchWwn), response, fabricName, [](int) {});
        if (status != 0) return false;
        if (!isZeroWwn(fabricName)) return true;
        NATRACE(TR_MIN, "GFN returned a WWN with all zeros using handle %d\n", port.h());
        return false;
    });
    NATRACE(TR_MIN, "status from IssueGS3Command for GFN is %d\n", status);
    return status;
}

// GFN of the listed switches in turn until one names the fabric; the last GFN status.
int nameFabric(const GsPort& port, const CountedList& elements, Wwn& fabricWwn) {
    int status = 0;
    for (std::uint32_t i = 0; i < elements.count.usable; ++i) {
        const WwnTypeEntry element = elementAt(elements, i);
        NATRACE(TR_MIN, "WWN of switch passed for GFN is %s", formatWwn(element.wwn).text);
        status = readFabricName(port, element.wwn, fabricWwn);
        if (status == 0) break;
    }
    return status;
}

bool alreadyProbed(const std::vector<WwnText>& probed, const char* name) {
    for (const WwnText& fabric : probed)
        if (std::strcmp(fabric.text, name) == 0) return true;
    return false;
}

// What a discovery call's result means for the fabric block: -1002, -2013
// and -2015 end the probe, and so does any write that failed.
int afterDiscovery(int result, RecordSink& out) {
    if (endsProbe(result)) return result;
    return out.failed() ? out.writeFailed() : 0;
}

// The switches, zoning or platforms of one fabric block; 0, -1002, -2013 or -2015.
int writeFabricContents(const GsPort& port, ProbeCommand probeCommand, const WwnText& fabricName,
                        const CountedList& elements, RecordSink& out) {
    if (probeCommand == ProbeCommand::ZoningOnly) {
        const int result = getCurrentZoningInfo(port, fabricName.text, out, kZoningInvocation);
        NATRACE(TR_MIN, "status from getCurrentZoningInfo is %d\n", result);
        return afterDiscovery(result, out);
    }
    if (probeCommand != ProbeCommand::Topology) return 0;
    for (std::uint32_t i = 0; i < elements.count.usable; ++i) {
        const WwnTypeEntry element = elementAt(elements, i);
        // A record that cannot be written ends the probe like any other.
        if (!out.put(printFabricToInterconnectElement(formatWwn(element.wwn).text, fabricName.text, out.stream())))
            return out.writeFailed();
        int result = getInterconnectElementInfo(port, element, out);
        NATRACE(TR_MIN, "status from getInterconnectElementInfo is %d\n", result);
        if ((result = afterDiscovery(result, out)) != 0) return result;
    }
    const int result = getPlatformInformation(port, out);
    NATRACE(TR_MIN, "status from getPlatformInformation is %d\n", result);
    return afterDiscovery(result, out);
}

// The fabric's block, from its start record to its end record; 0, -1002, -2013 or -2015.
int writeFabricBlock(const GsPort& port, ProbeCommand probeCommand, const WwnText& fabricName,
                     const CountedList& elements, RecordSink& out, int& fabricFound) {
    if (!out.put(printFabricStart(fabricName.text, out.stream()))) return out.writeFailed();
    fabricFound = 1;
    NATRACE(TR_MIN, "fabricFound set to 1\n");
    const int result = writeFabricContents(port, probeCommand, fabricName, elements, out);
    if (result != 0) return result;
    return out.put(printFabricEnd(out.stream())) ? 0 : out.writeFailed();
}

// What the adapter loops share: where records go, what is wanted, what is done.
struct ProbeLoop {
    RecordSink& out;
    ProbeCommand probeCommand;
    FabricSelection fabrics;
    const FabricList& wanted;
    int& fabricFound;
    HbaHandle& lastHandle;
    std::vector<WwnText> probedFabrics;
};

bool stopRequested() {
    if (!agentStop) return false;
    NATRACE(TR_MIN, "stop request received\n");
    naLogMessage(AGT0445I);
    return true;
}

// Every port of one adapter in order; the last port's result, or the one that ends the probe.
int probePorts(const PortTransports& transports, ProbeLoop& loop, int result) {
    for (const GsPort& port : transports.ports()) {
        result = getFabricProbeInfo(port, loop.probeCommand, loop.fabrics, loop.out, loop.wanted, loop.fabricFound,
                                    loop.probedFabrics);
        NATRACE(TR_MIN, "status from method to get fabric info is %d\n", result);
        if (endsProbe(result)) return result;
    }
    return result;
}

// The HBA API's adapters; the stop flag is looked at before each adapter.
int probeAdapters(int adapters, ProbeLoop& loop) {
    int result = 0;
    std::vector<Wwn> fabricPorts;
    for (int index = 0; index < adapters; ++index) {
        if (stopRequested()) return FABRIC_PROBE_STOPPED;
        fabricPorts.clear();
        int openStatus = 0;
        OpenAdapter adapter(openOrFilterAdapter(index, fabricPorts, openStatus));
        if (adapter.get() == 0 || fabricPorts.empty()) continue;
        loop.lastHandle = adapter.get();
        naLogMessage(AGT0417I, index);
        // Every port's route is chosen here, once, and lives until the adapter is closed.
        const PortTransports transports(adapter.get(), fabricPorts);
        result = probePorts(transports, loop, result);
        if (endsProbe(result)) return result;
    }
    return result;
}

// Then the adapters only the kernel shows, indexed after the HBA API's.
int probeKernelAdapters(const std::vector<KernelAdapter>& kernelOnly, int firstIndex, ProbeLoop& loop, int result) {
    for (std::size_t k = 0; k < kernelOnly.size(); ++k) {
        if (stopRequested()) return FABRIC_PROBE_STOPPED;
        const int index = firstIndex + static_cast<int>(k);
        if (!kernelAdapterOnFabric(kernelOnly[k], index)) continue;
        naLogMessage(AGT0417I, index);
        const PortTransports transports(kernelOnly[k].host, kernelOnly[k].port);
        result = probePorts(transports, loop, result);
        if (endsProbe(result)) return result;
    }
    return result;
}
}  // namespace

ProbeCommand probeCommandOf(const std::string& word) {
    if (word == "Topology") return ProbeCommand::Topology;
    if (word == "ZoningOnly") return ProbeCommand::ZoningOnly;
    return ProbeCommand::Unknown;
}

FabricSelection fabricSelectionOf(const std::string& word) {
    if (word == "allfabrics") return FabricSelection::All;
    if (word == "specificfabrics") return FabricSelection::Specific;
    return FabricSelection::Unknown;
}

int getFabricProbeInfo(const GsPort& port, ProbeCommand probeCommand, FabricSelection fabrics, RecordSink& out,
                       const FabricList& wanted, int& fabricFound, std::vector<WwnText>& probedFabrics) {
    static const char fn[] = "getFabricProbeInfo()";
    const int h = port.h();
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, h, status);
    });
    NATRACE(TR_MAX, "get fabric info for handle %d\n\n", h);

    std::uint8_t response[gs::GIEL.responseSize];
    CountedList elements;
    // A GIEL or GFN answer never ends the probe: a count beyond what arrived
    // keeps the entries inside, a name too short is a failed attempt.
    int status = readElementList(port, response, elements);
    // A fabric that cannot be identified is no error: the status is traced, 0 returned.
    if (status != 0) {
        scope.exit(status);
        return 0;
    }

    NATRACE(TR_MIN, "number of switches in fabric connected to adapter %d is %d\n", h,
            static_cast<int>(elements.count.declared));
    traceDroppedEntries("GIEL", elements.count);
    if (elements.count.usable < 1) return scope.exit(status);

    Wwn fabricWwn{};
    status = nameFabric(port, elements, fabricWwn);
    if (status != 0) {
        scope.exit(status);
        return 0;
    }
    const WwnText fabricName = formatWwn(fabricWwn);
    NATRACE(TR_MIN, "fabric is %s\n", fabricName.text);
    if (alreadyProbed(probedFabrics, fabricName.text)) {
        NATRACE(TR_MAX, "Fabric %s already probed\n", fabricName.text);
        NATRACE(TR_EXIT, "Exit: %s\n", fn);
        return scope.quiet(0);
    }
    if (fabrics == FabricSelection::Specific) {
        if (!wanted.contains(fabricName.text)) {
            NATRACE(TR_MIN, "fabric not found in input file\n");
            return scope.exit(status);
        }
        NATRACE(TR_MIN, "Found fabric in input file\n");
    }

    const int result = writeFabricBlock(port, probeCommand, fabricName, elements, out, fabricFound);
    if (result != 0) return scope.exit(result);
    probedFabrics.push_back(fabricName);
    return scope.exit(status);
}

int getFabrics(FILE* stream, ProbeCommand probeCommand, FabricSelection fabrics, const char* inputPath,
               const char* outputPath) {
    static const char fn[] = "getFabrics()";
    HbaHandle lastHandle = 0;
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for handle %d with status %d\n", fn, static_cast<int>(lastHandle), status);
    });
    if (!inputPath) inputPath = "";

    FabricList wanted;
    if (fabrics == FabricSelection::Specific) {
        const int err = wanted.load(inputPath);
        if (err != 0) {
            naLogMessage(AGT0421E, "probe", inputPath);
            NATRACE(TR_MIN, "error opening input file %s errno %d error description %s\n", inputPath, err,
                    std::strerror(err));
            return scope.exit(FABRIC_PROBE_UNABLE_TO_OPEN_INPUT_FILE);
        }
    }

    RecordSink out(stream, outputPath);
    int adapters = 0;
    int fabricFound = 0;
    int result = 0;
    {
        // The HBA API stays loaded for the adapter loop only.
        HbaApiSession session;
        if (session.status() != 0) {
            NATRACE(TR_MIN, "Unable to load HBA Library\n");
            naLogMessage(AGT0415I, session.status());
            return scope.exit(session.status());
        }
        adapters = getNumberOfAdapters();
        const std::vector<KernelAdapter> kernelOnly = kernelOnlyAdapters(adapters);
        const int hbaAdapters = adapters;
        adapters += static_cast<int>(kernelOnly.size());
        naLogMessage(AGT0416I, adapters);
        ProbeLoop loop{out, probeCommand, fabrics, wanted, fabricFound, lastHandle, {}};
        result = probeAdapters(hbaAdapters, loop);
        if (!endsProbe(result) && result != FABRIC_PROBE_STOPPED)
            result = probeKernelAdapters(kernelOnly, hbaAdapters, loop, result);
    }

    if (fabricFound == 0 && adapters != 0) naLogMessage(AGT0420I);
    return scope.exit(result);
}
