// The simulator's model loader: any file must be either refused with a reason
// and a JSON path or loaded into a model the simulator can index and answer from.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "ModelLoader.h"
#include "Simulator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto model = std::make_unique<fabricsim::Model>();
    fabricsim::ModelError error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!fabricsim::parseModel(text, *model, error)) {
        if (error.path.empty() || error.path[0] != '$' || error.reason.empty()) __builtin_trap();
        (void)fabricsim::describeModelError("fuzz.json", error);
        return 0;
    }
    fabricsim::Simulator simulator(std::move(model), fabricsim::SimulatorOutputs{});
    // A GIEL through every adapter's first port, as a probe would begin.
    static const std::uint8_t giel[16] = {0x01, 0, 0, 0, 0xFA, 0x01, 0, 0, 0x01, 0x01, 0x03, 0xE3, 0, 0, 0, 0};
    std::uint8_t response[3996];
    for (std::uint32_t i = 0; i < simulator.adapterCount() && i < 8; ++i) {
        const fabricsim::Adapter* adapter = simulator.adapterAt(i);
        const std::uint32_t handle = simulator.openAdapter(adapter->name.c_str());
        if (handle == 0 || adapter->ports.empty()) continue;
        std::uint32_t returned = 0;
        simulator.passThrough(handle, &adapter->ports[0].wwn, giel, sizeof giel, response, sizeof response, &returned);
        if (returned > sizeof response) __builtin_trap();
        simulator.closeAdapter(handle);
    }
    return 0;
}
