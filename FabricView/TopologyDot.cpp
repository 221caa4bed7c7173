// The topology picture's Graphviz text: where each node is drawn, then the
// switch clusters, platform clusters, notes and edges.
#include <algorithm>

#include "CountText.h"
#include "DotText.h"
#include "FieldFormats.h"
#include "TopologyPicture.h"

namespace {

bool isHostType(const std::string& type) { return type == "Host" || type == "HBA"; }
bool isStorageType(const std::string& type) { return type.find("Storage") != std::string::npos; }


constexpr int kFabric = -1;  // a node drawn in the fabric's cluster, outside any switch's

}  // namespace

// End ports grouped by node (nodes in order of appearance) and each node's platform.
struct TopologyPicture::Layout {
    std::unordered_map<std::string, int> platformOf;  // the first platform that lists the node
    std::vector<std::string> nodes;
    std::unordered_map<std::string, std::vector<int>> portsOf;
    std::unordered_map<std::string, int> nodeNumber;

    // Whether the node is drawn inside platform p.
    bool inPlatform(const std::string& node, std::size_t p) const {
        auto it = platformOf.find(node);
        return portsOf.count(node) && it != platformOf.end() && it->second == static_cast<int>(p);
    }
};

TopologyPicture::Layout TopologyPicture::layout() const {
    Layout l;
    for (std::size_t p = 0; p < platforms_.size(); ++p)
        for (const std::string& node : platforms_[p].nodes) l.platformOf.emplace(node, static_cast<int>(p));
    for (std::size_t i = 0; i < endPorts_.size(); ++i) {
        const std::string& node = endPorts_[i].node;
        if (node.empty()) continue;
        auto& ports = l.portsOf[node];
        if (ports.empty()) l.nodes.push_back(node);
        ports.push_back(static_cast<int>(i));
    }
    for (std::size_t n = 0; n < l.nodes.size(); ++n) l.nodeNumber[l.nodes[n]] = static_cast<int>(n);
    return l;
}

// A node's home without a platform: the one switch all its ports attach to, else the fabric.
int TopologyPicture::switchHome(const Layout& l, const std::string& node) const {
    const auto& ports = l.portsOf.at(node);
    const int sw = endPorts_[ports.front()].sw;
    for (int p : ports)
        if (endPorts_[p].sw != sw) return kFabric;
    return sw;
}

std::string TopologyPicture::nodeType(const Layout& l, const std::string& node) const {
    auto it = l.platformOf.find(node);
    return it == l.platformOf.end() ? std::string() : platforms_[it->second].type;
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

void TopologyPicture::writeNode(std::ostream& out, const Layout& l, const std::string& node,
                                const std::string& indent) const {
    const std::string type = nodeType(l, node);
    const char* fill = isHostType(type) ? "#e2f2df" : isStorageType(type) ? "#fbe3d3" : "#fdf6d8";
    const std::vector<int>& ports = l.portsOf.at(node);
    if (ports.size() == 1) {
        writeEndPort(out, ports.front(), indent, fill);
        return;
    }
    out << indent << "subgraph cluster_" << id_ << "_n" << l.nodeNumber.at(node) << " {\n"
        << indent << "  label=" << dotQuote("node " + node) << "; style=\"rounded,filled\"; fillcolor=\"#f6f6f6\"; color=\"#9a9a9a\";\n"
        << indent << "  node [fillcolor=\"" << fill << "\"];\n";
    for (int p : ports) writeEndPort(out, p, indent + "  ");
    out << indent << "}\n";
}

void TopologyPicture::writeSwitchCluster(std::ostream& out, const Layout& l, int index) const {
    const Switch& sw = switches_[index];
    out << "  subgraph cluster_" << id_ << "_s" << index << " {\n"
        << "    label=\"\"; style=\"rounded,filled\"; fillcolor=\"#eef3fa\"; color=\"#4a6fa5\";\n";
    writeSwitch(out, index);
    for (const std::string& node : l.nodes)
        if (!l.platformOf.count(node) && switchHome(l, node) == index) writeNode(out, l, node, "    ");
    for (std::size_t e = 0; e < endPorts_.size(); ++e)
        if (endPorts_[e].node.empty() && endPorts_[e].sw == index) writeEndPort(out, static_cast<int>(e), "    ");
    if (sw.endPortsHidden)
        out << "    " << id_ << "_s" << index << "_more [shape=plaintext, style=\"\", label="
            << dotQuote("\xE2\x80\xA6 " + plural(sw.endPortsHidden, "more end port", "more end ports")) << "];\n";
    out << "  }\n";
}

// Platform p's cluster with its attached nodes and a note of the others; false, and
// nothing written, when none of its nodes is attached here.
bool TopologyPicture::writePlatformCluster(std::ostream& out, const Layout& l, std::size_t p) const {
    const Platform& platform = platforms_[p];
    if (std::none_of(platform.nodes.begin(), platform.nodes.end(),
                     [&](const std::string& node) { return l.inPlatform(node, p); }))
        return false;
    std::string title = labelText(platform.name.empty() ? "(unnamed platform)" : platform.name);
    if (!platform.type.empty()) title += "\n" + labelText(platform.type);
    out << "  subgraph cluster_" << id_ << "_p" << p << " {\n"
        << "    label=" << dotQuote(title) << "; style=\"rounded,dashed\"; color=\"#7a7a7a\";\n";
    std::vector<std::string> away;
    std::uint64_t notDrawn = 0;
    for (const std::string& node : platform.nodes) {
        if (l.inPlatform(node, p))
            writeNode(out, l, node, "    ");
        else if (attachedNodes_.count(hash64(node)))
            ++notDrawn;
        else if (!l.portsOf.count(node))
            away.push_back(node);
    }
    if (!away.empty() || notDrawn) writeAwayNote(out, p, away, notDrawn);
    out << "  }\n";
    return true;
}

void TopologyPicture::writeAwayNote(std::ostream& out, std::size_t p, const std::vector<std::string>& away,
                                    std::uint64_t notDrawn) const {
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

// Platforms none of whose nodes is attached here share one note.
void TopologyPicture::writeElsewhereNote(std::ostream& out, const std::vector<std::size_t>& elsewhere) const {
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

// Inter-switch links: the halves seen from each side, counted once per direction.
void TopologyPicture::writeSwitchLinks(std::ostream& out) const {
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
}

void TopologyPicture::writeEndPortLinks(std::ostream& out, const Layout& l) const {
    for (std::size_t e = 0; e < endPorts_.size(); ++e) {
        const EndPort& port = endPorts_[e];
        const std::string sw = id_ + "_s" + std::to_string(port.sw);
        const std::string end = id_ + "_e" + std::to_string(e);
        const std::string label = port.physical.empty() ? "" : " [label=" + dotQuote("port " + port.physical) + "]";
        // Hosts to the left of their switches, everything else to the right.
        if (isHostType(nodeType(l, port.node)))
            out << "  " << end << " -- " << sw << label << ";\n";
        else
            out << "  " << sw << " -- " << end << label << ";\n";
    }
    for (std::size_t s = 0; s < switches_.size(); ++s)
        if (switches_[s].endPortsHidden)
            out << "  " << id_ << "_s" << s << " -- " << id_ << "_s" << s << "_more [style=dashed];\n";
}

void TopologyPicture::writeDot(std::ostream& out) const {
    const Layout l = layout();
    for (std::size_t s = 0; s < switches_.size(); ++s) writeSwitchCluster(out, l, static_cast<int>(s));
    std::vector<std::size_t> elsewhere;
    for (std::size_t p = 0; p < platforms_.size(); ++p)
        if (!writePlatformCluster(out, l, p)) elsewhere.push_back(p);
    if (!elsewhere.empty()) writeElsewhereNote(out, elsewhere);
    for (const std::string& node : l.nodes)
        if (!l.platformOf.count(node) && switchHome(l, node) == kFabric) writeNode(out, l, node, "  ");

    // Switches side by side in one rank: links between them run along it, end
    // ports stand on either side (hosts left, the rest right).
    if (switches_.size() > 1) {
        out << "  { rank=same;";
        for (std::size_t sw = 0; sw < switches_.size(); ++sw) out << " " << id_ << "_s" << sw << ";";
        out << " }\n";
    }
    writeSwitchLinks(out);
    writeEndPortLinks(out, l);
    writeNotDrawnNote(out, id_ + "_moreswitches", hiddenSwitches_, "more switch", "more switches");
    writeNotDrawnNote(out, id_ + "_moreplatforms", hiddenPlatforms_, "more platform node", "more platform nodes");
}
