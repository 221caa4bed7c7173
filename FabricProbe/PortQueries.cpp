#include "PortQueries.h"

#include "GsQuery.h"
#include "TopologyDecode.h"
#include "TraceScope.h"
#include "naTrace.h"

namespace {
constexpr std::uint8_t kHighestPortState = 5;
}

int getPortState(const GsPort& port, const Wwn& portWwn, const char* portWwnText, std::uint8_t& state) {
    static const char fn[] = "getPortState()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for port %s through handle %d with status %d and port state %d\n", fn, portWwnText,
                port.h(), status, static_cast<int>(state));
    });
    std::uint8_t response[gs::GPS.responseSize];
    const int status = askGs(port, gs::GPS, payloadOf(portWwn), response, state, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GPS for port %s through handle %d is %d\n", portWwnText,
                port.h(), s);
    });
    if (status == 0 && state > kHighestPortState) {
        NATRACE(TR_MIN, "port state is %d modifying it to 5\n", static_cast<int>(state));
        state = kHighestPortState;
    }
    return scope.exit(status);
}

int getPhysicalPortNumber(const GsPort& port, const Wwn& portWwn, const char* portWwnText, std::uint32_t& number) {
    static const char fn[] = "getPhysicalPortNumber()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for port %s through handle %d with status %d physical port number %d\n", fn,
                portWwnText, port.h(), status, static_cast<int>(number));
    });
    std::uint8_t response[gs::GPPN.responseSize];
    std::uint32_t raw = 0;
    const int status = askGs(port, gs::GPPN, payloadOf(portWwn), response, raw, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GPPN for port %s through handle %d is %d\n", portWwnText,
                port.h(), s);
    });
    if (status == 0) {
        NATRACE(TR_MID, "raw physical port number is %d\n", static_cast<int>(raw));
        number = physicalPortNumber(raw);
    }
    return scope.exit(status);
}

int getFcPortId(const GsPort& port, const Wwn& portWwn, const char* portWwnText, FcId& portId) {
    static const char fn[] = "getFcPortId()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for port %s through handle %d with status %d\n", fn, portWwnText, port.h(),
                status);
    });
    std::uint8_t response[gs::GID_PN.responseSize];
    return scope.exit(askGs(port, gs::GID_PN, payloadOf(portWwn), response, portId, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GID_PN for port %s through handle %d is %d\n", portWwnText,
                port.h(), s);
    }));
}

int getNode(const GsPort& port, const FcId& portId, const char* portIdText, Wwn& nodeWwn) {
    static const char fn[] = "getNode()";
    TraceScope scope(fn, [&](int status) {
        NATRACE(TR_EXIT, "Exit: %s for portid %s through handle %d with status %d\n", fn, portIdText, port.h(),
                status);
    });
    const std::uint8_t payload[4] = {0, portId[0], portId[1], portId[2]};
    std::uint8_t response[gs::GNN_ID.responseSize];
    return scope.exit(askGs(port, gs::GNN_ID, ByteSpan{payload, sizeof payload}, response, nodeWwn, [&](int s) {
        NATRACE(TR_MAX, "status from IssueGS3Command for GNN_ID ifor port id %s through handle %d is %d\n",
                portIdText, port.h(), s);
    }));
}
