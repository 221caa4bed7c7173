// Judging what the kernel handed back for one FC_BSG_HST_CT request.
#pragma once

#include <cstdint>

#include "ByteSpan.h"

// The counts SG_IO hands back beside the reply.
struct BsgCompletion {
    std::uint32_t dinXferLen = 0;      // the response buffer offered
    std::int32_t dinResid = 0;         // bytes of it not filled
    std::uint32_t responseLen = 0;     // bytes of the reply (fc_bsg_reply) written
    std::uint32_t driverStatus = 0;
    std::uint32_t transportStatus = 0;
    std::uint32_t deviceStatus = 0;
};

struct BsgVerdict {
    bool ok = false;
    std::uint32_t used = 0;     // bytes of the response buffer that hold the answer; never above dinXferLen
    int error = 0;              // errno for a failed request (from the reply's result, else EIO)
    bool clamped = false;       // the reply claimed more than the buffer holds
    const char* problem = "";   // why not ok, for the trace
};

// reply: the reply buffer as offered (its size is what may be read; responseLen
// beyond it counts for nothing). The used size comes from reply_payload_rcv_len,
// capped by the buffer and by what din_resid says was filled. A result of
// -errno, a nonzero SG_IO status, a din_resid outside the buffer, or an answer
// of no bytes or shorter than a CT_IU header is a failure.
BsgVerdict decodeBsgReply(ByteSpan reply, const BsgCompletion& io);
