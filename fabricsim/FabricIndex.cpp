#include "FabricIndex.h"

namespace fabricsim {

FabricIndex::FabricIndex(const Fabric& fabric) : fabric_(fabric) {
    // emplace keeps the first entry for a repeated key.
    if (fabric.switches) {
        for (const Switch& sw : *fabric.switches) {
            switches_.emplace(sw.wwn, &sw);
            if (!sw.ports) continue;
            for (const SwitchPort& port : *sw.ports) {
                switchPorts_.emplace(port.wwn, &port);
                if (!port.attached) continue;
                for (const AttachedPort& attached : *port.attached) {
                    attachedByWwn_.emplace(attached.wwn, &attached);
                    if (attached.fcid) attachedByFcid_.emplace(*attached.fcid, &attached);
                }
            }
        }
    }
    if (fabric.platforms)
        for (const Platform& platform : *fabric.platforms) platforms_.emplace(platform.name, &platform);
    if (fabric.zoning && fabric.zoning->database)
        for (const ZoneSet& set : *fabric.zoning->database) zoneSets_.emplace(set.name, &set);
}

}  // namespace fabricsim
