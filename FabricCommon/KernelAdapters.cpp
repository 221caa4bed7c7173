#include "KernelAdapters.h"

#include <cstring>

#include "HbaAccess.h"
#include "naTrace.h"

namespace {
bool isListed(const std::vector<Wwn>& listed, const Wwn& port) {
    for (const Wwn& wwn : listed)
        if (std::memcmp(wwn.bytes, port.bytes, sizeof wwn.bytes) == 0) return true;
    return false;
}
}  // namespace

std::vector<KernelAdapter> unlistedFcHosts(const std::vector<Wwn>& listed, const SysfsPaths& paths) {
    std::vector<KernelAdapter> adapters;
    for (const unsigned number : fcHostNumbers(paths)) {
        FcHostPort port;
        if (!readFcHostPort(paths, number, port)) continue;
        const WwnText wwn = formatWwn(port.portName);
        if (isListed(listed, port.portName)) {
            NATRACE(TR_MAX, "fc_host host%u (port %s): an adapter of the HBA API lists it\n", number, wwn.text);
            continue;
        }
        NATRACE(TR_MIN, "fc_host host%u (port %s): listed by no adapter of the HBA API; probed as an adapter of "
                "its own through the kernel's FC transport\n", number, wwn.text);
        adapters.push_back(KernelAdapter{number, port.portName});
    }
    return adapters;
}

std::vector<KernelAdapter> kernelOnlyAdapters(int hbaAdapters, const SysfsPaths& paths) {
    if (fcHostNumbers(paths).empty()) return {};
    return unlistedFcHosts(hbaApiPorts(hbaAdapters), paths);
}

bool kernelAdapterOnFabric(const KernelAdapter& adapter, int index, const SysfsPaths& paths) {
    FcHostPort port;
    if (!readFcHostPort(paths, adapter.host, port) ||
        std::memcmp(port.portName.bytes, adapter.port.bytes, sizeof port.portName.bytes) != 0) {
        NATRACE(TR_MIN, "fc_host host%u no longer shows port %s\n", adapter.host, formatWwn(adapter.port).text);
        NATRACE(TR_MIN, "Filtering adapter index %d\n", index);
        return false;
    }
    NATRACE(TR_MIN, "adapter %d is fc_host host%u of the kernel, node WWN %s, port_state %s\n", index, adapter.host,
            formatWwn(port.nodeName).text, port.state.empty() ? "unreadable" : port.state.c_str());
    if (port.portIdRead) NATRACE(TR_MIN, "FcId of the adapter port %d for adapter %d = %X\n", 0, index, port.portId);
    bool onFabric = true;
    if (!port.portIdRead) {
        NATRACE(TR_MIN, "fc_host host%u has no readable port_id\n", adapter.host);
        onFabric = false;
    } else if (port.state != "Online") {
        NATRACE(TR_MIN, "fc_host host%u is not Online\n", adapter.host);
        onFabric = false;
    } else if (!isFabricAttached(port.portId)) {
        onFabric = false;
    }
    if (!onFabric) {
        NATRACE(TR_MIN, "Filtering adapter index %d\n", index);
        return false;
    }
    NATRACE(TR_MIN, "Port %d for adapter %d connected  to a  switched fabric\n", 0, index);
    NATRACE(TR_MIN, "adapter: %d, port: %d, port wwn: %s connected to fabric\n", index, 0,
            formatWwn(port.portName).text);
    return true;
}
