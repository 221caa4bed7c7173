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

// What the NIC's model port answers, through the simulator's kernel-mode entries (CT: faults,
// call log and capture as for fabricsim-run --kernel, and a switch's name server; ELS: the
// simulator's ECHO and RLS). The fabric keeps no deadline of its own: a delayed answer goes
// out late, and the kernel decides whether it still waits. A request the model fails (a
// "fail" fault) is logged and left unanswered, as a fabric that drops it.
FcfPort::Answerer answerFromModel(Simulator& simulator, const Nic& nic, FcfPort::Logger log);

}  // namespace fabricsim::fcf
