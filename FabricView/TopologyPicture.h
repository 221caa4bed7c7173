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

    using Fields = std::vector<std::string>;
    struct Layout;

    // Grouping the stream's records.
    int switchFor(const std::string& wwn, bool create);
    void describeSwitch(const Fields& f);
    void countSwitchPort(const Fields& f);
    void linkPort(const Fields& f);
    void addPlatformNode(const Fields& f);
    void addEndPort(const Fields& f);

    // The DOT text.
    Layout layout() const;
    int switchHome(const Layout& l, const std::string& node) const;
    std::string nodeType(const Layout& l, const std::string& node) const;
    void writeSwitch(std::ostream& out, int index) const;
    // fill: the colour of a port drawn in place of its one-port node, else nullptr.
    void writeEndPort(std::ostream& out, int index, const std::string& indent, const char* fill = nullptr) const;
    void writeNode(std::ostream& out, const Layout& l, const std::string& node, const std::string& indent) const;
    void writeSwitchCluster(std::ostream& out, const Layout& l, int index) const;
    bool writePlatformCluster(std::ostream& out, const Layout& l, std::size_t p) const;
    void writeAwayNote(std::ostream& out, std::size_t p, const std::vector<std::string>& away,
                       std::uint64_t notDrawn) const;
    void writeElsewhereNote(std::ostream& out, const std::vector<std::size_t>& elsewhere) const;
    void writeSwitchLinks(std::ostream& out) const;
    void writeEndPortLinks(std::ostream& out, const Layout& l) const;

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
