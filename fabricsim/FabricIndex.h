// Lookups by key for one fabric, built once when the model is loaded.
// Where a key occurs more than once the first occurrence in model order answers.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "Model.h"

namespace fabricsim {

class FabricIndex {
public:
    explicit FabricIndex(const Fabric& fabric);  // the fabric must outlive the index

    const Fabric& fabric() const { return fabric_; }
    const Switch* findSwitch(Wwn wwn) const { return find(switches_, wwn); }
    const SwitchPort* findSwitchPort(Wwn wwn) const { return find(switchPorts_, wwn); }
    const AttachedPort* findAttachedPort(Wwn wwn) const { return find(attachedByWwn_, wwn); }
    const AttachedPort* findAttachedByFcid(std::uint32_t fcid) const { return find(attachedByFcid_, fcid); }
    const Platform* findPlatform(const std::string& name) const { return find(platforms_, name); }
    const ZoneSet* findDatabaseZoneSet(const std::string& name) const { return find(zoneSets_, name); }

private:
    template <class Map, class Key>
    static typename Map::mapped_type find(const Map& map, const Key& key) {
        auto it = map.find(key);
        return it == map.end() ? nullptr : it->second;
    }

    const Fabric& fabric_;
    std::unordered_map<Wwn, const Switch*> switches_;
    std::unordered_map<Wwn, const SwitchPort*> switchPorts_;
    std::unordered_map<Wwn, const AttachedPort*> attachedByWwn_;
    std::unordered_map<std::uint32_t, const AttachedPort*> attachedByFcid_;
    std::unordered_map<std::string, const Platform*> platforms_;
    std::unordered_map<std::string, const ZoneSet*> zoneSets_;
};

}  // namespace fabricsim
