// Counts and pictures of files the probe's writers produce.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>

#include "Count.h"
#include "DotText.h"
#include "Picture.h"
#include "Summary.h"
#include "ViewTestFiles.h"

namespace {

const std::string kF = "100000000000A001";

std::string wwn(unsigned prefix, unsigned n) {
    char text[17];
    std::snprintf(text, sizeof text, "%04X0000%08X", prefix & 0xFFFF, n);
    return text;
}

// Two switches joined by `isls` links, each with `hosts` end ports on nodes of
// one platform per node; switch 1 also has an offline port.
std::string fabricFile(unsigned hosts, unsigned isls) {
    OutputBuilder b(FileKind::Topology);
    b.fabric(kF);
    for (unsigned s = 1; s <= 2; ++s) {
        const std::string sw = wwn(0x1000, s);
        b.rec("FabricToInterconnectElement", {sw, kF});
        b.rec("InterconnectElement", {sw, sw, "Switch", std::to_string(s), "sw-" + std::to_string(s), "FFFC0" + std::to_string(s),
                                      "V", "M", "R", "", "", ""});
        for (unsigned l = 1; l <= isls; ++l) {
            const std::string port = wwn(0x2000 + s, l), far = wwn(0x2000 + 3 - s, l);
            b.rec("SwitchToPort", {port, sw}).rec("SwitchPort", {port, "E_Port", "Online", std::to_string(l)});
            b.rec("PortToPort", {port, far});
        }
        for (unsigned h = 1; h <= hosts; ++h) {
            const std::string port = wwn(0x3000 + s, h), end = wwn(0x4000 + s, h), node = wwn(0x5000, h);
            b.rec("SwitchToPort", {port, sw}).rec("SwitchPort", {port, "F_Port", "Online", std::to_string(100 + h)});
            b.rec("PortToPort", {port, end}).rec("Node", {node, "", "", "", "", ""}).rec("NodeToPort", {node, end});
            b.rec("EndPort", {end, "N_Port", "0" + std::to_string(s) + "0100"});
        }
        if (s == 1) {
            const std::string port = wwn(0x6000, 1);
            b.rec("SwitchToPort", {port, sw}).rec("SwitchPort", {port, "F_Port", "Offline", "99"});
        }
    }
    for (unsigned h = 1; h <= hosts; ++h)
        b.rec("Node", {wwn(0x5000, h), "host" + std::to_string(h), "Host", "", "", ""});
    b.rec("Node", {wwn(0x5FFF, 1), "array", "Storage Subsystem", "", "", ""});
    b.end();
    return b.text();
}

std::string dotOf(const std::string& text, PictureLimits limits = {}) {
    Picture picture(limits);
    checkText(text, {&picture});
    std::ostringstream out;
    picture.writeDot(out, "test.dat");
    return out.str();
}

TEST(Summary, CountsPastTheIdentifierLimitAreMarkedAsLowerBounds) {
    SummaryCollector summary(10);
    checkText(fabricFile(6, 1), {&summary});
    const FabricCounts& c = summary.fabrics().front();
    EXPECT_EQ(2u, c.switches);  // plain counts need no identifiers
    EXPECT_EQ(15u, c.switchPorts);
    EXPECT_TRUE(c.endPorts.atLeast);
    EXPECT_TRUE(c.nodes.atLeast);
    const std::string table = formatSummary("x.dat", FileKind::Topology, summary.fabrics());
    EXPECT_NE(std::string::npos, table.find("the count is a lower bound"));
    EXPECT_EQ(std::string::npos, table.find("15+"));
}

TEST(Picture, LargeFabricsAreDrawnWithCollapsedCounts) {
    PictureLimits limits;
    limits.endPortsPerSwitch = 5;
    const std::string dot = dotOf(fabricFile(40, 3), limits);
    // Each switch draws five end ports and one count for the other 35.
    EXPECT_EQ(10u, countOf(dot, "N_Port \xC2\xB7"));
    EXPECT_EQ(2u, countOf(dot, "35 more end ports"));
    EXPECT_EQ(1u, countOf(dot, "3 ISLs"));
    EXPECT_EQ(2u, countOf(dot, "subgraph cluster_f1_s"));
    // Platforms whose nodes are only counted share a note; none is said to be unattached.
    EXPECT_NE(std::string::npos, dot.find("platforms with no node drawn here:"));
    EXPECT_NE(std::string::npos, dot.find("\xE2\x80\xA6 28 more platforms"));
    EXPECT_EQ(std::string::npos, dot.find("not attached in this fabric"));
    EXPECT_NE(std::string::npos, dot.find("label=\"sw-1\\ndomain 1 \xC2\xB7 Switch"));
}

TEST(Picture, ZoneMembersPastTheLimitAreCounted) {
    PictureLimits limits;
    limits.membersPerZone = 1;
    EXPECT_TRUE(contains(dotOf(readFile(sourcePath("tests/zoning/expected/full_db.dat")), limits), " more\"]"));
}

TEST(Picture, LabelsAreValidUtf8AndQuotedForDot) {
    EXPECT_EQ("\xC3\xBF" "a?b", labelText("\xFF" "a\tb"));
    EXPECT_EQ("\xE2\x82\xAC", labelText("\xE2\x82\xAC"));   // already UTF-8
    EXPECT_EQ("abc\xE2\x80\xA6", labelText("abcdef", 3));
    EXPECT_EQ("\"a\\\"b\\\\c\\nd\"", dotQuote("a\"b\\c\nd"));

    const std::string f = kF;
    OutputBuilder b(FileKind::Topology);
    b.fabric(f).rec("FabricToInterconnectElement", {"100000051E0A0001", f});
    b.rec("InterconnectElement", {"100000051E0A0001", "100000051E0A0001", "Switch", "1", "a\"b\\", "", "", "", "", "", "", ""});
    b.end();
    const std::string dot = dotOf(b.text());
    EXPECT_NE(std::string::npos, dot.find("label=\"a\\\"b\\\\\\ndomain 1")) << dot;
}

}  // namespace
