// A model as a virtual machine with software FCoE can be its host. Linux fcoe names each
// interface after its MAC (NAA 2 port name, NAA 1 node name: fcoe_wwn_from_mac), whatever
// the model says, so each NIC gets the MAC of its model port's low 48 bits and every
// occurrence of the port's WWN and of its adapter's node WWN in the model is replaced by
// the names fcoe derives from that MAC (a swap where the model uses the NAA 1 / NAA 2
// names the other way round). Both the VM and vendor mode then run this model.
#pragma once

#include <string>

namespace fabricsim::fcf {

// `faultsText`, when not null, is a JSON array that replaces the model's "faults" first
// (its WWNs are mapped too). Empty on success, with the model in `out`; else why the model
// cannot be served through fcoe (a multi-port adapter, a MAC that is multicast or twice,
// a derived name the model already uses for something else, a bad model).
std::string fcoeModel(const std::string& modelText, const std::string* faultsText, std::string& out);

}  // namespace fabricsim::fcf
