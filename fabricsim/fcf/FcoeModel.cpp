#include "FcoeModel.h"

#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "Ethernet.h"
#include "Hex.h"
#include "KernelHosts.h"
#include "ModelLoader.h"

namespace fabricsim::fcf {
namespace {

using Json = nlohmann::ordered_json;
using WwnMap = std::map<Wwn, Wwn>;

bool wwnValue(const Json& value, Wwn& wwn) {
    return value.is_string() && parseHexDigits(value.get_ref<const std::string&>(), 16, wwn);
}

template <class Visit>
void visitStrings(Json& value, const Visit& visit) {
    if (value.is_string()) visit(value);
    if (value.is_structured())
        for (Json& child : value) visitStrings(child, visit);
}

std::string addName(WwnMap& map, Wwn from, Wwn to) {
    auto [it, added] = map.emplace(from, to);
    if (!added && it->second != to)
        return "WWN " + wwnText(from) + " would need two fcoe names (" + wwnText(it->second) + ", " + wwnText(to) + ")";
    return std::string();
}

// Old name -> fcoe's name for every NIC's port and node.
std::string fcoeNames(const Model& model, WwnMap& map) {
    std::set<std::size_t> adapters;
    std::set<MacAddress> macs;
    for (const KernelHost& host : kernelHosts(model)) {
        const Adapter& adapter = model.adapters[host.adapter];
        const Wwn port = adapter.ports[host.port].wwn;
        const MacAddress mac = macForPortName(port);
        if (!adapters.insert(host.adapter).second)
            return "adapter " + adapter.name + " has several ports on fabrics: fcoe names each NIC's node after its own MAC";
        if (isMulticast(mac)) return "port " + wwnText(port) + " gives the multicast MAC " + macText(mac);
        if (!macs.insert(mac).second) return "two ports give the MAC " + macText(mac);
        std::string failure = addName(map, port, fcoePortName(mac));
        if (failure.empty()) failure = addName(map, adapter.nodeWwn, fcoeNodeName(mac));
        if (!failure.empty()) return failure;
    }
    return std::string();
}

std::string checkNoClash(Json& document, const WwnMap& map) {
    std::set<Wwn> kept;
    visitStrings(document, [&](Json& value) {
        Wwn wwn = 0;
        if (wwnValue(value, wwn) && map.count(wwn) == 0) kept.insert(wwn);
    });
    for (const auto& [from, to] : map)
        if (kept.count(to) != 0) return "fcoe's name " + wwnText(to) + " for " + wwnText(from) + " is used elsewhere in the model";
    return std::string();
}

}  // namespace

std::string fcoeModel(const std::string& modelText, const std::string* faultsText, std::string& out) {
    Json document;
    try {
        document = Json::parse(modelText);
        if (faultsText != nullptr) document["faults"] = Json::parse(*faultsText);
    } catch (const Json::exception& e) {
        return std::string("not JSON: ") + e.what();
    }
    Model model;
    ModelError error;
    if (!parseModel(document.dump(), model, error)) return error.path + ": " + error.reason;
    WwnMap map;
    std::string failure = fcoeNames(model, map);
    if (failure.empty()) failure = checkNoClash(document, map);
    if (!failure.empty()) return failure;
    visitStrings(document, [&](Json& value) {
        Wwn wwn = 0;
        if (wwnValue(value, wwn) && map.count(wwn) != 0) value = wwnText(map.at(wwn));
    });
    out = document.dump(1) + "\n";
    return std::string();
}

}  // namespace fabricsim::fcf
