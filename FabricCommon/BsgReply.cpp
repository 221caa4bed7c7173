#include "BsgReply.h"

#include <cerrno>
#include <cstring>

#include "CtIu.h"
#include "FcBsg.h"

namespace {
std::uint32_t hostWord(ByteSpan reply, std::size_t offset) {
    std::uint32_t value = 0;  // the kernel writes its words in host order
    std::memcpy(&value, reply.at(offset), sizeof value);
    return value;
}

BsgVerdict failed(const char* problem, int error = EIO) {
    BsgVerdict verdict;
    verdict.problem = problem;
    verdict.error = error;
    return verdict;
}

// The reply's own fields: false (verdict set) when it reports a failure.
bool judgeReply(ByteSpan reply, std::size_t written, BsgVerdict& verdict) {
    const auto result = static_cast<std::int32_t>(hostWord(reply, kBsgReplyResultOffset));
    if (result < 0) {
        verdict = failed("request failed in the driver", result < -4095 ? EIO : -result);
        return false;
    }
    if (result > 0) {
        verdict = failed("transport error result");
        return false;
    }
    verdict.used = hostWord(reply, kBsgReplyRcvLenOffset);
    // libfc marks a CT reject here (fc_lport.c:1980-1989); the CT_IU itself says it too.
    verdict.rejected = written >= kBsgReplyCtelsStatusOffset + 4 &&
                       hostWord(reply, kBsgReplyCtelsStatusOffset) == FC_CTELS_STATUS_REJECT;
    return true;
}
}  // namespace

BsgVerdict decodeBsgReply(ByteSpan reply, const BsgCompletion& io) {
    const std::size_t written = reply.data == nullptr ? 0 : (io.responseLen < reply.size ? io.responseLen : reply.size);
    if (io.driverStatus != 0 || io.transportStatus != 0 || io.deviceStatus != 0)
        return failed("SG_IO reports a driver, transport or device status");
    if (io.dinResid < 0 || static_cast<std::uint32_t>(io.dinResid) > io.dinXferLen)
        return failed("din_resid outside the response buffer");
    const std::uint32_t filled = io.dinXferLen - static_cast<std::uint32_t>(io.dinResid);

    BsgVerdict verdict;
    if (io.responseLen == 0) {
        // qla2xxx on CS_COMPLETE leaves reply_len 0 (qla_isr.c:2356-2360): no result to read.
        verdict.noReply = true;
        verdict.used = filled;
    } else if (written < kBsgReplyCtelsStatusOffset) {
        return failed("reply shorter than its result and length fields");
    } else if (!judgeReply(reply, written, verdict)) {
        return verdict;
    }
    if (verdict.used > io.dinXferLen) {
        verdict.used = io.dinXferLen;
        verdict.clamped = true;
    }
    if (verdict.used > filled) verdict.used = filled;
    if (verdict.used == 0) return failed("no answer received (reply_payload_rcv_len 0)");
    if (verdict.used < kCtHeaderSize) return failed("answer shorter than a CT_IU header");
    verdict.ok = true;
    return verdict;
}
