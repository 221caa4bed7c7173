// One NIC's link to the fabric: FIP discovery and fabric login, then the link services and
// CT requests of the logged-in port over FCoE. Frames in and out are whole Ethernet frames;
// what the port does with each is logged in one line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ByteSpan.h"
#include "Els.h"
#include "Ethernet.h"
#include "FcHeader.h"
#include "Hex.h"
#include "LoginQueries.h"

namespace fabricsim::fcf {

constexpr std::uint32_t kDefaultFcMap = 0x0EFC00;
constexpr std::uint32_t kKeepAlivePeriodMs = 8000;  // FIP_DEF_FKA: the ENode ages an FCF out after 2.5 periods

struct PortSetup {
    std::string name;               // for the log: "nic0"
    MacAddress fcfMac{};
    std::uint32_t fcMap = kDefaultFcMap;
    Wwn switchName = 0;
    Wwn fabricName = 0;
    Wwn fabricPortName = 0;         // the switch port the model attaches the adapter port to
    std::uint32_t fcid = 0;         // given at fabric login
    Wwn expectedPortName = 0;       // a FLOGI from any other port name is refused
    bool listManagementServer = true;
};

class FcfPort {
public:
    using Sender = std::function<void(const std::vector<std::uint8_t>& ethernetFrame)>;
    // What the model answers to a request the port itself does not (a CT_IU of a program
    // through bsg, or an ELS such as ECHO): the whole answer payload, cut to `responseLimit`
    // bytes; none when the fabric leaves the request unanswered.
    struct Request {
        std::uint8_t type = 0;        // fctype::kCt or fctype::kExtendedLinkService
        std::uint32_t destination = 0;
        ByteSpan payload;
        std::size_t responseLimit = 0;
    };
    using Answerer = std::function<std::optional<std::vector<std::uint8_t>>(const Request& request)>;
    using Logger = std::function<void(const std::string& line)>;

    FcfPort(PortSetup setup, Answerer answer, Sender send, Logger log);

    void receive(ByteSpan ethernetFrame);
    // The periodic unsolicited advertisement, once an ENode has been heard on the link.
    void readvertise();

    bool loggedIn() const { return login_.has_value(); }

private:
    void onFip(const EthernetFrame& frame);
    void onSolicitation(const MacAddress& enode);
    void onFabricLogin(const MacAddress& enode, ByteSpan fcFrame);
    void onFipLogout(const MacAddress& enode, ByteSpan fcFrame);
    void onFcoe(const EthernetFrame& frame);
    void onEls(const FcHeader& header, ByteSpan payload);
    void onCt(const FcHeader& header, ByteSpan payload);
    void onAbts(const FcHeader& header);
    void sendAdvertisement(bool solicited, const MacAddress& destination);
    void sendFipEls(const MacAddress& enode, std::uint8_t descriptorType, const FcHeader& request,
                    const std::vector<std::uint8_t>& payload, bool withGrantedMac);
    void sendSequence(const FcHeader& request, std::uint8_t rCtl, const std::vector<std::uint8_t>& payload);
    void sendFrame(const FcHeader& header, const std::vector<std::uint8_t>& payload, std::uint8_t startOfFrame,
                   std::uint8_t endOfFrame);
    std::uint16_t nextRxId();
    std::size_t frameLimit() const;
    Asker asker() const;

    PortSetup setup_;
    Answerer answer_;
    Sender send_;
    Logger log_;
    std::optional<MacAddress> enode_;
    std::optional<LoginRequest> login_;
    std::uint16_t rxId_ = 0;
};

// The port name the fabric gives a well-known address (FFFFFA, FFFFFC...) in its login answer.
Wwn wellKnownPortName(std::uint32_t address, Wwn switchName);

// The response size a CT request allows: its header's maximum size in words after the
// header, or no limit (0) as FC-GS reads a zero there.
std::size_t ctResponseLimit(ByteSpan ctIu);

}  // namespace fabricsim::fcf
