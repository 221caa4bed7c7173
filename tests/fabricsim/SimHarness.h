// Requests as the probe builds them for each of the simulator's commands, and a Simulator
// built from a JSON model driven through its own interface, as the vendor entry points do,
// with response buffers pre-filled so that stray writes show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "GsBytes.h"
#include "GsCommand.h"
#include "Simulator.h"

namespace fstest {

// The probe's response buffer size for each command.
std::size_t probeResponseSize(fabricsim::GsCommand command);

// Preamble plus payload for a key given as text: a WWN, an FCID, a platform or zone set
// name, or nothing. Bytes 10-11 carry the maximum size for `responseSize`.
Bytes buildRequest(fabricsim::GsCommand command, const std::string& key, std::size_t responseSize);

constexpr std::uint8_t kFill = 0xEE;

struct Reply {
    std::uint32_t status = 0;
    std::uint32_t returned = 0;  // the size the V2 call reported
    Bytes buffer;                // the whole response buffer
    // What the call returned (V2) or the whole buffer (V1).
    Bytes answer() const { return Bytes(buffer.begin(), buffer.begin() + std::min<std::size_t>(returned, buffer.size())); }
};

nlohmann::json readModelJson(const std::string& name);  // from this folder's models/
std::string modelPath(const std::string& name);

class SimHarness {
public:
    explicit SimHarness(const nlohmann::json& model, fabricsim::SimulatorOutputs outputs = {});

    fabricsim::Simulator& sim() { return *sim_; }
    std::uint32_t open(const std::string& adapterName) { return sim_->openAdapter(adapterName.c_str()); }

    // size 0: the probe's buffer size for the command; send without a port: the version-1 call.
    Reply v2(std::uint32_t handle, const std::string& port, fabricsim::GsCommand command, const std::string& key = "",
             std::size_t size = 0);
    Reply send(std::uint32_t handle, const std::optional<std::string>& port, const Bytes& request, std::size_t size);

private:
    std::unique_ptr<fabricsim::Simulator> sim_;
};

}  // namespace fstest
