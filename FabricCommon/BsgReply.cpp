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
}  // namespace

BsgVerdict decodeBsgReply(ByteSpan reply, const BsgCompletion& io) {
    const std::size_t written = io.responseLen < reply.size ? io.responseLen : reply.size;
    if (written < kBsgReplyCtelsStatusOffset || reply.data == nullptr)
        return failed("reply shorter than its result and length fields");
    const auto result = static_cast<std::int32_t>(hostWord(reply, kBsgReplyResultOffset));
    if (result < 0) return failed("request failed in the driver", result < -4095 ? EIO : -result);
    if (result > 0) return failed("transport error result");
    if (io.driverStatus != 0 || io.transportStatus != 0 || io.deviceStatus != 0)
        return failed("SG_IO reports a driver, transport or device status");
    if (io.dinResid < 0 || static_cast<std::uint32_t>(io.dinResid) > io.dinXferLen)
        return failed("din_resid outside the response buffer");

    BsgVerdict verdict;
    verdict.used = hostWord(reply, kBsgReplyRcvLenOffset);
    if (verdict.used > io.dinXferLen) {
        verdict.used = io.dinXferLen;
        verdict.clamped = true;
    }
    const std::uint32_t filled = io.dinXferLen - static_cast<std::uint32_t>(io.dinResid);
    if (verdict.used > filled) verdict.used = filled;
    if (verdict.used == 0) return failed("no answer received (reply_payload_rcv_len 0)");
    if (verdict.used < kCtHeaderSize) return failed("answer shorter than a CT_IU header");
    verdict.ok = true;
    return verdict;
}
