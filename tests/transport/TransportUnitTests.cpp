// Pure parts of the transport and the hba.conf check, without an HBA library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CtIu.h"
#include "GsPreambles.h"
#include "GsTransport.h"
#include "HbaAccess.h"
#include "HexDump.h"
#include "TempDir.h"
#include "TraceCapture.h"

namespace {
std::string escaped(const std::string& input, std::size_t outputSize = 1024) {
    std::vector<char> output(outputSize + 8, '@');
    hexToHexString(input.c_str(), output.data(), outputSize);
    // Nothing beyond the given size may be touched.
    for (std::size_t i = outputSize; i < output.size(); ++i) EXPECT_EQ(output[i], '@') << "byte " << i;
    return std::string(output.data());
}

const TempDir confDir;
std::string confFile(const std::string& name, const std::string& content) {
    return confDir.write(name + ".conf", content);
}

std::vector<std::string> dumpOf(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::string> lines;
    hexDumpLines(ByteSpan{bytes.data(), bytes.size()}, [&](const char* line) { lines.emplace_back(line); });
    return lines;
}
}  // namespace

TEST(HexToHexString, EscapesQuotingCharactersAndNonPrintables) {
    EXPECT_EQ(escaped("a\"b<c"), "a%22b%3Cc");
    EXPECT_EQ(escaped("tab\there & 100% >"), "tab%09here %26 100%25 %3E");
    EXPECT_EQ(escaped("plain text 1.2/3"), "plain text 1.2/3");
    EXPECT_EQ(escaped("\x7f\xff\x01"), "%7F%FF%01");
    EXPECT_EQ(escaped(""), "");
}

TEST(HexToHexString, NeverWritesPastTheOutputAndNeverSplitsAnEscape) {
    EXPECT_EQ(escaped("abcdef", 4), "abc");
    EXPECT_EQ(escaped("ab\"cd", 5), "ab");      // "%22" needs three bytes plus the terminator
    EXPECT_EQ(escaped("ab\"cd", 6), "ab%22");
    EXPECT_EQ(escaped("\"", 1), "");
    std::string hundredEscapes;
    for (int i = 0; i < 100; ++i) hundredEscapes += "%3C";
    EXPECT_EQ(escaped(std::string(5000, '<'), 301), hundredEscapes);

    char untouched[2] = {'x', 'y'};
    hexToHexString("abc", untouched, 0);
    EXPECT_EQ(untouched[0], 'x');
    hexToHexString("abc", nullptr, 10);  // nothing to write into: no crash

    char out[8];
    hexToHexString(nullptr, out, sizeof out);
    EXPECT_STREQ(out, "");
}

TEST(CtMaxSize, WordsAfterTheHeaderBigEndian) {
    EXPECT_EQ(ctMaxSizeWords(24), 0x0002);
    EXPECT_EQ(ctMaxSizeWords(8212), 0x0801);
    EXPECT_EQ(ctMaxSizeWords(256000), 0xF9FC);
    EXPECT_EQ(ctMaxSizeWords(3996), 0x03E3);
    EXPECT_EQ(ctMaxSizeWords(1044), 0x0101);
    EXPECT_EQ(ctMaxSizeWords(32000), 0x1F3C);
    EXPECT_EQ(ctMaxSizeWords(16), 0);
    EXPECT_EQ(ctMaxSizeWords(19), 0);
    EXPECT_EQ(ctMaxSizeWords(3), 0);
    // Beyond what 16 bits hold, the request asks for the most it can.
    EXPECT_EQ(ctMaxSizeWords(16 + 4 * 0x10000), 0xFFFF);
}

TEST(HexDump, OneLineOf128BytesThenTheRest) {
    EXPECT_TRUE(dumpOf({}).empty());
    EXPECT_EQ(dumpOf({0x00, 0xAB, 0x7f}), std::vector<std::string>{"00 AB 7F "});

    std::vector<std::uint8_t> bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
    const auto lines = dumpOf(bytes);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].size(), 128u * 3);
    EXPECT_EQ(lines[1].size(), 128u * 3);
    EXPECT_EQ(lines[2].size(), 44u * 3);
    EXPECT_EQ(lines[0].substr(0, 9), "00 01 02 ");
    EXPECT_EQ(lines[1].substr(0, 3), "80 ");
    EXPECT_EQ(lines[2].substr(lines[2].size() - 3), "2B ");

    EXPECT_EQ(dumpOf(std::vector<std::uint8_t>(128, 0xFF)).size(), 1u);
}

TEST(Preambles, EachCommandHasItsTypeSubtypeAndCode) {
    struct Row {
        const char* name;
        const std::uint8_t* preamble;
        std::uint8_t type, subtype;
        std::uint16_t code;
    };
    const Row rows[] = {
        {"GIEL", GIEL_PREAMBLE, 0xFA, 0x01, 0x0101},    {"GDID", GDID_PREAMBLE, 0xFA, 0x01, 0x0112},
        {"GMID", GMID_PREAMBLE, 0xFA, 0x01, 0x0113},    {"GFN", GFN_PREAMBLE, 0xFA, 0x01, 0x0114},
        {"GIELN", GIELN_PREAMBLE, 0xFA, 0x01, 0x0115},  {"GMAL", GMAL_PREAMBLE, 0xFA, 0x01, 0x0116},
        {"GIEIL", GIEIL_PREAMBLE, 0xFA, 0x01, 0x0117},  {"GPL", GPL_PREAMBLE, 0xFA, 0x01, 0x0118},
        {"GPPN", GPPN_PREAMBLE, 0xFA, 0x01, 0x0122},    {"GAPNL", GAPNL_PREAMBLE, 0xFA, 0x01, 0x0124},
        {"GPS", GPS_PREAMBLE, 0xFA, 0x01, 0x0126},      {"GPLNL", GPLNL_PREAMBLE, 0xFA, 0x01, 0x0191},
        {"GPLT", GPLT_PREAMBLE, 0xFA, 0x01, 0x0192},    {"GPLML", GPLML_PREAMBLE, 0xFA, 0x01, 0x0193},
        {"GPNL", GPNL_PREAMBLE, 0xFA, 0x01, 0x01A2},    {"GID_PN", GID_PN_PREAMBLE, 0xFC, 0x02, 0x0121},
        {"GNN_ID", GNN_ID_PREAMBLE, 0xFC, 0x02, 0x0113}, {"GZC", GZC_PREAMBLE, 0xFA, 0x03, 0x0100},
        {"GZSN", GZSN_PREAMBLE, 0xFA, 0x03, 0x0112},    {"GAZS", GAZS_PREAMBLE, 0xFA, 0x03, 0x0115},
        {"GZS", GZS_PREAMBLE, 0xFA, 0x03, 0x0116},
    };
    for (const Row& row : rows) {
        const std::uint8_t expected[16] = {0x01, 0, 0, 0, row.type, row.subtype, 0, 0,
                                           std::uint8_t(row.code >> 8), std::uint8_t(row.code), 0, 0, 0, 0, 0, 0};
        EXPECT_EQ(std::memcmp(row.preamble, expected, 16), 0) << row.name;
    }
    EXPECT_EQ(Accept_CT[0], 0x80);
    EXPECT_EQ(Accept_CT[1], 0x02);
    EXPECT_EQ(Logical_Busy_Error, 0x05);
}

TEST(IssueGS3Command, RefusesWithoutAVersion) {
    resetSendCTPassThruVersion();
    const Wwn port{{0x10, 0, 0, 0, 0xC9, 0xA0, 0, 1}};
    std::uint8_t request[24];
    std::memcpy(request, GFN_PREAMBLE, 16);
    std::uint8_t response[24];
    std::memset(response, 0xEE, sizeof response);
    std::uint8_t reason = 0x77, explanation = 0x66;

    EXPECT_EQ(IssueGS3Command(1, port, request, sizeof request, response, sizeof response, reason, explanation),
              -1001);
    EXPECT_EQ(response[0], 0xEE) << "nothing was sent, so nothing is cleared";
    EXPECT_EQ(reason, 0x77);
    EXPECT_EQ(explanation, 0x66);
}

TEST(CheckHbaConfig, MissingCommentOnlyAndBadThenGood) {
    EXPECT_EQ(checkHBAConfig(confDir.file("no-such.conf").c_str()), -1);
    EXPECT_EQ(checkHBAConfig(confDir.path().c_str()), -1) << "a directory is not a configuration";

    {
        TraceCapture trace;
        EXPECT_EQ(checkHBAConfig(confFile("comments", "# vendor libraries\n\n#good " TRANSPORT_GOOD_LIB "\n\n").c_str()),
                  1);
        const std::string text = trace.finish();
        EXPECT_NE(text.find("Unable to load any libraries"), std::string::npos) << text;
        EXPECT_EQ(text.find("loaded successfully"), std::string::npos);
    }
    {
        TraceCapture trace;
        EXPECT_EQ(checkHBAConfig(confFile("badgood", "bad /nonexistent/libbad.so\n"
                                                     "good " TRANSPORT_GOOD_LIB "\n"
                                                     "never /nonexistent/libnever.so\n")
                                     .c_str()),
                  0);
        const std::string text = trace.finish();
        EXPECT_NE(text.find("could not load /nonexistent/libbad.so"), std::string::npos) << text;
        EXPECT_NE(text.find("library " TRANSPORT_GOOD_LIB " loaded successfully"), std::string::npos);
        EXPECT_EQ(text.find("libnever"), std::string::npos) << "reading stops at the first loadable library";
        EXPECT_EQ(text.find("Unable to load any libraries"), std::string::npos);
    }
}

TEST(CheckHbaConfig, LineShapes) {
    // One word is not a library line, even when the word names a loadable library.
    EXPECT_EQ(checkHBAConfig(confFile("oneword", TRANSPORT_GOOD_LIB "\n").c_str()), 1);
    // Blank-led, tab-separated, CRLF ended, and extra words all still give name and path.
    EXPECT_EQ(checkHBAConfig(confFile("shapes", "  good\t" TRANSPORT_GOOD_LIB "\r\n").c_str()), 0);
    EXPECT_EQ(checkHBAConfig(confFile("extra", "good " TRANSPORT_GOOD_LIB " extra words\n").c_str()), 0);
    // The last line need not end with a newline.
    EXPECT_EQ(checkHBAConfig(confFile("noeol", "# c\ngood " TRANSPORT_GOOD_LIB).c_str()), 0);
    // A "#" comments only in the first column; later it is part of a library's name.
    EXPECT_EQ(checkHBAConfig(confFile("hashlater", " #good " TRANSPORT_GOOD_LIB "\n").c_str()), 0);
    // Long garbage lines and binary bytes are read and skipped.
    EXPECT_EQ(checkHBAConfig(confFile("garbage", std::string(1 << 20, 'x') + " " + std::string(70000, 'y') +
                                                     "\n\x01\x02\xff\n" + "good " TRANSPORT_GOOD_LIB "\n")
                                 .c_str()),
              0);
    EXPECT_EQ(checkHBAConfig(confFile("empty", "").c_str()), 1);
}
