#include "FcHeader.h"

namespace fabricsim::fcf {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}
void put24(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    put16(out, v);
}
std::uint32_t get24(const std::uint8_t* p) { return (std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2]; }

}  // namespace

void encodeFcHeader(const FcHeader& h, std::vector<std::uint8_t>& out) {
    out.push_back(h.rCtl);
    put24(out, h.dId);
    out.push_back(h.csCtl);
    put24(out, h.sId);
    out.push_back(h.type);
    put24(out, h.fCtl);
    out.push_back(h.seqId);
    out.push_back(h.dfCtl);
    put16(out, h.seqCnt);
    put16(out, h.oxId);
    put16(out, h.rxId);
    put16(out, h.parameter >> 16);
    put16(out, h.parameter);
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
