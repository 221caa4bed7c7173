// Data lines written by the probe's own field writer split back into the values
// it was given, whatever quotes, commas and backslashes they hold.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "QuotedFields.h"
#include "ViewTestFiles.h"

namespace {

// The data line the probe writes for these values.
std::string dataLine(const std::vector<std::string>& values) {
    OutputBuilder builder(FileKind::NoColumns);
    builder.rec("S", values);
    const std::string text = builder.text();
    const std::size_t start = text.find("[S]\n") + 4;
    return text.substr(start, text.find('\n', start) - start);
}

const std::vector<std::string> kTricky = {
    "", "plain", "a\"b", "back\\", "\\", "\\\"", "\",\"", "x\\\",\\\"y", ",", "\"", "\"\"", "tab\there", "a\\\\",
};

TEST(QuotedFields, EveryValueTripleTheProbeWritesSplitsBack) {
    for (const std::string& a : kTricky)
        for (const std::string& b : kTricky)
            for (const std::string& c : kTricky) {
                const std::vector<std::string> values = {a, b, c};
                const FieldSplit split = splitFields(dataLine(values), 3);
                ASSERT_TRUE(split.ok) << dataLine(values) << ": " << split.error;
                EXPECT_EQ(values, split.fields) << dataLine(values);
            }
}

TEST(QuotedFields, LineBreaksInValuesAreWrittenEscapedAndReadAsText) {
    const FieldSplit split = splitFields(dataLine({"edge\r\nnorth", "x"}), 2);
    ASSERT_TRUE(split.ok);
    EXPECT_EQ("edge%0D%0Anorth", split.fields[0]);
}

TEST(QuotedFields, AQuoteAfterABackslashIsReadBothWays) {
    // A value ending in a backslash closes with what looks like an escaped quote.
    FieldSplit s = splitFields("\"a\\\",\"b\"", 2);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ((std::vector<std::string>{"a\\", "b"}), s.fields);
    s = splitFields("\"a\\\",\\\"b\"", 1);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ((std::vector<std::string>{"a\",\"b"}), s.fields);
    s = splitFields("\"\\\"", 1);
    ASSERT_TRUE(s.ok);
    EXPECT_EQ((std::vector<std::string>{"\\"}), s.fields);
}

TEST(QuotedFields, BrokenLinesSayWhatAndWhere) {
    FieldSplit s = splitFields("\"a\",\"b\"", 3);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ("2 fields where 3 are expected", s.error);

    s = splitFields("\"a\"b\",\"c\"", 2);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(4u, s.errorColumn);
    EXPECT_NE(std::string::npos, s.error.find("text follows a closing double quote"));

    s = splitFields("\"abc", 1);
    EXPECT_FALSE(s.ok);
    EXPECT_NE(std::string::npos, s.error.find("closing double quote is missing"));

    s = splitFields("abc", 1);
    EXPECT_NE(std::string::npos, s.error.find("does not begin with a double quote"));

    s = splitFields("\"a\",", 2);
    EXPECT_NE(std::string::npos, s.error.find("missing after the last comma"));

    s = splitFields("\"a\", \"b\"", 2);
    EXPECT_FALSE(s.ok);
    EXPECT_EQ(5u, s.errorColumn);
}

TEST(QuotedFields, ManyQuotesAfterBackslashesStaySmall) {
    // Each '\",' could end a field: the reading is found without trying every mix.
    std::string line;
    for (int i = 0; i < 4000; ++i) line += "\"a\\\",\",";
    line += "\"end\"";
    const FieldSplit s = splitFields(line, 12);
    EXPECT_FALSE(s.ok);
    const FieldSplit t = splitFields("\"a\\\",\",\"a\\\",\",\"end\"", 3);
    EXPECT_TRUE(t.ok);
}

}  // namespace
