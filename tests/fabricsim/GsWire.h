// Requests as the probe builds them for each of the simulator's commands.
#pragma once

#include <cstddef>
#include <string>

#include "GsBytes.h"
#include "GsCommand.h"

namespace fstest {

// The probe's response buffer size for each command.
std::size_t probeResponseSize(fabricsim::GsCommand command);

// Preamble plus payload for a key given as text: a WWN, an FCID, a platform or zone set
// name, or nothing. Bytes 10-11 carry the maximum size for `responseSize`.
Bytes buildRequest(fabricsim::GsCommand command, const std::string& key, std::size_t responseSize);

}  // namespace fstest
