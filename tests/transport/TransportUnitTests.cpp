// Pure parts of the transport and the hba.conf check, without an HBA library.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "CtIu.h"
#include "GsBytes.h"
#include "GsTransport.h"
#include "HbaAccess.h"
#include "HexDump.h"
#include "TempDir.h"
#include "TraceCapture.h"

namespace {
std::string escaped(const std::string& input, std::size_t outputSize) {
    std::vector<char> output(outputSize + 8, '@');
    hexToHexString(input.c_str(), output.data(), outputSize);
    // Nothing beyond the given size may be touched.
    for (std::size_t i = outputSize; i < output.size(); ++i) EXPECT_EQ(output[i], '@') << "byte " << i;
    return std::string(output.data());
}

const TempDir confDir;

std::vector<std::string> dumpOf(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::string> lines;
    hexDumpLines(ByteSpan{bytes.data(), bytes.size()}, [&](const char* line) { lines.emplace_back(line); });
    return lines;
}
}  // namespace

TEST(HexToHexString, EscapesQuotingAndNonPrintablesAndNeverSplitsAnEscapeOrPassesTheOutput) {
    std::string hundredEscapes;
    for (int i = 0; i < 100; ++i) hundredEscapes += "%3C";
    const struct { std::string input; std::size_t outputSize; std::string expected; } cases[] = {
        {"a\"b<c", 1024, "a%22b%3Cc"},
        {"tab\there & 100% >", 1024, "tab%09here %26 100%25 %3E"},
        {"plain text 1.2/3", 1024, "plain text 1.2/3"},
        {"\x7f\xff\x01", 1024, "%7F%FF%01"},
        {"", 1024, ""},
        {"abcdef", 4, "abc"},
        {"ab\"cd", 5, "ab"},  // "%22" needs three bytes plus the terminator
        {"ab\"cd", 6, "ab%22"},
        {"\"", 1, ""},
        {std::string(5000, '<'), 301, hundredEscapes},
    };
    for (const auto& c : cases) EXPECT_EQ(escaped(c.input, c.outputSize), c.expected) << c.input.substr(0, 20);

    char untouched[2] = {'x', 'y'};
    hexToHexString("abc", untouched, 0);
    EXPECT_EQ(untouched[0], 'x');
    hexToHexString("abc", nullptr, 10);  // nothing to write into: no crash
    char out[8];
    hexToHexString(nullptr, out, sizeof out);
    EXPECT_STREQ(out, "");
}

// The sizes the probe's buffers ask for are checked through IssueGS3Command (SimTests); here
// the ends: no words below a header, and the most 16 bits hold above them.
TEST(CtMaxSize, NothingBelowAHeaderAndTheMostTheFieldHoldsAboveIt) {
    EXPECT_EQ(ctMaxSizeWords(3), 0);
    EXPECT_EQ(ctMaxSizeWords(19), 0);
    EXPECT_EQ(ctMaxSizeWords(16 + 4 * 0xFFFF), 0xFFFF);
    EXPECT_EQ(ctMaxSizeWords(16 + 4 * 0x10000), 0xFFFF);
}

TEST(HexDump, OneLineOf128BytesThenTheRest) {
    EXPECT_TRUE(dumpOf({}).empty());
    std::vector<std::uint8_t> bytes(300);
    std::vector<std::string> expected(3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7);
        expected[i / 128] += toHex({bytes[i]}) + " ";
    }
    EXPECT_EQ(dumpOf(bytes), expected);
    EXPECT_EQ(dumpOf(std::vector<std::uint8_t>(128, 0xFF)).size(), 1u);
}

// A library line is a name and a path; reading stops at the first library that loads.
TEST(CheckHbaConfig, TheFirstLoadableLibraryOfTheFileDecides) {
    const std::string good = TRANSPORT_GOOD_LIB;
    // seen, unseen: in the trace
    const struct { const char* name; std::string content; int status; std::vector<std::string> seen, unseen; } cases[] = {
        {"comments", "# vendor libraries\n\n#good " + good + "\n\n", 1, {"Unable to load any libraries"},
         {"loaded successfully"}},
        {"badgood", "bad /nonexistent/libbad.so\ngood " + good + "\nnever /nonexistent/libnever.so\n", 0,
         {"could not load /nonexistent/libbad.so", "library " + good + " loaded successfully"},
         {"libnever", "Unable to load any libraries"}},
        // One word is not a library line, even when the word names a loadable library.
        {"oneword", good + "\n", 1, {}, {}},
        // Blank-led, tab-separated, CRLF ended, and extra words all still give name and path.
        {"shapes", "  good\t" + good + "\r\n", 0, {}, {}},
        {"extra", "good " + good + " extra words\n", 0, {}, {}},
        {"noeol", "# c\ngood " + good, 0, {}, {}},
        // A "#" comments only in the first column; later it is part of a library's name.
        {"hashlater", " #good " + good + "\n", 0, {}, {}},
        // Long garbage lines and binary bytes are read and skipped.
        {"garbage", std::string(1 << 20, 'x') + " " + std::string(70000, 'y') + "\n\x01\x02\xff\ngood " + good + "\n",
         0, {}, {}},
        {"empty", "", 1, {}, {}},
    };
    for (const auto& c : cases)
        for (const bool traced : {true, false}) {  // the result never depends on the trace
            SCOPED_TRACE(std::string(c.name) + (traced ? " traced" : " untraced"));
            TraceCapture trace(traced);
            EXPECT_EQ(checkHBAConfig(confDir.write(std::string(c.name) + ".conf", c.content).c_str()), c.status);
            const std::string text = trace.finish();
            for (const std::string& part : c.seen) EXPECT_EQ(text.find(part) != std::string::npos, traced) << part;
            for (const std::string& part : c.unseen) EXPECT_EQ(text.find(part), std::string::npos) << part;
        }
    EXPECT_EQ(checkHBAConfig(confDir.file("no-such.conf").c_str()), -1);
    EXPECT_EQ(checkHBAConfig(confDir.path().c_str()), -1) << "a directory is not a configuration";
}
