// The kernel's answer to FC_BSG_HST_CT or FC_BSG_RPT_CT: the SG_IO counts (first 24 bytes), then the
// reply bytes (none at all, as qla2xxx completes a request that filled its buffer).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "BsgReply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    BsgCompletion io;
    constexpr std::size_t kCounts = 24;
    if (size < kCounts) return 0;
    std::memcpy(&io.dinXferLen, data, 4);
    std::memcpy(&io.dinResid, data + 4, 4);
    std::memcpy(&io.responseLen, data + 8, 4);
    std::memcpy(&io.driverStatus, data + 12, 4);
    std::memcpy(&io.transportStatus, data + 16, 4);
    std::memcpy(&io.deviceStatus, data + 20, 4);
    const BsgVerdict verdict = decodeBsgReply(ByteSpan{data + kCounts, size - kCounts}, io);
    if (verdict.ok && (verdict.used > io.dinXferLen || verdict.used < 16)) __builtin_trap();
    if (!verdict.ok && verdict.error == 0) __builtin_trap();
    return 0;
}
