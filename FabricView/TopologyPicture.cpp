#include "TopologyPicture.h"

#include <algorithm>

#include "DotText.h"
#include "FieldFormats.h"

namespace {

constexpr std::size_t kMaxLinks = 100000;

bool isHostType(const std::string& type) { return type == "Host" || type == "HBA"; }
bool isStorageType(const std::string& type) { return type.find("Storage") != std::string::npos; }

std::string plural(std::uint64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int TopologyPicture::switchFor(const std::string& wwn, bool create) {
    auto it = switchIndex_.find(wwn);
    if (it != switchIndex_.end()) return it->second;
    if (!create) return -1;
    if (switches_.size() >= limits_.switches) {
        ++hiddenSwitches_;
        switchIndex_.emplace(wwn, -1);  // bounded: at most one entry per listed switch
        return -1;
    }
    Switch s;
    s.wwn = wwn;
    switches_.push_back(s);
    switchIndex_.emplace(wwn, static_cast<int>(switches_.size() - 1));
    return static_cast<int>(switches_.size() - 1);
}

void TopologyPicture::record(const Record& record) {
    const auto& f = record.fields;
    switch (record.section) {
        case Section::FabricToInterconnectElement: switchFor(f[0], true); break;
        case Section::InterconnectElement: {
            currentSwitch_ = switchFor(f[0], true);
            if (currentSwitch_ < 0) break;
            Switch& s = switches_[currentSwitch_];
            s.described = true;
            s.type = f[2];
            s.domain = f[3];
            s.name = f[4];
            s.vendor = f[6];
            s.model = f[7];
            s.release = f[8];
            break;
        }
        case Section::SwitchToPort:
            currentSwitch_ = switchFor(f[1], false);
            currentPhysical_.clear();
            break;
        case Section::SwitchPort:
            currentPhysical_ = f[3];
            if (currentSwitch_ < 0) break;
            {
                Switch& s = switches_[currentSwitch_];
                ++s.ports;
                if (f[2] == "Online") ++s.online;
                ++s.portTypes[f[1]];
            }
            if (portOwner_.size() < limits_.switchPorts) portOwner_[hash64(f[0])] = currentSwitch_;
            break;
        case Section::PortToPort: {
            auto owner = portOwner_.find(hash64(f[0]));
            lastAttachedSwitch_ = owner != portOwner_.end() ? owner->second : currentSwitch_;
            lastAttached_ = f[1];
            lastAttachedPhysical_ = currentPhysical_;
            pendingNode_.clear();
            if (lastAttachedSwitch_ >= 0 && links_.size() < kMaxLinks)
                links_.push_back({lastAttachedSwitch_, hash64(f[1])});
            break;
        }
        case Section::Node:
            if (hasPrevious_ && previous_ == Section::PortToPort) {
                pendingNode_ = f[0];
                break;
            }
            {
                auto it = platformIndex_.find(f[1]);
                if (it == platformIndex_.end()) {
                    if (platforms_.size() >= limits_.platforms) {
                        ++hiddenPlatforms_;
                        if (platformIndex_.size() < limits_.platforms * 64) platformIndex_.emplace(f[1], -1);
                        break;
                    }
                    platforms_.push_back({f[1], f[2], {}});
                    it = platformIndex_.emplace(f[1], static_cast<int>(platforms_.size() - 1)).first;
                }
                if (it->second >= 0 && platforms_[it->second].nodes.size() < 1024)
                    platforms_[it->second].nodes.push_back(f[0]);
            }
            break;
        case Section::NodeToPort:
            if (f[0] != pendingNode_ || f[1] != lastAttached_) pendingNode_.clear();
            if (attachedNodes_.size() < limits_.switchPorts) attachedNodes_.insert(hash64(f[0]));
            break;
        case Section::EndPort: {
            const int sw = f[0] == lastAttached_ ? lastAttachedSwitch_ : -1;
            if (sw < 0 || endPorts_.size() >= limits_.endPorts ||
                switches_[sw].endPortsDrawn >= limits_.endPortsPerSwitch) {
                if (sw >= 0) ++switches_[sw].endPortsHidden;
                ++hiddenEndPorts_;
            } else {
                ++switches_[sw].endPortsDrawn;
                EndPort e;
                e.wwn = f[0];
                e.type = f[1];
                e.fcid = f[2];
                e.node = pendingNode_;
                e.physical = lastAttachedPhysical_;
                e.sw = sw;
                endPorts_.push_back(e);
            }
            pendingNode_.clear();
            break;
        }
        default: break;
    }
    previous_ = record.section;
    hasPrevious_ = true;
}

void TopologyPicture::writeSwitch(std::ostream& out, int index) const {
    const Switch& s = switches_[index];
    std::string label;
    if (!s.described) {
        label = "switch " + s.wwn + "\n(no details in the file)";
    } else {
        // The cluster has no label of its own: links between stacked switches would cross it.
        label = (s.name.empty() ? std::string() : labelText(s.name) + "\n") + "domain " +
                (s.domain.empty() ? std::string("?") : s.domain) + " \xC2\xB7 " + labelText(s.type) + "\n" + s.wwn;
        std::string product = s.vendor;
        for (const std::string* part : {&s.model, &s.release})
            if (!part->empty()) product += (product.empty() ? "" : " ") + *part;
        if (!product.empty()) label += "\n" + labelText(product, 48);
        label += "\n" + plural(s.ports, "port", "ports") + ", " + std::to_string(s.online) + " online";
        std::string types;
        int shown = 0;
        for (const auto& [type, count] : s.portTypes) {
            if (shown++ == 4) {
                types += " \xE2\x80\xA6";
                break;
            }
            types += (types.empty() ? "" : " \xC2\xB7 ") + labelText(type.empty() ? "?" : type, 16) + " " + std::to_string(count);
        }
        if (!types.empty()) label += "\n" + types;
    }
    out << "    " << id_ << "_s" << index << " [shape=box, style=\"rounded,filled,bold\", fillcolor=\"#c6d8f0\", color=\"#4a6fa5\", label="
        << dotQuote(label) << "];\n";
}

void TopologyPicture::writeEndPort(std::ostream& out, int index, const std::string& indent,
                                   const char* fill) const {
    const EndPort& e = endPorts_[index];
    // A node with one port is drawn as that port, its node named on top.
    std::string label = fill ? "node " + e.node + "\n" : std::string();
    label += e.wwn + "\n" + labelText(e.type, 16);
    if (!e.fcid.empty()) label += " \xC2\xB7 " + e.fcid;
    out << indent << id_ << "_e" << index << " [";
    if (fill) out << "fillcolor=\"" << fill << "\", ";
    out << "label=" << dotQuote(label) << "];\n";
}

void TopologyPicture::writeDot(std::ostream& out) const {
    // Which platform each node belongs to (the first that lists it).
    std::unordered_map<std::string, int> platformOf;
    for (std::size_t p = 0; p < platforms_.size(); ++p)
        for (const std::string& node : platforms_[p].nodes) platformOf.emplace(node, static_cast<int>(p));

    // End ports grouped by node, nodes in order of appearance.
    std::vector<std::string> nodes;
    std::unordered_map<std::string, std::vector<int>> portsOf;
    for (std::size_t i = 0; i < endPorts_.size(); ++i) {
        const std::string& node = endPorts_[i].node;
        if (node.empty()) continue;
        auto& ports = portsOf[node];
        if (ports.empty()) nodes.push_back(node);
        ports.push_back(static_cast<int>(i));
    }
    // A node's home: its platform, else the one switch all its ports attach to, else the fabric.
    enum { kFabric = -1 };
    auto switchHome = [&](const std::string& node) {
        const auto& ports = portsOf.at(node);
        const int sw = endPorts_[ports.front()].sw;
        for (int p : ports)
            if (endPorts_[p].sw != sw) return int(kFabric);
        return sw;
    };
    auto nodeType = [&](const std::string& node) {
        auto it = platformOf.find(node);
        return it == platformOf.end() ? std::string() : platforms_[it->second].type;
    };
    std::unordered_map<std::string, int> nodeNumber;
    for (std::size_t n = 0; n < nodes.size(); ++n) nodeNumber[nodes[n]] = static_cast<int>(n);

    auto writeNode = [&](const std::string& node, const std::string& indent) {
        const std::string type = nodeType(node);
        const char* fill = isHostType(type) ? "#e2f2df" : isStorageType(type) ? "#fbe3d3" : "#fdf6d8";
        if (portsOf.at(node).size() == 1) {
            writeEndPort(out, portsOf.at(node).front(), indent, fill);
            return;
        }
        out << indent << "subgraph cluster_" << id_ << "_n" << nodeNumber[node] << " {\n"
            << indent << "  label=" << dotQuote("node " + node) << "; style=\"rounded,filled\"; fillcolor=\"#f6f6f6\"; color=\"#9a9a9a\";\n"
            << indent << "  node [fillcolor=\"" << fill << "\"];\n";
        for (int p : portsOf.at(node)) writeEndPort(out, p, indent + "  ");
        out << indent << "}\n";
    };

    for (std::size_t s = 0; s < switches_.size(); ++s) {
        const Switch& sw = switches_[s];
        out << "  subgraph cluster_" << id_ << "_s" << s << " {\n"
            << "    label=\"\"; style=\"rounded,filled\"; fillcolor=\"#eef3fa\"; color=\"#4a6fa5\";\n";
        writeSwitch(out, static_cast<int>(s));
        for (const std::string& node : nodes)
            if (!platformOf.count(node) && switchHome(node) == static_cast<int>(s)) writeNode(node, "    ");
        for (std::size_t e = 0; e < endPorts_.size(); ++e)
            if (endPorts_[e].node.empty() && endPorts_[e].sw == static_cast<int>(s))
                writeEndPort(out, static_cast<int>(e), "    ");
        if (sw.endPortsHidden)
            out << "    " << id_ << "_s" << s << "_more [shape=plaintext, style=\"\", label="
                << dotQuote("\xE2\x80\xA6 " + plural(sw.endPortsHidden, "more end port", "more end ports")) << "];\n";
        out << "  }\n";
    }

    // Platforms none of whose nodes is attached here share one note.
    std::vector<std::size_t> elsewhere;
    for (std::size_t p = 0; p < platforms_.size(); ++p) {
        const Platform& platform = platforms_[p];
        bool attached = false;
        for (const std::string& node : platform.nodes) {
            auto it = platformOf.find(node);
            attached = attached || (portsOf.count(node) && it != platformOf.end() && it->second == static_cast<int>(p));
        }
        if (!attached) {
            elsewhere.push_back(p);
            continue;
        }
        std::string title = labelText(platform.name.empty() ? "(unnamed platform)" : platform.name);
        if (!platform.type.empty()) title += "\n" + labelText(platform.type);
        out << "  subgraph cluster_" << id_ << "_p" << p << " {\n"
            << "    label=" << dotQuote(title) << "; style=\"rounded,dashed\"; color=\"#7a7a7a\";\n";
        std::vector<std::string> away;
        std::uint64_t notDrawn = 0;
        for (const std::string& node : platform.nodes) {
            auto it = platformOf.find(node);
            if (portsOf.count(node) && it != platformOf.end() && it->second == static_cast<int>(p))
                writeNode(node, "    ");
            else if (attachedNodes_.count(hash64(node)))
                ++notDrawn;
            else if (!portsOf.count(node))
                away.push_back(node);
        }
        if (!away.empty() || notDrawn) {
            std::string text;
            if (!away.empty()) text = "not attached in this fabric:";
            for (std::size_t i = 0; i < away.size() && i < limits_.nodesShownPerPlatform; ++i) text += "\nnode " + away[i];
            if (away.size() > limits_.nodesShownPerPlatform)
                text += "\n\xE2\x80\xA6 " + plural(away.size() - limits_.nodesShownPerPlatform, "more node", "more nodes");
            if (notDrawn)
                text += std::string(text.empty() ? "" : "\n") + plural(notDrawn, "more attached node", "more attached nodes") +
                        " in the counts";
            out << "    " << id_ << "_p" << p << "_away [shape=note, style=filled, fillcolor=\"#ffffff\", color=\"#9a9a9a\", label="
                << dotQuote(text) << "];\n";
        }
        out << "  }\n";
    }

    if (!elsewhere.empty()) {
        std::string text = "platforms with no node drawn here:";
        for (std::size_t i = 0; i < elsewhere.size() && i < limits_.platformsListed; ++i) {
            const Platform& platform = platforms_[elsewhere[i]];
            text += "\n" + labelText(platform.name.empty() ? "(unnamed)" : platform.name) +
                    (platform.type.empty() ? "" : " (" + labelText(platform.type) + ")") + ", " +
                    plural(platform.nodes.size(), "node", "nodes");
        }
        if (elsewhere.size() > limits_.platformsListed)
            text += "\n\xE2\x80\xA6 " + plural(elsewhere.size() - limits_.platformsListed, "more platform", "more platforms");
        out << "  " << id_ << "_elsewhere [shape=note, style=filled, fillcolor=\"#ffffff\", color=\"#9a9a9a\", label="
            << dotQuote(text) << "];\n";
    }

    for (const std::string& node : nodes)
        if (!platformOf.count(node) && switchHome(node) == kFabric) writeNode(node, "  ");

    // Switches side by side in one rank: links between them run along it, end
    // ports stand on either side (hosts left, the rest right).
    if (switches_.size() > 1) {
        out << "  { rank=same;";
        for (std::size_t sw = 0; sw < switches_.size(); ++sw) out << " " << id_ << "_s" << sw << ";";
        out << " }\n";
    }

    // Inter-switch links: the halves seen from each side, counted once per direction.
    std::map<std::pair<int, int>, std::pair<std::uint64_t, std::uint64_t>> isls;
    for (const Link& link : links_) {
        auto far = portOwner_.find(link.far);
        if (far == portOwner_.end() || far->second == link.sw || far->second < 0) continue;
        const int a = std::min(link.sw, far->second), b = std::max(link.sw, far->second);
        auto& counts = isls[{a, b}];
        (link.sw == a ? counts.first : counts.second) += 1;
    }
    for (const auto& [pair, counts] : isls) {
        const std::uint64_t n = std::max(counts.first, counts.second);
        out << "  " << id_ << "_s" << pair.first << " -- " << id_ << "_s" << pair.second
            << " [penwidth=3, color=\"#4a6fa5\"";
        if (n > 1) out << ", label=" << dotQuote(std::to_string(n) + " ISLs");
        out << "];\n";
    }
    for (std::size_t e = 0; e < endPorts_.size(); ++e) {
        const EndPort& port = endPorts_[e];
        const std::string sw = id_ + "_s" + std::to_string(port.sw);
        const std::string end = id_ + "_e" + std::to_string(e);
        const std::string label = port.physical.empty() ? "" : " [label=" + dotQuote("port " + port.physical) + "]";
        // Hosts to the left of their switches, everything else to the right.
        if (isHostType(nodeType(port.node)))
            out << "  " << end << " -- " << sw << label << ";\n";
        else
            out << "  " << sw << " -- " << end << label << ";\n";
    }
    for (std::size_t s = 0; s < switches_.size(); ++s)
        if (switches_[s].endPortsHidden)
            out << "  " << id_ << "_s" << s << " -- " << id_ << "_s" << s << "_more [style=dashed];\n";
    if (hiddenSwitches_)
        out << "  " << id_ << "_moreswitches [shape=note, label="
            << dotQuote("\xE2\x80\xA6 " + plural(hiddenSwitches_, "more switch", "more switches") + " not drawn") << "];\n";
    if (hiddenPlatforms_)
        out << "  " << id_ << "_moreplatforms [shape=note, label="
            << dotQuote("\xE2\x80\xA6 " + plural(hiddenPlatforms_, "more platform node", "more platform nodes") + " not drawn") << "];\n";
}
