#include "PortQueries.h"

#include "GsQuery.h"
#include "TopologyDecode.h"
#include "naTrace.h"

namespace {
constexpr std::uint8_t kHighestPortState = 5;
}

int getPortState(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& portWwn, const char* portWwnText,
                 std::uint8_t& state) {
    static constexpr QueryTexts texts{
        "getPortState()", "status from IssueGS3Command for GPS for port %s through handle %d is %d\n", nullptr};
    const int h = static_cast<int>(handle);
    return gsQuery<8, 24>(
        texts, handle, hbaPortWwn, GPS_PREAMBLE, portWwn.bytes, portWwnText,
        [&](ByteSpan response) {
            if (decodePortState(response, state) && state > kHighestPortState) {
                NATRACE(TR_MIN, "port state is %d modifying it to 5\n", static_cast<int>(state));
                state = kHighestPortState;
            }
        },
        [&](int status) {
            NATRACE(TR_EXIT, "Exit: %s for port %s through handle %d with status %d and port state %d\n",
                    texts.fn, portWwnText, h, status, static_cast<int>(state));
        });
}

int getPhysicalPortNumber(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& portWwn,
                          const char* portWwnText, std::uint32_t& number) {
    static constexpr QueryTexts texts{
        "getPhysicalPortNumber()", "status from IssueGS3Command for GPPN for port %s through handle %d is %d\n",
        nullptr};
    const int h = static_cast<int>(handle);
    return gsQuery<8, 20>(
        texts, handle, hbaPortWwn, GPPN_PREAMBLE, portWwn.bytes, portWwnText,
        [&](ByteSpan response) {
            std::uint32_t raw = 0;
            if (decodeWordAt16(response, raw)) {
                NATRACE(TR_MID, "raw physical port number is %d\n", static_cast<int>(raw));
                number = physicalPortNumber(raw);
            }
        },
        [&](int status) {
            NATRACE(TR_EXIT, "Exit: %s for port %s through handle %d with status %d physical port number %d\n",
                    texts.fn, portWwnText, h, status, static_cast<int>(number));
        });
}

int getFcPortId(HbaHandle handle, const Wwn& hbaPortWwn, const Wwn& portWwn, const char* portWwnText,
                std::uint8_t (&portId)[3]) {
    static constexpr QueryTexts texts{
        "getFcPortId()", "status from IssueGS3Command for GID_PN for port %s through handle %d is %d\n",
        "Exit: %s for port %s through handle %d with status %d\n"};
    return gsQuery<8, 20>(texts, handle, hbaPortWwn, GID_PN_PREAMBLE, portWwn.bytes, portWwnText,
                          [&](ByteSpan response) { decodeIdAt17(response, portId); });
}

int getNode(HbaHandle handle, const Wwn& hbaPortWwn, const std::uint8_t (&portId)[3],
            const char* portIdText, Wwn& nodeWwn) {
    static constexpr QueryTexts texts{
        "getNode()", "status from IssueGS3Command for GNN_ID ifor port id %s through handle %d is %d\n",
        "Exit: %s for portid %s through handle %d with status %d\n"};
    const std::uint8_t payload[4] = {0, portId[0], portId[1], portId[2]};
    return gsQuery<4, 24>(texts, handle, hbaPortWwn, GNN_ID_PREAMBLE, payload, portIdText,
                          [&](ByteSpan response) { decodeWwnAt16(response, nodeWwn); });
}
