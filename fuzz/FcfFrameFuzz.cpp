// One Ethernet frame as a VM's NIC sends it to fabricsim-fcf: what the frame codecs promise
// about it, then the frame handled by a logged-in port of the example SAN, whose every
// answer must be a frame that decodes (FIP, or FCoE with a good CRC and an FC header).
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <memory>
#include <sstream>

#include "Fcoe.h"
#include "FcoeModel.h"
#include "Fip.h"
#include "ModelLoader.h"
#include "NicPlan.h"

using namespace fabricsim;
using namespace fabricsim::fcf;

namespace {

void check(bool promise) {
    if (!promise) __builtin_trap();
}

bool inside(ByteSpan part, ByteSpan whole) {
    return part.size == 0 || (part.data >= whole.data && part.data + part.size <= whole.data + whole.size);
}

void checkCodecs(ByteSpan frame) {
    FcHeader header;
    if (decodeFcHeader(frame, header)) {
        std::vector<std::uint8_t> again;
        encodeFcHeader(header, again);
        check(std::equal(again.begin(), again.end(), frame.data));
    }
    EthernetFrame ethernet;
    if (!decodeEthernet(frame, ethernet)) return;
    check(inside(ethernet.payload, frame));
    FipMessage fip;
    if (decodeFip(ethernet.payload, fip)) {
        std::size_t words = 0;
        for (const FipDescriptor& d : fip.descriptors) {
            check(inside(d.body, ethernet.payload) && (d.body.size + 2) % 4 == 0);
            check(inside(encapsulatedFrame(d), d.body));
            words += (d.body.size + 2) / 4;
        }
        check(words == ((std::size_t{ethernet.payload.data[6]} << 8) | ethernet.payload.data[7]));
    }
    FcoeFrame fcoe;
    if (decapsulateFc(ethernet.payload, fcoe)) {
        check(inside(fcoe.fc, ethernet.payload) && fcoe.fc.size >= kFrameHeaderSize);
        const std::uint8_t* crc = fcoe.fc.data + fcoe.fc.size;
        const std::uint32_t sent = crc[0] | (crc[1] << 8) | (crc[2] << 16) | (std::uint32_t(crc[3]) << 24);
        check(fcoe.crcGood == (fcCrc(fcoe.fc.data, fcoe.fc.size) == sent));
    }
}

void checkAnswer(const std::vector<std::uint8_t>& frame) {
    EthernetFrame ethernet;
    check(decodeEthernet(ByteSpan{frame.data(), frame.size()}, ethernet));
    FipMessage fip;
    FcoeFrame fcoe;
    FcHeader header;
    if (ethernet.etherType == kEtherTypeFip) check(decodeFip(ethernet.payload, fip));
    else check(decapsulateFc(ethernet.payload, fcoe) && fcoe.crcGood && decodeFcHeader(fcoe.fc, header));
}

struct LoggedInPort {
    std::unique_ptr<Simulator> simulator;
    Nic nic;
    std::vector<std::uint8_t> login;  // the FIP FLOGI of the NIC's port
};

LoggedInPort& loggedInPort() {
    static LoggedInPort f = [] {
        std::ifstream in(FCF_FUZZ_MODEL);
        std::ostringstream text;
        text << in.rdbuf();
        std::string mapped;
        auto model = std::make_unique<Model>();
        ModelError error;
        check(fcoeModel(text.str(), nullptr, mapped).empty() && parseModel(mapped, *model, error));
        LoggedInPort made;
        made.nic = planNics(*model, true).at(0);
        made.simulator = std::make_unique<Simulator>(std::move(model), SimulatorOutputs{});
        std::vector<std::uint8_t> flogi = loginAccept(true, made.nic.setup.expectedPortName, 0, 2048);
        flogi[0] = els::kFlogi;
        FcHeader h;
        h.rCtl = rctl::kElsRequest;
        h.dId = wellknown::kFabricLogin;
        h.type = fctype::kExtendedLinkService;
        std::vector<std::uint8_t> fc;
        encodeFcHeader(h, fc);
        fc.insert(fc.end(), flogi.begin(), flogi.end());
        made.login = encodeEthernet(made.nic.setup.fcfMac, made.nic.mac, kEtherTypeFip,
                                    encodeFip(fipop::kLinkService, fipop::kRequest, 0, {encapsulatedElsDescriptor(fipdesc::kFlogi, fc)}));
        return made;
    }();
    return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteSpan frame{data, size};
    checkCodecs(frame);
    LoggedInPort& f = loggedInPort();
    std::vector<std::vector<std::uint8_t>> sent;
    FcfPort port(f.nic.setup, answerFromModel(*f.simulator, f.nic, [](const std::string&) {}),
                 [&sent](const std::vector<std::uint8_t>& out) { sent.push_back(out); }, [](const std::string&) {});
    port.receive(ByteSpan{f.login.data(), f.login.size()});
    check(port.loggedIn());
    port.receive(frame);
    port.readvertise();
    for (const auto& out : sent) checkAnswer(out);
    return 0;
}
