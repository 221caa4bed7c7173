#include "FcfPort.h"

#include <utility>

#include "Fcoe.h"
#include "Fip.h"
#include "GsCommand.h"

namespace fabricsim::fcf {
namespace {

constexpr std::uint8_t kPriority = 128;          // FIP_DEF_PRI
constexpr std::size_t kBsgTrailer = 16;          // libfc sends 16 bytes after a bsg CT_IU (fc_lport_ct_request)
constexpr std::size_t kDefaultFrameLimit = 1024;
constexpr std::size_t kLargestFrameLimit = 2048;
constexpr std::size_t kSmallestFrameLimit = 256;

const char* elsName(std::uint8_t code) {
    switch (code) {
    case els::kPlogi: return "PLOGI";
    case els::kFlogi: return "FLOGI";
    case els::kLogo: return "LOGO";
    case els::kRrq: return "RRQ";
    case els::kScr: return "SCR";
    default: return "ELS";
    }
}

}  // namespace

Wwn wellKnownPortName(std::uint32_t address, Wwn switchName) {
    return (Wwn{0x2F} << 56) | (Wwn{address & 0xFF} << 48) | (switchName & 0xFFFFFFFFFFFFull);
}

std::size_t ctResponseLimit(ByteSpan ctIu) {
    std::uint16_t words = 0;
    ctIu.be16(10, words);
    return kCtHeaderSize + 4 * std::size_t{words == 0 ? std::uint16_t{0xFFFF} : words};
}

FcfPort::FcfPort(PortSetup setup, Answerer answer, Sender send, Logger log)
    : setup_(std::move(setup)), answer_(std::move(answer)), send_(std::move(send)), log_(std::move(log)) {}

void FcfPort::receive(ByteSpan ethernetFrame) {
    EthernetFrame frame;
    if (!decodeEthernet(ethernetFrame, frame)) return;
    if (frame.etherType == kEtherTypeFip) onFip(frame);
    else if (frame.etherType == kEtherTypeFcoe) onFcoe(frame);
}

void FcfPort::readvertise() {
    if (enode_) sendAdvertisement(false, kAllEnodeMacs);
}

void FcfPort::onFip(const EthernetFrame& frame) {
    FipMessage fip;
    if (!decodeFip(frame.payload, fip) || fip.version != kFipVersion) {
        log_("malformed FIP frame from " + macText(frame.source) + " ignored");
        return;
    }
    if (fip.op == fipop::kDiscovery && fip.subcode == fipop::kRequest) {
        onSolicitation(frame.source);
    } else if (fip.op == fipop::kLinkService && fip.subcode == fipop::kRequest && !fip.descriptors.empty()) {
        const FipDescriptor& els = fip.descriptors.front();
        if (els.type == fipdesc::kFlogi) onFabricLogin(frame.source, encapsulatedFrame(els));
        else if (els.type == fipdesc::kLogo) onFipLogout(frame.source, encapsulatedFrame(els));
        else log_("FIP link service descriptor " + std::to_string(els.type) + " ignored");
    } else if (fip.op != fipop::kControl) {  // keep-alives need no answer but the advertisements
        log_("FIP operation " + std::to_string(fip.op) + "/" + std::to_string(fip.subcode) + " ignored");
    }
}

void FcfPort::onSolicitation(const MacAddress& enode) {
    enode_ = enode;
    log_("FIP solicitation from " + macText(enode) + ": solicited advertisement");
    sendAdvertisement(true, enode);
}

void FcfPort::sendAdvertisement(bool solicited, const MacAddress& destination) {
    const std::uint16_t flags = fipflag::kFabricProvidedMac | fipflag::kFcf | fipflag::kAvailable |
                                (solicited ? fipflag::kSolicited : 0);
    const std::vector<std::uint8_t> fip =
        encodeFip(fipop::kDiscovery, fipop::kReply, flags,
                  {priorityDescriptor(kPriority), macDescriptor(setup_.fcfMac), nameDescriptor(setup_.switchName),
                   fabricDescriptor(0, setup_.fcMap, setup_.fabricName), keepAlivePeriodDescriptor(kKeepAlivePeriodMs)});
    send_(encodeEthernet(destination, setup_.fcfMac, kEtherTypeFip, fip));
}

void FcfPort::onFabricLogin(const MacAddress& enode, ByteSpan fcFrame) {
    FcHeader header;
    LoginRequest request;
    if (!decodeFcHeader(fcFrame, header) ||
        !decodeLogin(ByteSpan{fcFrame.data + kFrameHeaderSize, fcFrame.size - kFrameHeaderSize}, request)) {
        log_("FIP FLOGI too short, ignored");
        return;
    }
    if (request.portName != setup_.expectedPortName) {
        log_("FIP FLOGI from port " + hexText(request.portName, 16) + " refused: this link serves the model's port " +
             hexText(setup_.expectedPortName, 16) + " (give the NIC the MAC of its WWNs: fabricsim-fcf --fcoe-model)");
        sendFipEls(enode, fipdesc::kFlogi, header, lsReject(els::kUnableToPerform, els::kInvalidPortName), false);
        return;
    }
    login_ = request;
    enode_ = enode;
    sendFipEls(enode, fipdesc::kFlogi, header,
               loginAccept(true, setup_.fabricPortName, setup_.fabricName, static_cast<std::uint16_t>(frameLimit())),
               true);
    log_("FIP FLOGI of port " + hexText(request.portName, 16) + ": FC_ID " + hexText(setup_.fcid, 6) + ", MAC " +
         macText(fabricProvidedMac(setup_.fcMap, setup_.fcid)) + ", frames of up to " +
         std::to_string(frameLimit()) + " bytes");
}

void FcfPort::onFipLogout(const MacAddress& enode, ByteSpan fcFrame) {
    FcHeader header;
    if (!decodeFcHeader(fcFrame, header)) return;
    login_.reset();
    sendFipEls(enode, fipdesc::kLogo, header, lsAccept(), true);
    log_("FIP LOGO of FC_ID " + hexText(header.sId, 6) + ": accepted");
}

void FcfPort::sendFipEls(const MacAddress& enode, std::uint8_t descriptorType, const FcHeader& request,
                         const std::vector<std::uint8_t>& payload, bool withGrantedMac) {
    FcHeader reply = replyHeader(request, rctl::kElsReply, nextRxId());
    if (reply.dId == 0) reply.dId = setup_.fcid;  // a FLOGI comes from 0 and is answered at the address it gets
    std::vector<std::uint8_t> frame;
    encodeFcHeader(reply, frame);
    frame.insert(frame.end(), payload.begin(), payload.end());
    std::vector<std::vector<std::uint8_t>> descriptors{encapsulatedElsDescriptor(descriptorType, frame)};
    if (withGrantedMac) descriptors.push_back(macDescriptor(fabricProvidedMac(setup_.fcMap, setup_.fcid)));
    send_(encodeEthernet(enode, setup_.fcfMac, kEtherTypeFip,
                         encodeFip(fipop::kLinkService, fipop::kReply, fipflag::kFabricProvidedMac, descriptors)));
}

void FcfPort::onFcoe(const EthernetFrame& frame) {
    FcoeFrame fcoe;
    FcHeader header;
    if (!decapsulateFc(frame.payload, fcoe) || !decodeFcHeader(fcoe.fc, header)) {
        log_("FCoE frame too short, ignored");
        return;
    }
    if (!fcoe.crcGood || fcoe.version != 0) {
        log_("FCoE frame with a bad CRC or version from " + hexText(header.sId, 6) + " dropped");
        return;
    }
    const ByteSpan payload{fcoe.fc.data + kFrameHeaderSize, fcoe.fc.size - kFrameHeaderSize};
    if (header.type == fctype::kExtendedLinkService && header.rCtl == rctl::kElsRequest) onEls(header, payload);
    else if (header.type == fctype::kCt && header.rCtl == rctl::kCtRequest) onCt(header, payload);
    else if (header.type == fctype::kBasicLinkService && header.rCtl == rctl::kAbts) onAbts(header);
    else log_("FC frame R_CTL " + hexText(header.rCtl, 2) + " TYPE " + hexText(header.type, 2) + " from " + hexText(header.sId, 6) +
              " ignored");
}

// The fabric's own addresses take logins, SCR, LOGO and RRQ; a request to a port goes to the
// model (ECHO, RLS), as no frames are switched between N_Ports.
void FcfPort::onEls(const FcHeader& header, ByteSpan payload) {
    std::uint8_t code = 0;
    payload.u8(0, code);
    const std::string what = std::string(elsName(code)) + " " + hexText(header.sId, 6) + " -> " + hexText(header.dId, 6);
    std::optional<std::vector<std::uint8_t>> answer;
    if (header.dId < wellknown::kFirst)
        answer = answer_(Request{fctype::kExtendedLinkService, header.dId, payload, kLargestFrameLimit});
    else if (code == els::kPlogi)
        answer = loginAccept(false, wellKnownPortName(header.dId, setup_.switchName), setup_.switchName,
                             static_cast<std::uint16_t>(frameLimit()));
    else if (code == els::kScr || code == els::kLogo || code == els::kRrq)
        answer = lsAccept();
    else
        answer = lsReject(els::kNotSupported, 0);
    if (!answer) {
        log_(what + " (code " + hexText(code, 2) + "): dropped, no port has that address");
        return;
    }
    sendSequence(header, rctl::kElsReply, *answer);
    log_(what + (!answer->empty() && (*answer)[0] == els::kAccept ? ": LS_ACC" : ": LS_RJT"));
}

void FcfPort::onCt(const FcHeader& header, ByteSpan payload) {
    std::uint8_t gsType = 0;
    std::uint8_t gsSubtype = 0;
    std::uint16_t code = 0;
    payload.u8(4, gsType);
    payload.u8(5, gsSubtype);
    payload.be16(8, code);
    const GsCommandInfo* known = findCommand(gsType, gsSubtype, code);
    const std::string what = "CT " + hexText(gsType, 2) + "/" + hexText(gsSubtype, 2) + " " + hexText(code, 4) +
                             (known != nullptr ? std::string(" ") + known->name : std::string()) + " " +
                             hexText(header.sId, 6) + " -> " + hexText(header.dId, 6);
    if (std::optional<std::vector<std::uint8_t>> own = answerLoginQuery(payload, asker())) {
        sendSequence(header, rctl::kCtReply, *own);
        log_(what + ": answered by the name server");
        return;
    }
    const ByteSpan ctIu{payload.data, payload.size >= kCtHeaderSize + kBsgTrailer ? payload.size - kBsgTrailer : payload.size};
    std::optional<std::vector<std::uint8_t>> answer = answer_(Request{fctype::kCt, header.dId, ctIu, ctResponseLimit(ctIu)});
    if (!answer) {
        log_(what + ": left unanswered");
        return;
    }
    sendSequence(header, rctl::kCtReply, *answer);
    log_(what + ": " + std::to_string(answer->size()) + " bytes from the model");
}

void FcfPort::onAbts(const FcHeader& header) {
    FcHeader reply = replyHeader(header, rctl::kBasicAccept, header.rxId);
    sendFrame(reply, basicAccept(header.oxId, header.rxId), sof::kInitiate3, eof::kTerminate);
    log_("ABTS of exchange " + hexText(header.oxId, 4) + " from " + hexText(header.sId, 6) + ": BA_ACC");
}

void FcfPort::sendSequence(const FcHeader& request, std::uint8_t rCtl, const std::vector<std::uint8_t>& payload) {
    const std::size_t limit = frameLimit();
    FcHeader header = replyHeader(request, rCtl, nextRxId());
    std::size_t offset = 0;
    do {
        const std::size_t size = payload.size() - offset < limit ? payload.size() - offset : limit;
        const bool last = offset + size == payload.size();
        std::vector<std::uint8_t> piece(payload.begin() + static_cast<std::ptrdiff_t>(offset),
                                        payload.begin() + static_cast<std::ptrdiff_t>(offset + size));
        const std::size_t fill = (4 - piece.size() % 4) % 4;  // FC data fields are whole words
        piece.resize(piece.size() + fill, 0);
        header.fCtl = fctl::kExchangeResponder | fctl::kRelativeOffsetPresent |
                      (last ? fctl::kLastSequence | fctl::kEndSequence | fill : 0);
        header.parameter = static_cast<std::uint32_t>(offset);
        sendFrame(header, piece, offset == 0 ? sof::kInitiate3 : sof::kNormal3, last ? eof::kTerminate : eof::kNormal);
        ++header.seqCnt;
        offset += size;
    } while (offset < payload.size());
}

void FcfPort::sendFrame(const FcHeader& header, const std::vector<std::uint8_t>& payload, std::uint8_t startOfFrame,
                        std::uint8_t endOfFrame) {
    std::vector<std::uint8_t> fc;
    encodeFcHeader(header, fc);
    fc.insert(fc.end(), payload.begin(), payload.end());
    send_(encodeEthernet(fabricProvidedMac(setup_.fcMap, header.dId), setup_.fcfMac, kEtherTypeFcoe,
                         encapsulateFc(startOfFrame, fc, endOfFrame)));
}

std::uint16_t FcfPort::nextRxId() {
    rxId_ = static_cast<std::uint16_t>(rxId_ >= 0xFFFE ? 1 : rxId_ + 1);  // 0xFFFF means unassigned
    return rxId_;
}

// The largest data field the logged-in port takes (its login's receive size), in whole words.
std::size_t FcfPort::frameLimit() const {
    std::size_t limit = login_ ? login_->receiveSize : kDefaultFrameLimit;
    if (limit < kSmallestFrameLimit) limit = kSmallestFrameLimit;
    if (limit > kLargestFrameLimit) limit = kLargestFrameLimit;
    return limit / 4 * 4;
}

Asker FcfPort::asker() const {
    Asker asker;
    asker.fcid = setup_.fcid;
    asker.portName = login_ ? login_->portName : setup_.expectedPortName;
    asker.listManagementServer = setup_.listManagementServer;
    asker.managementServerName = wellKnownPortName(wellknown::kManagementServer, setup_.switchName);
    return asker;
}

}  // namespace fabricsim::fcf
