// A Generic Services request in a fixed buffer of its caller: the command's
// preamble followed by the payload, sent as one call of IssueGS3Command.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "GsPreambles.h"

template <std::size_t PayloadSize>
struct GsRequest {
    static constexpr std::uint32_t size = 16 + PayloadSize;
    std::uint8_t bytes[size];

    // payload may be null: the payload is then all zero, for the caller to fill.
    GsRequest(const GsPreamble& preamble, const std::uint8_t* payload) {
        std::memcpy(bytes, preamble, 16);
        if constexpr (PayloadSize > 0) {
            if (payload)
                std::memcpy(bytes + 16, payload, PayloadSize);
            else
                std::memset(bytes + 16, 0, PayloadSize);
        }
    }
};
