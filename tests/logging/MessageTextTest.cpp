// Catalog texts as data: severity letters, extra codes, both insert forms,
// and damaged texts that must never be read past their end.
#include <gtest/gtest.h>

#include <cstdarg>
#include <string>
#include <vector>

#include "nls/amsgtext.h"

namespace {

using std::string_literals::operator""s;

std::optional<std::string> build(const std::string& raw, const std::vector<MsgArg>& args) {
    CatalogText t = nlParseCatalogText(raw);
    if (t.status != MsgTextStatus::Ok) return std::nullopt;
    return nlOrderInsert(t.stored, t.severity, args);
}

// The text comes as a pointer: va_start after a reference parameter is undefined.
std::optional<std::string> buildVa(const char* raw, ...) {
    CatalogText t = nlParseCatalogText(raw);
    if (t.status != MsgTextStatus::Ok) return std::nullopt;
    va_list ap;
    va_start(ap, raw);
    auto args = nlCollectArgs(t.stored, t.severity, ap);
    va_end(ap);
    if (!args) return std::nullopt;
    return nlOrderInsert(t.stored, t.severity, *args);
}

// The severity letter decides what is kept; an extra code is cut from the last
// seven characters; 0x10 bytes become NUL bytes.
TEST(CatalogTextParse, SeverityExtraCodeAndStoredText) {
    struct Case {
        std::string raw;
        MsgTextStatus status;
        int severity;
        std::string stored;
        std::string extraCode = "";
    } cases[] = {
        {"AGT0429I \x01text", MsgTextStatus::Ok, 4, "AGT0429I \x01text"},
        {"AGT0429W \x01text", MsgTextStatus::Ok, 5, "AGT0429W \x01text"},
        {"AGT0429E x", MsgTextStatus::Ok, 6, "AGT0429E x"},
        {"AGT0429S x", MsgTextStatus::Ok, 7, "AGT0429S x"},
        {"AGT0429K x", MsgTextStatus::Ok, 3, "AGT0429K x"},
        {"AGT0429T \x01trace", MsgTextStatus::Ok, 1, "\x01trace"},
        {"AGT0429Z \x01zero", MsgTextStatus::Ok, 0, "\x01zero"},
        {"AGT0429R \x01r", MsgTextStatus::Ok, 2, "\x01r"},
        {"AGT0429L \x01l", MsgTextStatus::Ok, 8, "\x01l"},
        {"AGT0429T", MsgTextStatus::Ok, 1, ""},
        {"AGT12345I \x01five", MsgTextStatus::Ok, 4, "AGT2345I \x01five"},
        {"AGT0429M \x01hidden", MsgTextStatus::Suppressed, 0, ""},
        {"AGT0429F x", MsgTextStatus::Corrupted, 0, ""},
        {"AGT0429a x", MsgTextStatus::Corrupted, 0, ""},
        {"AGT0429 x", MsgTextStatus::Corrupted, 0, ""},
        {"AGT0429", MsgTextStatus::Corrupted, 0, ""},
        {"AGT", MsgTextStatus::Corrupted, 0, ""},
        {"", MsgTextStatus::Corrupted, 0, ""},
        {"AGT0001I \x01with code\x12" "AB1", MsgTextStatus::Ok, 4, "AGT0001I \x01with code", "AB1"},
        {"AGT0001I \x01at the end\x12", MsgTextStatus::Ok, 4, "AGT0001I \x01at the end"},
        {"AGT0001I \x01" "far\x12" "away from the end", MsgTextStatus::Ok, 4, "AGT0001I \x01" "far\x12" "away from the end"},
        {"AGT0\x12" "1I", MsgTextStatus::Corrupted, 0, ""},  // the code would swallow the letter
        {"AGT0001I \x10" "a\x10", MsgTextStatus::Ok, 4, "AGT0001I \0a\0"s},
    };
    for (const Case& c : cases) {
        CatalogText t = nlParseCatalogText(c.raw);
        EXPECT_EQ(c.status, t.status) << c.raw;
        if (c.status == MsgTextStatus::Ok) {
            EXPECT_EQ(c.severity, t.severity) << c.raw;
            EXPECT_EQ(c.stored, t.stored) << c.raw;
            EXPECT_EQ(c.extraCode, t.extraCode) << c.raw;
        }
    }
}

TEST(MessageInserts, PrintfLikeFormPlacesInsertsInOrder) {
    EXPECT_EQ("AGT0429I FabricProbe started: a b", build("AGT0429I \x01%s started: %s",
                                                           {MsgArg::ofStr("FabricProbe"), MsgArg::ofStr("a b")}));
    EXPECT_EQ("AGT0430I rc -2012 100%", build("AGT0430I \x01rc %d 100%%", {MsgArg::ofInt(-2012)}));
    EXPECT_EQ("AGT0001I [   ab|x  ] 00042 ff 3.50", build("AGT0001I \x01[%*s|%-3c] %05d %x %.2f",
                                                         {MsgArg::ofInt(5), MsgArg::ofStr("ab"), MsgArg::ofInt('x'),
                                                          MsgArg::ofInt(42), MsgArg::ofInt(255), MsgArg::ofDouble(3.5)}));
    EXPECT_EQ("AGT0001I [ab   ]", build("AGT0001I \x01[%*s]", {MsgArg::ofInt(-5), MsgArg::ofStr("ab")}));
    EXPECT_EQ("AGT0001I [ab] 1.500000", build("AGT0001I \x01[%.*s] %lf", {MsgArg::ofInt(2), MsgArg::ofStr("abcdef"),
                                                                        MsgArg::ofDouble(1.5)}));
    EXPECT_EQ("AGT0001I no form byte 7", build("AGT0001I no form byte %d", {MsgArg::ofInt(7)}));
    EXPECT_EQ("trace only x", build("AGT0001T \x01trace only %s", {MsgArg::ofStr("x")}));
    EXPECT_EQ("AGT0001I ", build("AGT0001I ", {}));
}

TEST(MessageInserts, CallersArgumentListIsReadAsTheConversionsSay) {
    EXPECT_EQ("AGT0001I 7 x -3 18446744073709551615 2.5 wide",
              buildVa("AGT0001I \x01%d %s %ld %llu %g %ls", 7, "x", -3L, ~0ULL, 2.5, L"wide"));
    EXPECT_EQ("AGT0001I count=[7] name=[disk]",
              buildVa("AGT0001I \x10\x01\x01\x01\x01\x02\x01\x10\x10\x01%d\x10\x10\x10%s\x10" "count=[\x10] name=[\x10]",
                      "disk", 7));
}

TEST(MessageInserts, CompiledFormLetsTheTextReorderInserts) {
    // Order bytes 1 and 0: the first argument fills the second slot.
    const std::string swap = "AGT0001I \0\1\1\1\1\2\1\0\0\0%s\0\0\0%s\0first=[\0] second=[\0]"s;
    EXPECT_EQ("AGT0001I first=[B] second=[A]",
              nlOrderInsert(swap, 4, {MsgArg::ofStr("A"), MsgArg::ofStr("B")}));
    const std::string same = "AGT0001I \0\1\1\1\1\2\0\1\0\0%s\0\0\0%s\0first=[\0] second=[\0]"s;
    EXPECT_EQ("AGT0001I first=[A] second=[B]",
              nlOrderInsert(same, 4, {MsgArg::ofStr("A"), MsgArg::ofStr("B")}));
    const std::string typed = "AGT0001I \0\1\1\1\1\2\1\0\0\3%lld\0\1\0%*s\0<\0|\0>"s;
    EXPECT_EQ("AGT0001I <9000000000|  s>",
              nlOrderInsert(typed, 4, {MsgArg::ofInt(3), MsgArg::ofStr("s"), MsgArg::ofInt(9000000000LL)}));
}

TEST(MessageInserts, DamagedCompiledTextsAreRejectedWithoutReadingPastThem) {
    const std::string damaged[] = {
        "AGT0001I \0\1\1\1"s,                               // header cut short
        "AGT0001I \0\1\1\1\1\x09\0"s,                       // nine inserts, one order byte
        "AGT0001I \0\1\1\1\1\1\0\0"s,                       // descriptor cut short
        "AGT0001I \0\1\1\1\1\1\0\0\0%s"s,                   // pieces missing
        "AGT0001I \0\1\1\1\1\1\5\0\0%s\0<\0>"s,             // slot out of range
        "AGT0001I \0\1\1\1\1\2\0\0\0\1%d\0\0\1%d\0a\0b\0c"s,  // both arguments in slot 0
        "AGT0001I \0\1\1\1\1\1\0\0\1%s\0<\0>"s,             // string conversion, 32-bit value
        "AGT0001I \0\1\1\1\1\1\0\0\4%d\0<\0>"s,             // unknown value type
        "AGT0001I \0\1\1\1\1\1\0\0\0%s %s\0<\0>"s,          // two conversions in one slot
        "AGT0001I \0\1\1\1\1\1\0\2\0%*s\0<\0>"s,            // two extras, one star
    };
    const std::vector<MsgArg> plenty = {MsgArg::ofStr("a"), MsgArg::ofInt(1), MsgArg::ofInt(2), MsgArg::ofStr("b")};
    for (const std::string& text : damaged) EXPECT_FALSE(nlOrderInsert(text, 4, plenty)) << text.size();
}

TEST(MessageInserts, ConversionsThatDoNotFitTheInsertsAreRejected) {
    EXPECT_FALSE(build("AGT0001I \x01%s and %s", {MsgArg::ofStr("only one")}));
    EXPECT_FALSE(build("AGT0001I \x01%d", {MsgArg::ofStr("not a number")}));
    EXPECT_FALSE(build("AGT0001I \x01%s", {MsgArg::ofInt(5)}));
    EXPECT_FALSE(build("AGT0001I \x01%n", {MsgArg::ofInt(5)}));
    EXPECT_FALSE(build("AGT0001I \x01%y", {MsgArg::ofInt(5)}));
    EXPECT_FALSE(build("AGT0001I \x01%1$s", {MsgArg::ofStr("x")}));
    EXPECT_FALSE(build("AGT0001I \x01%99999d", {MsgArg::ofInt(5)}));
    EXPECT_FALSE(build("AGT0001I \x01trailing %", {}));
    // Cut inside a conversion, a NUL where it goes on, lengths the conversion does not take,
    // a star without a number to read.
    for (const char* text : {"%5", "%.", "%.12345d", "%\x10", "%-\x10", "%hs", "%lp", "%lc", "%hf", "%Lf"})
        EXPECT_FALSE(build("AGT0001I \x01"s + text, {MsgArg::ofInt(5), MsgArg::ofDouble(1.5)})) << text;
    EXPECT_FALSE(build("AGT0001I \x01%*d", {MsgArg::ofStr("x"), MsgArg::ofInt(1)}));
    EXPECT_FALSE(build("AGT0001I \x01%.*d", {}));
    // Fewer conversions than inserts is fine: the rest is not used.
    EXPECT_EQ("AGT0001I one", build("AGT0001I \x01one", {MsgArg::ofStr("unused")}));
}

TEST(MessageInserts, PrintfLikeTextIsCutAtItsWorkArea) {
    const std::string big(10000, 'b');
    auto text = build("AGT0001I \x01%s", {MsgArg::ofStr(big.c_str())});
    ASSERT_TRUE(text);
    EXPECT_EQ(9u + 4859u, text->size());
    auto wide = build("AGT0001I \x01%*d", {MsgArg::ofInt(1000000), MsgArg::ofInt(1)});
    ASSERT_TRUE(wide);
    EXPECT_LE(wide->size(), 9u + 4860u);
}

}  // namespace
