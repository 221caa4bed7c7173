// The message catalog through real gencat catalogs: the program's own texts,
// language choice and fallback, the cache, and damaged texts.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "Count.h"
#include "Files.h"
#include "TempDir.h"
#include "naMessages.h"
#include "naNls.h"
#include "naTrace.h"
#include "nls/amsglang.h"
#include "nls/amsglog.h"
#include "nls/amsgrtrv.h"

namespace {

// English unless a test asks for another language.
class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("LANG", "C", 1); }
    void TearDown() override {
        naEndNls();
        naEndTrace();
    }
    int init(const std::string& nlsDir, const std::string& errorLog = "") {
        return naInitNls("orxna.cat", "orxna.cat", errorLog, nlsDir);
    }
    TempDir dir;
};

std::vector<MsgArg> markedInserts(const char* letters, std::vector<std::string>* markers) {
    std::vector<MsgArg> args;
    int k = 0;
    for (const char* l = letters; *l; ++l, ++k) {
        if (*l == 'd') {
            args.push_back(MsgArg::ofInt(90000 + k));
            markers->push_back(std::to_string(90000 + k));
        } else {
            markers->push_back("<S" + std::to_string(k) + ">");
            args.push_back(MsgArg::ofStr(markers->back().c_str()));
        }
    }
    return args;
}

TEST_F(CatalogTest, EveryMessageTextTakesItsCallersInsertsInOrder) {
    ASSERT_EQ(0, init(LOGGING_REAL_NLS));
    std::vector<CatalogMessage> all(std::begin(naAllMessages), std::end(naAllMessages));
    // The runtime library's own file messages.
    all.push_back({238, "ANS0238I", "s"});
    all.push_back({239, "ANS0239E", "ss"});
    all.push_back({240, "ANS0240W", "s"});
    all.push_back({264, "ANS0264E", "sds"});
    for (const CatalogMessage& m : all) {
        std::vector<std::string> markers;
        auto text = nlGetMessageTextArgs(m.number, markedInserts(m.inserts, &markers));
        ASSERT_TRUE(text) << m.id;
        EXPECT_EQ(0u, text->text.find(std::string(m.id) + " ")) << text->text;
        std::size_t pos = 0;
        for (const std::string& marker : markers) {
            const std::size_t at = text->text.find(marker, pos);
            EXPECT_NE(std::string::npos, at) << m.id << " lacks " << marker << " in order: " << text->text;
            pos = at == std::string::npos ? pos : at + marker.size();
        }
        EXPECT_NE('\n', text->text.back()) << m.id;
        EXPECT_EQ(std::string::npos, text->text.find('\x01')) << m.id;
    }
}

TEST_F(CatalogTest, GermanLanguageWithoutGermanCatalogStillGivesEnglish) {
    ::setenv("LANG", "de_DE.UTF-8", 1);
    ASSERT_EQ(0, init(LOGGING_REAL_NLS));
    EXPECT_EQ("AGT0430I FabricProbe ended with return code 0.", nlGetMessageText(1805, "FabricProbe", 0));
    // Where a German locale is installed the German directory is tried first
    // and its absence reported; where none is, the message locale is "C".
    const std::string report = nlLastReport();
    if (!report.empty()) {
        EXPECT_EQ(0u, report.find("ANS0102W Unable to open the message repository " + std::string(LOGGING_REAL_NLS) +
                                  "/de_DE"));
        EXPECT_EQ("en_US", nlCatalogLocale());
    }
}

TEST_F(CatalogTest, LanguageChoice) {
    EXPECT_EQ("en_US", nlChooseLanguage(nullptr, nullptr));
    EXPECT_EQ("en_US", nlChooseLanguage("C", "de_DE.UTF-8"));
    EXPECT_EQ("en_US", nlChooseLanguage("POSIX.UTF-8", nullptr));
    EXPECT_EQ("de_DE", nlChooseLanguage(nullptr, "de_DE.UTF-8"));
    EXPECT_EQ("ja_JP", nlChooseLanguage("japanese", nullptr));
    EXPECT_EQ("zh_TW", nlChooseLanguage("tchinese", nullptr));
    EXPECT_EQ("de_DE", nlChooseLanguage("de_DE.UTF-8", nullptr));
    EXPECT_TRUE(nlIsCatalogLocale("ja_JP"));
    EXPECT_FALSE(nlIsCatalogLocale("de_DE"));
    bool unknown = false;
    EXPECT_EQ("Zh_TW", nlShortLanguage("zh_TW.BIG5", &unknown));
    EXPECT_EQ("fr_FR", nlShortLanguage("fr", &unknown));
    EXPECT_EQ("en_US", nlShortLanguage("xx", &unknown));
    EXPECT_TRUE(unknown);
}

TEST_F(CatalogTest, LocalCatalogIsUsedWhenItExistsAndEnglishOnRequest) {
    const std::string nls = dir.file("nls");
    writeFile(dir.mkdirs("nls/en_US") + "/orxna.cat", readFile(LOGGING_REAL_NLS "/en_US/orxna.cat"));
    writeFile(dir.mkdirs("nls/ja_JP") + "/orxna.cat", readFile(LOGGING_TEST_NLS "/en_US/orxna.cat"));
    ::setenv("LANG", "ja_JP.UTF-8", 1);
    ASSERT_EQ(0, init(nls));
    EXPECT_EQ("TST0001I normal x", nlGetMessageText(1, "x"));
    EXPECT_FALSE(nlGetMessageText(1805, "FabricProbe", 0)) << "the local catalog lacks it";
    nlUseEnglishOnce();
    EXPECT_EQ("AGT0430I FabricProbe ended with return code 0.", nlGetMessageText(1805, "FabricProbe", 0));
}

TEST_F(CatalogTest, CacheKeepsTheTenMostRecentMessages) {
    ASSERT_EQ(0, init(LOGGING_REAL_NLS));
    const std::string trace = dir.file("nls.trace");
    ASSERT_EQ(0, naInitTrace(trace, "MIN", 1024));
    trSetClasses("NLS", true, ClassTable, AggregateTable);

    // Ten messages, then the first again: still cached.
    for (int i = 0; i < 10; ++i) ASSERT_NE(nullptr, GetMsg(naAllMessages[i].number)) << i;
    ASSERT_NE(nullptr, GetMsg(naAllMessages[0].number));
    // An eleventh evicts the least recently used (the second), not the first.
    ASSERT_NE(nullptr, GetMsg(naAllMessages[10].number));
    ASSERT_NE(nullptr, GetMsg(naAllMessages[0].number));
    ASSERT_NE(nullptr, GetMsg(naAllMessages[1].number));
    naEndTrace();
    const std::string text = readFile(trace);
    EXPECT_EQ(1u, countOf(text, " (1772)\n")) << "read from the catalog once";
    EXPECT_EQ(2u, countOf(text, "Found message: 1772 in cache."));
    EXPECT_EQ(2u, countOf(text, " (1775)\n")) << "evicted, then read again";
    EXPECT_EQ(1u, countOf(text, "Deleting message: 1775 from the cache."));
}

TEST_F(CatalogTest, MissingMessageIsReportedAndGivesNoText) {
    const std::string errorLog = dir.file("error.log");
    ASSERT_EQ(0, init(LOGGING_REAL_NLS, errorLog));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(nlGetMessageText(9999));
    const std::string out = testing::internal::GetCapturedStdout();
    const std::regex report(R"(ANS9999E BKSlib/common/nls/amsgrtrv\.cpp\(\d+\): Message No 9999 could not be found\.\n)");
    EXPECT_TRUE(std::regex_match(out, report)) << out;
    EXPECT_TRUE(std::regex_match(readFile(errorLog),
                                 std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d ANS9999E .*could not be found\.\n)")))
        << readFile(errorLog);
    EXPECT_EQ(255, nlGetSeverity(9999));
    EXPECT_EQ(4, nlGetSeverity(1804));
    EXPECT_EQ(6, nlGetSeverity(552));
}

TEST_F(CatalogTest, DamagedTextsGiveTheCorruptionReport) {
    ASSERT_EQ(0, init(LOGGING_TEST_NLS));
    for (unsigned number : {4u, 5u, 11u, 12u, 13u, 14u, 17u, 19u}) {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(nlGetMessageText(number, 1, 2, 3)) << number;
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_TRUE(std::regex_match(out, std::regex(R"(ANS9999E BKSlib/common/nls/amsgrtrv\.cpp\(\d+\): Message No )" +
                                                     std::to_string(number) + R"( is corrupted\.\n)")))
            << number << ": " << out;
    }
    testing::internal::CaptureStdout();
    EXPECT_FALSE(nlGetMessageText(8));
    EXPECT_EQ("", testing::internal::GetCapturedStdout()) << "a suppressed message is no error";
}

TEST_F(CatalogTest, TestCatalogTextsInBothForms) {
    ASSERT_EQ(0, init(LOGGING_TEST_NLS));
    EXPECT_EQ("TST0002I count=[7] name=[disk]", nlGetMessageText(2, "disk", 7));
    EXPECT_EQ("TST0003I <   ab>", nlGetMessageText(3, 5, "ab"));
    EXPECT_EQ("TST0006I code at the very end", nlGetMessageText(6));
    EXPECT_EQ("TST0007W with code", nlGetMessageText(7));
    EXPECT_EQ("trace only x", nlGetMessageText(9, "x"));
    EXPECT_EQ("TST2345I five digits", nlGetMessageText(10));
    EXPECT_EQ("zero 5", nlGetMessageText(15, 5));
    EXPECT_EQ("TST0018I", nlGetMessageText(18));
}

std::string captured;
void capture(const char* text) { captured += std::string(text) + "|"; }

TEST_F(CatalogTest, PrintedMessagesGoThroughTheirSeverityAndWarningsToTheErrorLog) {
    const std::string errorLog = dir.file("print.log");
    ASSERT_EQ(0, init(LOGGING_TEST_NLS, errorLog));
    nlSetOutputRoutine(4, capture);
    nlSetOutputRoutine(5, capture);
    captured.clear();
    nlPrintMessage(1, "info");
    nlPrintMessage(7);
    nlSetOutputRoutine(4, nullptr);
    nlSetOutputRoutine(5, nullptr);
    EXPECT_EQ("TST0001I normal info|TST0007W with code|", captured);
    const std::string log = readFile(errorLog);
    EXPECT_EQ(std::string::npos, log.find("TST0001I"));
    EXPECT_NE(std::string::npos, log.find(" TST0007W with code\n"));
}

}  // namespace
