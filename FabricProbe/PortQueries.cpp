#include "PortQueries.h"

#include "GsRequest.h"
#include "TopologyDecode.h"
#include "naTrace.h"

namespace {
constexpr std::uint8_t kHighestPortState = 5;
}

int getPortState(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& portWwn, const char* portWwnText,
                 std::uint8_t& state) {
    static const char fn[] = "getPortState()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    GsRequest<8> request(GPS_PREAMBLE, portWwn.bytes);
    std::uint8_t response[24];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GPS for port %s through handle %d is %d\n",
            portWwnText, static_cast<int>(handle), status);
    if (status == 0 && decodePortState(ByteSpan{response, sizeof response}, state) &&
        state > kHighestPortState) {
        NATRACE(TR_MIN, "port state is %d modifying it to 5\n", static_cast<int>(state));
        state = kHighestPortState;
    }
    NATRACE(TR_EXIT, "Exit: %s for port %s through handle %d with status %d and port state %d\n", fn,
            portWwnText, static_cast<int>(handle), status, static_cast<int>(state));
    return status;
}

int getPhysicalPortNumber(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& portWwn,
                          const char* portWwnText, std::uint32_t& number) {
    static const char fn[] = "getPhysicalPortNumber()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    GsRequest<8> request(GPPN_PREAMBLE, portWwn.bytes);
    std::uint8_t response[20];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GPPN for port %s through handle %d is %d\n",
            portWwnText, static_cast<int>(handle), status);
    std::uint32_t raw = 0;
    if (status == 0 && decodeWordAt16(ByteSpan{response, sizeof response}, raw)) {
        NATRACE(TR_MID, "raw physical port number is %d\n", static_cast<int>(raw));
        number = physicalPortNumber(raw);
    }
    NATRACE(TR_EXIT, "Exit: %s for port %s through handle %d with status %d physical port number %d\n",
            fn, portWwnText, static_cast<int>(handle), status, static_cast<int>(number));
    return status;
}

int getFcPortId(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& portWwn, const char* portWwnText,
                std::uint8_t (&portId)[3]) {
    static const char fn[] = "getFcPortId()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    GsRequest<8> request(GID_PN_PREAMBLE, portWwn.bytes);
    std::uint8_t response[20];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GID_PN for port %s through handle %d is %d\n",
            portWwnText, static_cast<int>(handle), status);
    if (status == 0) decodeIdAt17(ByteSpan{response, sizeof response}, portId);
    NATRACE(TR_EXIT, "Exit: %s for port %s through handle %d with status %d\n", fn, portWwnText,
            static_cast<int>(handle), status);
    return status;
}

int getNode(HbaHandle handle, const Wwn& hbaPortWwn, const std::uint8_t (&portId)[3],
            const char* portIdText, Wwn& nodeWwn) {
    static const char fn[] = "getNode()";
    NATRACE(TR_ENTER, "Enter: %s\n", fn);
    const std::uint8_t payload[4] = {0, portId[0], portId[1], portId[2]};
    GsRequest<4> request(GNN_ID_PREAMBLE, payload);
    std::uint8_t response[24];
    int status = issueRequest(handle, hbaPortWwn, request, response);
    NATRACE(TR_MAX, "status from IssueGS3Command for GNN_ID ifor port id %s through handle %d is %d\n",
            portIdText, static_cast<int>(handle), status);
    if (status == 0) decodeWwnAt16(ByteSpan{response, sizeof response}, nodeWwn);
    NATRACE(TR_EXIT, "Exit: %s for portid %s through handle %d with status %d\n", fn, portIdText,
            static_cast<int>(handle), status);
    return status;
}
