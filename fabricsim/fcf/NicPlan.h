// The NICs a virtual machine needs to be the host of a model: one per fc_host the model's
// Linux host has (an adapter port attached to a fabric, of an adapter that does not fail),
// in model order, each with its link's setup taken from the model.
#pragma once

#include <cstddef>
#include <vector>

#include "Ethernet.h"
#include "FcfPort.h"
#include "Model.h"

namespace fabricsim::fcf {

struct Nic {
    std::size_t adapter = 0;  // indexes into the model
    std::size_t port = 0;
    MacAddress mac{};         // the port WWN's low 48 bits (macForPortName)
    PortSetup setup;
};

std::vector<Nic> planNics(const Model& model, bool listManagementServer);

}  // namespace fabricsim::fcf
