// A Generic Services request in a fixed buffer of its caller: the command's
// preamble followed by the payload, sent as one call of IssueGS3Command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "GsPreambles.h"
#include "GsTransport.h"
#include "GsTypes.h"

template <std::size_t PayloadSize>
struct GsRequest {
    static constexpr std::uint32_t size = 16 + PayloadSize;
    std::uint8_t bytes[size];

    GsRequest(const GsPreamble& preamble, const std::uint8_t* payload) {
        std::memcpy(bytes, preamble, 16);
        if constexpr (PayloadSize > 0) std::memcpy(bytes + 16, payload, PayloadSize);
    }
};

// The requesters here act on the status only; a reject's codes are traced by the transport.
template <std::size_t PayloadSize, std::size_t ResponseSize>
int issueRequest(HbaHandle handle, const Wwn& hbaPortWwn, GsRequest<PayloadSize>& request,
                 std::uint8_t (&response)[ResponseSize]) {
    std::uint8_t reason = 0;
    std::uint8_t explanation = 0;
    return IssueGS3Command(handle, hbaPortWwn, request.bytes, request.size, response,
                           static_cast<std::uint32_t>(ResponseSize), reason, explanation);
}
