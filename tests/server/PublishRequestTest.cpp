// The check of a publish code: every way a code can be wrong gives one sentence saying what,
// and a good code gives the record the game meant.
#include <gtest/gtest.h>

#include "ReplayGames.hpp"
#include "server/PublishRequest.hpp"
#include "store/ScoreReport.hpp"

using namespace server;

namespace {

// The error for a code, or "" when it is accepted.
std::string refusal(const std::string& c) {
    const Expected<NewRecord> parsed = ParsePublishCode(c, 0);
    return parsed ? std::string() : parsed.error();
}

TEST(ParsePublishCode, AcceptsWhatTheGameSends) {
    const Expected<NewRecord> parsed = ParsePublishCode(ReportCode(1234, "2", "Anna"), 77);
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->level, 2);
    EXPECT_EQ(parsed->score, 1234);
    EXPECT_EQ(parsed->name, "Anna");
    EXPECT_EQ(parsed->receivedAt, 77);
    EXPECT_EQ(parsed->report, "1234\t2\tAnna");

    // The edges that are still allowed.
    EXPECT_EQ(refusal(ReportCode(0, "1", "x")), "");
    EXPECT_EQ(refusal(ReportCode(2147483647, "3", std::string(kMaxNameBytes, 'x'))), "");
    EXPECT_EQ(refusal(ReportCode(5, "1", "tab\tinside")), "The name holds a control character.");
}

TEST(ParsePublishCode, NamesWhatIsWrongWithTheCodeItself) {
    EXPECT_NE(refusal("").find("no score"), std::string::npos);
    EXPECT_NE(refusal("12a456").find("not a digit"), std::string::npos);
    EXPECT_NE(refusal("1234567").find("not a multiple of 3"), std::string::npos);
    EXPECT_NE(refusal("123").find("fewer than the 6"), std::string::npos);
    EXPECT_NE(refusal("999000").find("above 255"), std::string::npos);

    std::string good = ReportCode(10, "1", "Anna");
    std::string badSum = good;
    badSum[2] = badSum[2] == '0' ? '1' : '0';
    EXPECT_NE(refusal(badSum).find("sum"), std::string::npos);
    EXPECT_EQ(refusal(badSum).rfind("The score code is not valid: ", 0), 0u);
}

TEST(ParsePublishCode, RefusesMissingFieldsAndBadScores) {
    EXPECT_NE(refusal(store::EncodeScoreReport("10\t1\tAnna")).find("fewer than the 5 fields"), std::string::npos);
    EXPECT_NE(refusal(store::EncodeScoreReport("")).find("fewer than the 5 fields"), std::string::npos);
    EXPECT_NE(refusal(store::EncodeScoreReport("ten\t1\tAnna\thoopstack\texe")).find("score field"),
              std::string::npos);
    EXPECT_NE(refusal(store::EncodeScoreReport("10\t1\tAnna\thoopstack\tzip")).find("exe"), std::string::npos);
    EXPECT_EQ(refusal(ReportCode(-5, "1", "Anna")), "The score -5 is negative.");
}

TEST(ParsePublishCode, RefusesLevelsOutsideOneToThree) {
    for (const char* level : {"0", "4", "", "01", "1 ", "-1", "Novice"})
        EXPECT_EQ(refusal(ReportCode(10, level, "Anna")), "The level of the report must be 1, 2 or 3.") << level;
}

TEST(ParsePublishCode, RefusesLongNamesAndControlCharacters) {
    EXPECT_EQ(refusal(ReportCode(10, "1", std::string(kMaxNameBytes + 1, 'x'))),
              "The name is 100 bytes long, more than the 99 allowed.");
    for (const std::string& name : {std::string("a\nb"), std::string("a\rb"), std::string("nul\0x", 5),
                                   std::string("del\x7F"), std::string("esc\x1B[31m")})
        EXPECT_EQ(refusal(ReportCode(10, "1", name)), "The name holds a control character.");
}

TEST(DecodeName, ReadsCodePage1252AndTrims) {
    EXPECT_EQ(*DecodeName("Zo\xEB"), "Zoë");
    EXPECT_EQ(*DecodeName("\x8A\xE1rka"), "Šárka");
    EXPECT_EQ(*DecodeName("\x80 \x9F"), "€ Ÿ");
    EXPECT_EQ(*DecodeName("\xC3\xAB"), "Ã«") << "UTF-8 bytes are code page 1252 text too";
    EXPECT_EQ(*DecodeName(" \xA0 inner  space \xA0"), "inner  space");
    for (unsigned byte = 0x20; byte <= 0xFF; ++byte) {
        const bool undefined = byte == 0x81 || byte == 0x8D || byte == 0x8F || byte == 0x90 || byte == 0x9D;
        EXPECT_EQ(CodePage1252Character(static_cast<unsigned char>(byte)).has_value(), !undefined) << byte;
    }
}

TEST(DecodeName, RefusesEmptyControlAndFormattingNames) {
    EXPECT_EQ(DecodeName("").error(), "The name is empty.");
    EXPECT_EQ(DecodeName(" \xA0").error(), "The name is empty.");
    EXPECT_EQ(DecodeName("a\x81").error(), "The name holds a byte that code page 1252 does not define.");
    EXPECT_EQ(DecodeName("soft\xADhyphen").error(), "The name holds an invisible formatting character.");
    EXPECT_EQ(DecodeName("a\tb").error(), "The name holds a control character.");
}

TEST(IsShowableName, AcceptsOnlyWhatDecodeNameMakes) {
    EXPECT_TRUE(IsShowableName("Zoë 🏀"));
    EXPECT_FALSE(IsShowableName(""));
    EXPECT_FALSE(IsShowableName(" lead"));
    EXPECT_FALSE(IsShowableName("\xC3\x28"));               // malformed UTF-8
    EXPECT_FALSE(IsShowableName("zero\xE2\x80\x8Bwidth"));  // zero-width space
    EXPECT_FALSE(IsShowableName("\xEF\xBB\xBF" "bom"));         // byte-order mark
    EXPECT_FALSE(IsShowableName("evil\xE2\x80\xAE"));        // right-to-left override
    EXPECT_FALSE(IsShowableName("iso\xE2\x81\xA6late"));     // bidi isolate
    EXPECT_FALSE(IsShowableName("a\xC2\x85"));               // C1 control
}

TEST(ParseLevel, TakesOnlyTheGamesThreeLevels) {
    EXPECT_EQ(ParseLevel("1"), 1);
    EXPECT_EQ(ParseLevel("3"), 3);
    EXPECT_FALSE(ParseLevel("0"));
    EXPECT_FALSE(ParseLevel("4"));
    EXPECT_FALSE(ParseLevel("2x"));
    EXPECT_FALSE(ParseLevel(""));
}

} // namespace
