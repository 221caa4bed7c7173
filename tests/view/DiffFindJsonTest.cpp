// Snapshots, their differences and the JSON stream, on files the
// probe's own writers build in memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "JsonStream.h"
#include "JsonText.h"
#include "Snapshot.h"
#include "SnapshotDiff.h"
#include "ViewTestFiles.h"

namespace {

const std::string kF = "100000000000A001";
const std::string kSwitch = "100000000000A001";
const std::string kNode = "20000000C9000001";

// One switch; a node reached through two end ports; a platform holding it.
std::string twoPortNode(bool platformFirst, const std::string& platformName = "host \"one\"") {
    OutputBuilder b(FileKind::Topology);
    b.fabric(kF);
    auto platform = [&] { b.rec("Node", {kNode, platformName, "Host", "", "", "snmp://h1"}); };
    if (platformFirst) platform();
    b.rec("FabricToInterconnectElement", {kSwitch, kF});
    b.rec("InterconnectElement", {kSwitch, kSwitch, "Switch", "1", "core", "FFFC01", "V", "M", "R", "", "", ""});
    for (int p = 1; p <= 2; ++p) {
        const std::string port = "20000000000000A" + std::to_string(p), end = "10000000C900000" + std::to_string(p);
        b.rec("SwitchToPort", {port, kSwitch}).rec("SwitchPort", {port, "F_Port", "Online", std::to_string(p)});
        b.rec("PortToPort", {port, end}).rec("Node", {kNode, "", "", "", "", ""}).rec("NodeToPort", {kNode, end});
        b.rec("EndPort", {end, "N_Port", "01010" + std::to_string(p)});
    }
    if (!platformFirst) platform();
    return b.end().text();
}

Snapshot snapshotOf(const std::string& text) {
    Snapshot s;
    SnapshotBuilder builder(s);
    const Checked c = checkText(text, {&builder});
    EXPECT_TRUE(c.valid()) << c.listing();
    return s;
}

TEST(Snapshot, ANodeThroughTwoPortsIsOneNodeWithBothWhereverItsBlocksStand) {
    for (bool platformFirst : {false, true}) {
        const Snapshot s = snapshotOf(twoPortNode(platformFirst));
        const FabricSnapshot& f = s.fabrics.at(kF);
        ASSERT_EQ(1u, f.of(Kind::Nodes).size());
        EXPECT_EQ("10000000C9000001 10000000C9000002", fieldOf(f.of(Kind::Nodes).at(kNode), "ports"));
        ASSERT_EQ(1u, f.of(Kind::Platforms).size());
        EXPECT_EQ(kNode, fieldOf(f.of(Kind::Platforms).at("host \"one\""), "nodes"));
        EXPECT_EQ("20000000000000A1", fieldOf(f.of(Kind::AttachedPorts).at("10000000C9000001"), "switchPort"));
        EXPECT_EQ(0u, s.conflicts);
    }
    const Snapshot a = snapshotOf(twoPortNode(false)), b = snapshotOf(twoPortNode(true));
    EXPECT_EQ(0u, diffSnapshots({"a", &a}, {"b", &b})["differences"].get<std::size_t>());
}

TEST(Snapshot, ARepeatedKeyWithOtherValuesKeepsTheFirstAndIsCounted) {
    const std::string text = replaced(twoPortNode(false), "\"20000000000000A2\",\"F_Port\",\"Online\",\"2\"",
                                      "\"20000000000000A1\",\"F_Port\",\"Offline\",\"2\"");
    Snapshot s;
    SnapshotBuilder builder(s);
    checkText(text, {&builder});
    EXPECT_EQ(1u, s.conflicts);
    EXPECT_EQ("Online", fieldOf(s.fabrics.at(kF).of(Kind::SwitchPorts).at("20000000000000A1"), "portState"));
}

TEST(SnapshotDiff, QuotesAndNonAsciiValuesAreComparedAndWrittenAsTheyStand) {
    const Snapshot a = snapshotOf(twoPortNode(false));
    const Snapshot b = snapshotOf(twoPortNode(false, "host \"one\" caf\xE9"));
    const nlohmann::ordered_json diff = diffSnapshots({"a", &a}, {"b", &b});
    EXPECT_EQ(2u, diff["differences"].get<std::size_t>());
    const auto& changes = diff["fabrics"][0]["changes"];
    EXPECT_EQ("platforms", changes[0]["kind"]);
    // The host's 8-bit byte 0xE9 is U+00E9 in JSON and in the report.
    EXPECT_EQ("host \"one\"", changes[0]["key"]);
    EXPECT_EQ("removed", changes[0]["change"]);
    EXPECT_EQ("host \"one\" caf\xC3\xA9", changes[1]["key"]);
    EXPECT_NE(std::string::npos, formatDiff(diff).find("+ host \"one\" caf\xC3\xA9 (type Host")) << formatDiff(diff);
    EXPECT_NO_THROW(diff.dump());
}

TEST(JsonText, Utf8PassesAndOtherBytesAreReadAsLatin1) {
    EXPECT_EQ("plain", jsonText("plain"));
    EXPECT_EQ("\xC3\xA9t\xC3\xA9", jsonText("\xC3\xA9t\xC3\xA9"));
    EXPECT_EQ("\xC3\xA9t\xC3\xA9", jsonText("\xE9t\xE9"));
    for (const char* bad : {"\xC3", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF"})
        EXPECT_FALSE(isUtf8(bad)) << bad;
    EXPECT_TRUE(isUtf8("\xF0\x9F\x98\x80"));
}

TEST(JsonStream, EveryRecordByColumnNameInOneDocument) {
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* out = ::open_memstream(&buffer, &size);
    JsonStream stream(out, "in.dat");
    const Checked c = checkText(twoPortNode(false, "a\\\"b,\xE9"), {&stream});
    stream.end(c.errors, c.warnings);
    std::fclose(out);
    const std::string text(buffer, size);
    std::free(buffer);
    EXPECT_EQ("", stream.failure());
    const nlohmann::json doc = nlohmann::json::parse(text);
    EXPECT_EQ("Topology", doc["kind"]);
    EXPECT_EQ(0, doc["errors"]);
    const auto& records = doc["fabrics"][0]["records"];
    EXPECT_EQ(2u, records["SwitchPort"].size());
    EXPECT_EQ("Online", records["SwitchPort"][0]["portState"]);
    EXPECT_EQ("01010" "1", records["EndPort"][0]["fcPortId"]);
    EXPECT_EQ(3u, records["Node"].size());
    EXPECT_EQ("a\\\"b,\xC3\xA9", records["Node"][2]["name"]);
    EXPECT_TRUE(doc["fabrics"][0]["complete"].get<bool>());
}

}  // namespace
