// The checker on the probe's own files and on hand-broken copies of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ViewTestFiles.h"

namespace {

const char kFabric[] = "100000000000A001";

// A small zoning file as the probe writes it: one zone set, one zone, two members.
std::string zoningFile() {
    const std::string f = kFabric;
    OutputBuilder b(FileKind::Zoning);
    b.fabric(f)
        .rec("FabricToZoneSet", {f + ":cfg:1", f})
        .rec("ZoneSet", {f + ":cfg:1", "cfg", "TRUE"})
        .rec("ZoneSetToZone", {f + ":cfg:1", f + ":cfg:z1:1"})
        .rec("Zone", {f + ":cfg:z1:1", "z1", "None"})
        .rec("ZoneMember", {f + ":10000000C9A00001:PortWWN", "10000000C9A00001", "PortWWN"})
        .rec("ZoneToMember", {f + ":10000000C9A00001:PortWWN", f + ":cfg:z1:1"})
        .rec("ZoneMember", {f + ":7,-32768:DomainPort", "7,-32768", "DomainPort"})
        .rec("ZoneToMember", {f + ":7,-32768:DomainPort", f + ":cfg:z1:1"})
        .end();
    return b.text();
}

// A small topology file: a switch, an online port with an end port, a platform node.
std::string topologyFile() {
    const std::string f = kFabric;
    OutputBuilder b(FileKind::Topology);
    b.fabric(f)
        .rec("FabricToInterconnectElement", {"100000051E0A0001", f})
        .rec("InterconnectElement", {"100000051E0A0001", "100000051E0A0001", "Switch", "1", "core \"1\"", "FFFC01",
                                     "V", "M", "R", "", "", ""})
        .rec("SwitchToPort", {"200100051E0A0001", "100000051E0A0001"})
        .rec("SwitchPort", {"200100051E0A0001", "F_Port", "Online", "2"})
        .rec("PortToPort", {"200100051E0A0001", "10000000C9A00001"})
        .rec("Node", {"20000000C9A00001", "", "", "", "", ""})
        .rec("NodeToPort", {"20000000C9A00001", "10000000C9A00001"})
        .rec("EndPort", {"10000000C9A00001", "N_Port", "010100"})
        .rec("Node", {"20000000C9A00001", "host17", "Host", "", "", "snmp://host17"})
        .end();
    return b.text();
}

TEST(Check, FilesTheProbeWritesAreValid) {
    for (const std::string& text : {zoningFile(), topologyFile()}) {
        const Checked c = checkText(text);
        EXPECT_TRUE(c.valid()) << c.listing();
        EXPECT_EQ(0u, c.warnings) << c.listing();
        EXPECT_EQ(1u, c.read.fabrics);
    }
    for (const char* name : {"tests/topology/expected/platforms.dat", "tests/topology/expected/twoadapters.dat",
                             "tests/topology/expected/dense.dat", "tests/topology/expected/headeronly.dat",
                             "tests/zoning/expected/full_db.dat", "tests/zoning/expected/member_types.dat",
                             "tests/zoning/expected/active_only.dat", "tests/zoning/expected/no_zoning.dat"}) {
        const Checked c = checkText(readFile(sourcePath(name)));
        EXPECT_TRUE(c.valid()) << name << "\n" << c.listing();
    }
    EXPECT_EQ(FileKind::Zoning, checkText(zoningFile()).read.kind);
    EXPECT_EQ(FileKind::Topology, checkText(topologyFile()).read.kind);
    EXPECT_EQ(FileKind::NoColumns, checkText("[Header]\n[/Header]\n").read.kind);
}

TEST(Check, ARecordCutInItsDataLineIsInvalidWithTheLineNamed) {
    // As a failed write leaves it.
    const std::string file = zoningFile();
    const std::string partial = file.substr(0, file.find("PortWWN\"") + 3);
    const Checked p = checkText(partial);
    EXPECT_FALSE(p.valid());
    const std::uint64_t last = lineOf(partial, "\"100000000000A001:10000000C9A00001:PortWWN\",\"1");
    EXPECT_TRUE(p.has(last, "no line feed")) << p.listing();
    EXPECT_TRUE(p.has(last, "[ZoneMember] data line")) << p.listing();
    EXPECT_TRUE(p.has(last, "ends inside the [ZoneMember] block")) << p.listing();
}

TEST(Check, EveryCutOfAFileIsReadWithoutHarmAndOnlyBlockEndsAreValid) {
    const std::string file = zoningFile();
    const std::size_t headerEnd = file.find("[/Header]\n") + 10;
    for (std::size_t n = 0; n <= file.size(); ++n) {
        const Checked c = checkText(file.substr(0, n));
        const bool wholeBlocks = n == headerEnd || n == file.size();
        EXPECT_EQ(wholeBlocks, c.valid()) << "cut at byte " << n << "\n" << c.listing();
        if (!wholeBlocks) {
            EXPECT_GT(c.errors, 0u);
        }
    }
}

struct Breakage {
    const char* what;
    std::string from, to;       // first occurrence replaced
    const char* lineOfText;     // the reported line holds this text (after the change); none: the last line
    const char* message;
};

void expectCaught(const std::string& good, const std::vector<Breakage>& cases) {
    for (const Breakage& b : cases) {
        const std::string broken = replaced(good, b.from, b.to);
        ASSERT_NE(good, broken) << b.what;
        const Checked c = checkText(broken);
        EXPECT_FALSE(c.valid()) << b.what;
        const std::uint64_t line = b.lineOfText ? lineOf(broken, b.lineOfText) : std::count(broken.begin(), broken.end(), '\n');
        EXPECT_TRUE(c.has(line, b.message)) << b.what << " (expected at line " << line << ")\n" << c.listing();
    }
}

TEST(Check, HandBrokenZoningCopiesAreCaught) {
    const std::string f = kFabric;
    const std::vector<Breakage> cases = {
        {"missing closing line", "[/Fabric]\n", "", nullptr, "[/Fabric] is missing"},
        {"missing record end", "[/ZoneSet]\n", "", "[ZoneSetToZone]\n\"", "has no closing line [/ZoneSet]"},
        {"wrong field count", "\"cfg\",\"TRUE\"", "\"cfg\"", ",\"cfg\"\n", "2 fields where 3 are expected"},
        {"stray quote", "\"z1\",\"None\"", "\"z\"1\",\"None\"", "\"z\"1\"", "text follows a closing double quote"},
        {"member link to nothing", "\"" + f + ":10000000C9A00001:PortWWN\",\"" + f + ":cfg:z1:1\"",
         "\"" + f + ":10000000C9A00001:PortWWN\",\"" + f + ":cfg:z9:1\"", ":cfg:z9:1",
         "the zone this [ZoneToMember] links to has no [Zone] record"},
        {"link to a missing member", "[ZoneMember]\n\"" + f + ":10000000C9A00001:PortWWN\",\"10000000C9A00001\",\"PortWWN\"\n[/ZoneMember]\n",
         "", "100000000000A001:10000000C9A00001:PortWWN\",\"", "has no [ZoneMember] record"},
        {"zone in no set", "\"" + f + ":cfg:1\",\"" + f + ":cfg:z1:1\"", "\"" + f + ":cfg:1\",\"" + f + ":cfg:z2:1\"",
         "\",\"z1\",\"None\"", "puts this zone in a zone set"},
        {"unknown section", "[Zone]\n\"", "[Zones]\n\"", "[Zones]", "unknown section [Zones]"},
        {"identifier against its fields", "\"cfg\",\"TRUE\"", "\"cfg\",\"FALSE\"", "\"cfg\",\"FALSE\"", "is not \""},
        {"member name form", "\"7,-32768\",\"DomainPort\"", "\"7,-99999\",\"DomainPort\"", "\"7,-99999\"",
         "is not how a DomainPort member is named"},
        {"record outside a fabric", "[Fabric]\n\"", "[Zone]\n\"x\",\"y\",\"None\"\n[/Zone]\n[Fabric]\n\"", "[Zone]\n\"x\"",
         "[Zone] block outside a fabric block"},
        {"topology record in a zoning file", "[ZoneSet]\n\"", "[EndPort]\n\"10000000C9A00001\",\"N_Port\",\"\"\n[/EndPort]\n[ZoneSet]\n\"",
         "[EndPort]", "do not belong in a file whose header is for ZoningOnly"},
        {"fabric of another WWN", "\"" + f + ":cfg:1\",\"" + f + "\"", "\"" + f + ":cfg:1\",\"100000000000A002\"",
         "\"100000000000A002\"", "is not the WWN of its fabric block"},
        {"two data lines", "[/Zone]\n", "\"again\"\n[/Zone]\n", "\"again\"", "more than one data line"},
        {"empty line", "[Zone]\n\"", "\n[Zone]\n\"", "\n[Zone]\n\"", "empty line"},
        {"header cut", "uniqueId,zoneUniqueId\n[ZoneMember]\nuniqueId,name,type\n", "", "[/Header]",
         "header ends after 11 of the 14 lines"},
    };
    expectCaught(zoningFile(), cases);
}

TEST(Check, HandBrokenTopologyCopiesAreCaught) {
    const std::vector<Breakage> cases = {
        {"node link to nothing", "\"20000000C9A00001\",\"10000000C9A00001\"", "\"20000000C9A00009\",\"10000000C9A00001\"",
         "\"20000000C9A00009\"", "has no [Node] record"},
        {"end port attached nowhere", "\"200100051E0A0001\",\"10000000C9A00001\"", "\"200100051E0A0001\",\"10000000C9A00002\"",
         "\"10000000C9A00001\",\"N_Port\"", "attaches this end port"},
        {"port of no switch", "\"200100051E0A0001\",\"100000051E0A0001\"", "\"200100051E0A0001\",\"100000051E0A0009\"",
         "\"100000051E0A0009\"", "has no [InterconnectElement] record"},
        {"type name", "\"F_Port\"", "\"F_port\"", "\"F_port\"", "is no port type name"},
        {"lower-case WWN", "\"10000000C9A00001\",\"N_Port\"", "\"10000000c9a00001\",\"N_Port\"", "\"10000000c9a00001\"",
         "is not a WWN"},
        {"carriage returns", "[/SwitchPort]\n", "[/SwitchPort]\r\n", "[/SwitchPort]", "carriage return"},
        {"no header", "[Header]\n", "", "[Fabric]\n", "does not begin with [Header]"},
        {"second block of one fabric", "[/Fabric]\n", "[/Fabric]\n[Fabric]\n\"100000000000A001\"\n[/Fabric]\n",
         "[Fabric]\n\"100000000000A001\"\n[/Fabric]", "already has a block at line"},
        {"header of the other kind", "[FabricToInterconnectElement]\nswitchWwn", "[FabricToInterconnectElement]\nswitchWWn",
         "switchWWn", "column block has \"switchWwn,fabricWwn\" here"},
        {"NUL byte", "core \\\"1\\\"", std::string("core\0", 5), "core", "NUL byte"},
    };
    expectCaught(topologyFile(), cases);
    EXPECT_TRUE(checkText("").has(0, "the file is empty"));
}

TEST(Check, SwitchesAndPortsTheProbeCouldNotInterpretAreWarnings) {
    // An element of an unknown type gets its fabric link but no record; a port of
    // an unknown type its switch link but no record.
    const std::string f = kFabric;
    OutputBuilder b(FileKind::Topology);
    b.fabric(f)
        .rec("FabricToInterconnectElement", {"100000051E0A0007", f})
        .rec("FabricToInterconnectElement", {"100000051E0A0001", f})
        .rec("InterconnectElement", {"100000051E0A0001", "100000051E0A0001", "Switch", "", "", "", "", "", "", "", "", ""})
        .rec("SwitchToPort", {"200100051E0A0001", "100000051E0A0001"})
        .rec("SwitchToPort", {"200200051E0A0001", "100000051E0A0001"})
        .rec("SwitchPort", {"200200051E0A0001", "E_Port", "Online", ""})
        .rec("PortToPort", {"200200051E0A0001", "200000051E0B0001"})
        .end();
    const Checked c = checkText(b.text());
    EXPECT_TRUE(c.valid()) << c.listing();
    EXPECT_EQ(3u, c.warnings) << c.listing();
}

TEST(Check, LongLinesManyProblemsAndLargeFabricsStayBounded) {
    std::string file = topologyFile();
    file = replaced(file, "\"V\",\"M\"", "\"" + std::string(70000, 'V') + "\",\"M\"");
    Checked c = checkText(file);
    EXPECT_TRUE(c.has(lineOf(file, "VVVV"), "more than the 65536 this reader takes")) << c.listing();

    // Ten thousand broken lines: all counted, the first ones listed.
    std::string noisy = "[Header]\n[/Header]\n";
    for (int i = 0; i < 10000; ++i) noisy += "junk\n";
    Problems problems(5);
    FILE* in = ::fmemopen(noisy.data(), noisy.size(), "rb");
    readOutputFile(in, problems, {});
    std::fclose(in);
    EXPECT_EQ(10000u, problems.errors());
    const std::vector<Problem> kept = problems.kept();
    ASSERT_EQ(5u, kept.size());
    EXPECT_EQ(3u, kept.front().line);
    EXPECT_EQ(7u, kept.back().line);

    // Over the identifier limit the links go unchecked, with a warning and no false error.
    c = checkText(zoningFile(), {}, 6);
    EXPECT_TRUE(c.valid()) << c.listing();
    EXPECT_EQ(1u, c.warnings);
    EXPECT_NE(std::string::npos, c.listing().find("are not checked"));
}

}  // namespace
