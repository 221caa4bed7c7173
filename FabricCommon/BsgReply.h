// Judging what the kernel handed back for one CT pass-through request (FC_BSG_HST_CT
// or FC_BSG_RPT_CT) whose SG_IO call returned 0.
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
    bool noReply = false;       // nothing of the reply was written; the used size comes from din_resid
    bool rejected = false;      // ctels_reply.status says the fabric rejected the request
    const char* problem = "";   // why not ok, for the trace
};

// reply: the reply buffer as offered (its size is what may be read; responseLen
// beyond it counts for nothing). A nonzero SG_IO status or a din_resid outside the
// buffer is a failure. With a reply of at least its result and length fields: a result
// of -errno or a positive one is a failure; the used size is reply_payload_rcv_len,
// capped by the buffer and by what din_resid says was filled. With no reply at all
// (qla2xxx completes a request that filled its buffer so): the used size is what
// din_resid says was filled. An answer of no bytes, or shorter than a CT_IU header,
// is a failure. A partial reply (some bytes, not both fields) is a failure.
BsgVerdict decodeBsgReply(ByteSpan reply, const BsgCompletion& io);
