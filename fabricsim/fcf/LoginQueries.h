// The name-server requests libfc makes on its own while it logs in and discovers the
// fabric (registrations, GPN_FT), which the fabric answers itself. Every other CT request
// comes from a program through bsg and is answered from the model.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ByteSpan.h"
#include "Hex.h"

namespace fabricsim::fcf {

// The logged-in port that asks, and whether its GPN_FT lists the management server.
struct Asker {
    std::uint32_t fcid = 0;
    Wwn portName = 0;
    bool listManagementServer = false;
    Wwn managementServerName = 0;
};

// The whole CT_IU answer (ACC) for a registration or GPN_FT of the directory server; none
// for any other request (or one shorter than a CT_IU header).
std::optional<std::vector<std::uint8_t>> answerLoginQuery(ByteSpan ctIu, const Asker& asker);

// GPN_FT lists the asking port itself and, when asked to, FFFFFA: libfc then logs into the
// management server as it does after FDMI, and bsg requests to it are sent. Other ports of
// the model are not listed: libfc would log into them, and this fabric switches no frames
// between N_Ports.

}  // namespace fabricsim::fcf
