#include "FcHeader.h"

#include "PayloadWriter.h"

namespace fabricsim::fcf {
namespace {

std::uint32_t get24(const std::uint8_t* p) { return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2]; }

}  // namespace

void encodeFcHeader(const FcHeader& h, std::vector<std::uint8_t>& bytes) {
    PayloadWriter out(bytes);
    out.u8(h.rCtl);
    out.u24(h.dId);
    out.u8(h.csCtl);
    out.u24(h.sId);
    out.u8(h.type);
    out.u24(h.fCtl);
    out.u8(h.seqId);
    out.u8(h.dfCtl);
    out.u16(h.seqCnt);
    out.u16(h.oxId);
    out.u16(h.rxId);
    out.u32(h.parameter);
}

bool decodeFcHeader(ByteSpan frame, FcHeader& h) {
    if (!frame.holds(0, kFrameHeaderSize)) return false;
    const std::uint8_t* p = frame.data;
    h.rCtl = p[0];
    h.dId = get24(p + 1);
    h.csCtl = p[4];
    h.sId = get24(p + 5);
    h.type = p[8];
    h.fCtl = get24(p + 9);
    h.seqId = p[12];
    h.dfCtl = p[13];
    frame.be16(14, h.seqCnt);
    frame.be16(16, h.oxId);
    frame.be16(18, h.rxId);
    frame.be32(20, h.parameter);
    return true;
}

FcHeader replyHeader(const FcHeader& request, std::uint8_t rCtl, std::uint16_t rxId) {
    FcHeader reply;
    reply.rCtl = rCtl;
    reply.dId = request.sId;
    reply.sId = request.dId;
    reply.type = request.type;
    reply.fCtl = fctl::kReply;
    reply.oxId = request.oxId;
    reply.rxId = rxId;
    return reply;
}

}  // namespace fabricsim::fcf
