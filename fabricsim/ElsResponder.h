// A fabric's answer to an extended link service request, for the kernel mode's clients
// (fcoe-utils' fcping sends ECHO, fcrls sends RLS). The probe sends none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FabricIndex.h"

namespace fabricsim {

// ECHO is accepted with its data returned, RLS with a link error status block of zero
// counts; any other command is rejected (LS_RJT, command not supported). Empty when no port
// of the fabric has the destination address: class 3 frames to nobody are dropped.
std::vector<std::uint8_t> answerEls(const FabricIndex& fabric, std::uint32_t destination, const std::uint8_t* request,
                                    std::size_t size);

}  // namespace fabricsim
