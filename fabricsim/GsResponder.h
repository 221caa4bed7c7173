// A fabric's answer to one Generic Services request, encoded as FC-GS-3 lays it out.
#pragma once

#include <cstdint>
#include <vector>

#include "FabricIndex.h"
#include "GsCommand.h"

namespace fabricsim {

namespace reject {
constexpr std::uint8_t kInvalidVersion = 0x02;
constexpr std::uint8_t kInvalidSize = 0x04;
constexpr std::uint8_t kLogicalBusy = 0x05;
constexpr std::uint8_t kUnableToPerform = 0x09;
constexpr std::uint8_t kNotSupported = 0x0B;
}  // namespace reject

struct GsAnswer {
    bool accepted = false;
    std::uint8_t reason = 0;
    std::uint8_t explanation = 0;
    std::vector<std::uint8_t> payload;  // after the CT_IU header; accepts only

    static GsAnswer rejected(std::uint8_t reason, std::uint8_t explanation) {
        GsAnswer answer;
        answer.reason = reason;
        answer.explanation = explanation;
        return answer;
    }
};

// nameServer: how a name-server query for a key the fabric does not know is explained
// (Basic: 0x00; Switch: 0x01 for a port identifier, 0x02 for a port name).
GsAnswer answerRequest(const FabricIndex& fabric, const GsRequest& request,
                       NameServer nameServer = NameServer::Basic);

// The whole CT_IU: the request's first 8 header bytes, then 0x8002 or 0x8001 with the
// reject's reason and explanation, then the payload. Bytes 10-11 (residual) are left 0.
std::vector<std::uint8_t> buildResponse(const std::uint8_t* requestHeader, const GsAnswer& answer);

}  // namespace fabricsim
