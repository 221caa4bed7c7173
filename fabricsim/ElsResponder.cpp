#include "ElsResponder.h"

namespace fabricsim {
namespace {

constexpr std::uint8_t kLsReject = 0x01;
constexpr std::uint8_t kLsAccept = 0x02;
constexpr std::uint8_t kEcho = 0x10;
constexpr std::uint8_t kReadLinkStatus = 0x0F;
constexpr std::uint8_t kCommandNotSupported = 0x0B;
constexpr std::size_t kLinkErrorStatusBlock = 24;  // six counts

// Well-known addresses the fabric serves (FFFFFA management ... FFFFFE F_Port), the domain
// controllers FFFCdd of its switches, and the ports attached to it.
bool reachable(const FabricIndex& fabric, std::uint32_t destination) {
    if (destination >= 0xFFFFFA && destination <= 0xFFFFFE) return true;
    if ((destination & 0xFFFF00) == 0xFFFC00 && fabric.fabric().switches) {
        for (const Switch& sw : *fabric.fabric().switches)
            if (sw.domain && *sw.domain == (destination & 0xFF)) return true;
    }
    return fabric.findAttachedByFcid(destination) != nullptr;
}

}  // namespace

std::vector<std::uint8_t> answerEls(const FabricIndex& fabric, std::uint32_t destination, const std::uint8_t* request,
                                    std::size_t size) {
    if (!reachable(fabric, destination)) return {};
    const std::uint8_t command = size > 0 ? request[0] : 0;
    std::vector<std::uint8_t> answer = {kLsAccept, 0, 0, 0};
    if (command == kEcho && size >= 4) {
        answer.insert(answer.end(), request + 4, request + size);
    } else if (command == kReadLinkStatus) {
        answer.resize(4 + kLinkErrorStatusBlock, 0);
    } else {
        answer = {kLsReject, 0, 0, 0, 0, kCommandNotSupported, 0, 0};
    }
    return answer;
}

}  // namespace fabricsim
