// A fabric's topology as Graphviz draws it: a cluster per switch, inter-switch
// links, end ports grouped by node, nodes grouped by platform.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "PictureLimits.h"
#include "Record.h"

class TopologyPicture {
public:
    TopologyPicture(const PictureLimits& limits, std::string id) : limits_(limits), id_(std::move(id)) {}
    void record(const Record& record);
    // The clusters and edges, inside the fabric's own cluster.
    void writeDot(std::ostream& out) const;
    bool empty() const { return switches_.empty() && platforms_.empty() && !hiddenSwitches_ && !hiddenPlatforms_; }

private:
    struct Switch {
        std::string wwn, name, type, domain, vendor, model, release;
        bool described = false;
        std::uint64_t ports = 0, online = 0;
        std::map<std::string, std::uint64_t> portTypes;
        std::uint64_t endPortsDrawn = 0, endPortsHidden = 0;
    };
    struct EndPort {
        std::string wwn, type, fcid, node, physical;
        int sw = -1;
    };
    struct Platform {
        std::string name, type;
        std::vector<std::string> nodes;
    };
    struct Link {
        int sw;
        std::uint64_t far;
    };

    int switchFor(const std::string& wwn, bool create);
    void writeSwitch(std::ostream& out, int index) const;
    // fill: the colour of a port drawn in place of its one-port node, else nullptr.
    void writeEndPort(std::ostream& out, int index, const std::string& indent, const char* fill = nullptr) const;

    const PictureLimits& limits_;
    std::string id_;
    std::vector<Switch> switches_;
    std::unordered_map<std::string, int> switchIndex_;
    std::uint64_t hiddenSwitches_ = 0;
    std::unordered_map<std::uint64_t, int> portOwner_;  // switch port hash -> switch
    std::vector<Link> links_;
    std::vector<EndPort> endPorts_;
    std::uint64_t hiddenEndPorts_ = 0;
    std::vector<Platform> platforms_;
    std::unordered_map<std::string, int> platformIndex_;
    std::unordered_set<std::uint64_t> attachedNodes_;  // nodes behind any end port of the fabric
    std::uint64_t hiddenPlatforms_ = 0;

    // Where the stream stands: the switch and port being listed, the last link.
    int currentSwitch_ = -1;
    std::string currentPhysical_;
    std::string lastAttached_;
    int lastAttachedSwitch_ = -1;
    std::string lastAttachedPhysical_;
    std::string pendingNode_;
    Section previous_ = Section::Node;
    bool hasPrevious_ = false;
};
