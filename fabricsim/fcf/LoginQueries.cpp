#include "LoginQueries.h"

#include "FcHeader.h"
#include "GsCommand.h"
#include "PayloadWriter.h"

namespace fabricsim::fcf {
namespace {

constexpr std::uint8_t kDirectoryService = 0xFC;
constexpr std::uint8_t kNameServer = 0x02;
constexpr std::uint16_t kAccept = 0x8002;
constexpr std::uint16_t kGpnFt = 0x0172;
constexpr std::uint8_t kLastEntry = 0x80;

bool isRegistration(std::uint16_t code) {
    switch (code) {
    case 0x0213:  // RNN_ID
    case 0x0217:  // RFT_ID
    case 0x0218:  // RSPN_ID
    case 0x021F:  // RFF_ID
    case 0x0239:  // RSNN_NN
        return true;
    default:
        return false;
    }
}

std::vector<std::uint8_t> acceptHeader(ByteSpan request) {
    std::vector<std::uint8_t> header;
    PayloadWriter out(header);
    out.bytes(request.data, 8);
    out.u16(kAccept);
    out.zeros(6);
    return header;
}

void gpnFtEntry(PayloadWriter& out, bool last, std::uint32_t fcid, Wwn portName) {
    out.u8(last ? kLastEntry : 0);
    out.u24(fcid);
    out.zeros(4);
    out.wwn(portName);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> answerLoginQuery(ByteSpan ctIu, const Asker& asker) {
    std::uint16_t code = 0;
    if (!ctIu.holds(0, kCtHeaderSize) || ctIu.data[4] != kDirectoryService || ctIu.data[5] != kNameServer)
        return std::nullopt;
    ctIu.be16(8, code);
    if (!isRegistration(code) && code != kGpnFt) return std::nullopt;
    std::vector<std::uint8_t> answer = acceptHeader(ctIu);
    if (code == kGpnFt) {
        PayloadWriter out(answer);
        gpnFtEntry(out, !asker.listManagementServer, asker.fcid, asker.portName);
        if (asker.listManagementServer) gpnFtEntry(out, true, wellknown::kManagementServer, asker.managementServerName);
    }
    return answer;
}

}  // namespace fabricsim::fcf
