// The NICs a virtual machine needs to be the host of a model: one per fc_host the model's
// Linux host has (an adapter port attached to a fabric, of an adapter that does not fail),
// in model order, each with its link's setup taken from the model.
#pragma once

#include <cstddef>
#include <vector>

#include "Ethernet.h"
#include "FcfPort.h"
#include "Model.h"
#include "Simulator.h"

namespace fabricsim::fcf {

struct Nic {
    std::size_t adapter = 0;  // indexes into the model
    std::size_t port = 0;
    MacAddress mac{};         // the port WWN's low 48 bits (macForPortName)
    PortSetup setup;
};

std::vector<Nic> planNics(const Model& model, bool listManagementServer);

// The NIC's CT answers: its model port's, through the simulator's kernel-mode entry (faults,
// call log and capture apply as they do for fabricsim-run --kernel). A request the model
// fails (a "fail" fault) is logged and left unanswered, as a fabric that drops it.
FcfPort::Answerer answerFromModel(Simulator& simulator, const Nic& nic, FcfPort::Logger log);

}  // namespace fabricsim::fcf
