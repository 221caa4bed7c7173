#include "Picture.h"

#include "DotText.h"

void Picture::fabricStart(const std::string& wwn, std::uint64_t) {
    open_ = fabrics_.size() < limits_.fabrics;
    if (!open_) {
        ++hiddenFabrics_;
        return;
    }
    Fabric fabric;
    fabric.wwn = wwn;
    const std::string id = "f" + std::to_string(fabrics_.size() + 1);
    fabric.topology = std::make_unique<TopologyPicture>(limits_, id);
    fabric.zoning = std::make_unique<ZoningPicture>(limits_, id);
    fabrics_.push_back(std::move(fabric));
}

void Picture::record(const Record& record) {
    if (!open_) return;
    if (sectionInfo(record.section).kind == FileKind::Topology)
        fabrics_.back().topology->record(record);
    else
        fabrics_.back().zoning->record(record);
}

void Picture::fabricEnd(std::uint64_t, bool closed) {
    if (open_) fabrics_.back().closed = closed;
    open_ = false;
}

void Picture::writeDot(std::ostream& out, const std::string& title) const {
    out << "graph fabrics {\n"
        << "  graph [rankdir=LR, compound=true, newrank=true, fontname=\"DejaVu Sans\", fontsize=12, labelloc=t, "
           "nodesep=0.25, ranksep=0.9, label="
        << dotQuote(labelText(title, 120) + "\n" + fileKindText(kind_)) << "];\n"
        << "  node [fontname=\"DejaVu Sans\", fontsize=10, shape=box, style=\"rounded,filled\", fillcolor=\"#ffffff\"];\n"
        << "  edge [fontname=\"DejaVu Sans\", fontsize=9, color=\"#555555\"];\n";
    // A left-to-right layout stacks top-level clusters bottom up: the first fabric
    // is written last so that it is drawn on top.
    for (std::size_t i = fabrics_.size(); i-- > 0;) {
        const Fabric& fabric = fabrics_[i];
        std::string label = "Fabric " + (fabric.wwn.empty() ? std::string("(WWN missing)") : labelText(fabric.wwn));
        if (!fabric.closed) label += "\n(the file ends before this fabric's block does)";
        out << "subgraph cluster_f" << i + 1 << " {\n"
            << "  label=" << dotQuote(label) << "; fontsize=13; style=rounded; color=\"#333333\";\n";
        fabric.topology->writeDot(out);
        fabric.zoning->writeDot(out);
        // A cluster with nothing in it would not be drawn at all.
        if (fabric.topology->empty() && fabric.zoning->empty())
            out << "  f" << i + 1 << "_nothing [shape=plaintext, style=\"\", label=\"nothing recorded for this fabric\"];\n";
        out << "}\n";
    }
    writeNotDrawnNote(out, "more_fabrics", hiddenFabrics_, "more fabrics", "more fabrics");
    if (fabrics_.empty() && !hiddenFabrics_) out << "  nothing [shape=plaintext, style=\"\", label=\"no fabric in this file\"];\n";
    out << "}\n";
}
