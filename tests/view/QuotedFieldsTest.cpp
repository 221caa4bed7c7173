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
    const struct {
        const char* line;
        std::size_t fields, column;  // column 0: any
        const char* error;
    } cases[] = {
        {"\"a\",\"b\"", 3, 0, "2 fields where 3 are expected"},
        {"\"a\"b\",\"c\"", 2, 4, "text follows a closing double quote"},
        {"\"abc", 1, 0, "closing double quote is missing"},
        {"abc", 1, 0, "does not begin with a double quote"},
        {"\"a\",", 2, 0, "missing after the last comma"},
        {"\"a\", \"b\"", 2, 5, ""},
    };
    for (const auto& c : cases) {
        const FieldSplit s = splitFields(c.line, c.fields);
        EXPECT_FALSE(s.ok) << c.line;
        if (c.column) {
            EXPECT_EQ(c.column, s.errorColumn) << c.line;
        }
        EXPECT_NE(std::string::npos, s.error.find(c.error)) << c.line << ": " << s.error;
    }
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
