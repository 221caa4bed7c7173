#include "NicPlan.h"

#include <cstring>

#include "KernelHosts.h"

namespace fabricsim::fcf {
namespace {

// The switch port the model attaches an adapter port to; 0 when none does.
Wwn attachingSwitchPort(const Fabric& fabric, Wwn portName) {
    if (!fabric.switches) return 0;
    for (const Switch& sw : *fabric.switches) {
        if (!sw.ports) continue;
        for (const SwitchPort& port : *sw.ports) {
            if (!port.attached) continue;
            for (const AttachedPort& attached : *port.attached)
                if (attached.wwn == portName) return port.wwn;
        }
    }
    return 0;
}

// Made-up names where the model has none: the kernel refuses an FCF without a switch name.
constexpr Wwn kDefaultSwitchName = 0x10000000FCF00001ull;

PortSetup setupFor(const Model& model, const KernelHost& host, std::size_t index, bool listManagementServer) {
    const AdapterPort& port = model.adapters[host.adapter].ports[host.port];
    const Fabric& fabric = model.fabrics[*port.fabric];
    PortSetup setup;
    setup.name = "nic" + std::to_string(index);
    setup.fcfMac = MacAddress{0x02, 0x00, 0x00, 0x0F, 0xCF, static_cast<std::uint8_t>(index)};
    setup.switchName = fabric.switches && !fabric.switches->empty() ? fabric.switches->front().wwn : kDefaultSwitchName;
    setup.fabricName = fabric.name.value_or(setup.switchName);
    setup.fabricPortName = attachingSwitchPort(fabric, port.wwn);
    if (setup.fabricPortName == 0) setup.fabricPortName = wellKnownPortName(0xFFFFFE, setup.switchName);
    setup.fcid = port.fcid != 0 ? port.fcid : 0x010000u | static_cast<std::uint32_t>((index + 1) << 8);
    setup.expectedPortName = port.wwn;
    setup.listManagementServer = listManagementServer;
    return setup;
}

}  // namespace

std::vector<Nic> planNics(const Model& model, bool listManagementServer) {
    std::vector<Nic> nics;
    for (const KernelHost& host : kernelHosts(model)) {
        Nic nic;
        nic.adapter = host.adapter;
        nic.port = host.port;
        nic.setup = setupFor(model, host, nics.size(), listManagementServer);
        nic.mac = macForPortName(nic.setup.expectedPortName);
        nics.push_back(nic);
    }
    return nics;
}

FcfPort::Answerer answerFromModel(Simulator& simulator, const Nic& nic, FcfPort::Logger log) {
    return [&simulator, nic, log](const FcfPort::Request& request) -> std::optional<std::vector<std::uint8_t>> {
        std::vector<std::uint8_t> response(request.responseLimit);
        Simulator::KernelExchange exchange;
        exchange.adapter = nic.adapter;
        exchange.port = nic.port;
        exchange.destination = request.destination;
        exchange.request = request.payload.data;
        exchange.requestSize = static_cast<std::uint32_t>(request.payload.size);
        exchange.response = response.data();
        exchange.responseSize = static_cast<std::uint32_t>(response.size());
        const Simulator::KernelOutcome outcome =
            request.type == fctype::kCt ? simulator.kernelCt(exchange) : simulator.kernelEls(exchange);
        if (outcome.error != 0) {
            if (request.type == fctype::kCt) log("the model fails the request (" + std::string(std::strerror(outcome.error)) + ")");
            return std::nullopt;
        }
        response.resize(outcome.received);
        return response;
    };
}

}  // namespace fabricsim::fcf
