// The check of a publish code: every way a code can be wrong gives one sentence saying what,
// and a good code gives the record the game meant.
#include <gtest/gtest.h>

#include "server/PublishRequest.hpp"
#include "store/ScoreReport.hpp"

using namespace server;

namespace {

std::string code(std::int32_t score, const std::string& level, const std::string& name) {
    return store::EncodeScoreReport(store::BuildScoreReport(score, level, name));
}

// The error for a code, or "" when it is accepted.
std::string refusal(const std::string& c) {
    const Expected<NewRecord> parsed = ParsePublishCode(c, 0);
    return parsed ? std::string() : parsed.error();
}

TEST(ParsePublishCode, AcceptsWhatTheGameSends) {
    const Expected<NewRecord> parsed = ParsePublishCode(code(1234, "2", "Anna"), 77);
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->level, 2);
    EXPECT_EQ(parsed->score, 1234);
    EXPECT_EQ(parsed->name, "Anna");
    EXPECT_EQ(parsed->receivedAt, 77);
    EXPECT_EQ(parsed->report, "1234\t2\tAnna");

    // The edges that are still allowed.
    EXPECT_EQ(refusal(code(0, "1", "")), "");
    EXPECT_EQ(refusal(code(2147483647, "3", std::string(kMaxNameBytes, 'x'))), "");
    EXPECT_EQ(refusal(code(5, "1", "tab\tinside")), "The name holds a control character.");
}

TEST(ParsePublishCode, NamesWhatIsWrongWithTheCodeItself) {
    EXPECT_NE(refusal("").find("no score"), std::string::npos);
    EXPECT_NE(refusal("12a456").find("not a digit"), std::string::npos);
    EXPECT_NE(refusal("1234567").find("not a multiple of 3"), std::string::npos);
    EXPECT_NE(refusal("123").find("fewer than the 6"), std::string::npos);
    EXPECT_NE(refusal("999000").find("above 255"), std::string::npos);

    std::string good = code(10, "1", "Anna");
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
    EXPECT_EQ(refusal(code(-5, "1", "Anna")), "The score -5 is negative.");
}

TEST(ParsePublishCode, RefusesLevelsOutsideOneToThree) {
    for (const char* level : {"0", "4", "", "01", "1 ", "-1", "Novice"})
        EXPECT_EQ(refusal(code(10, level, "Anna")), "The level of the report must be 1, 2 or 3.") << level;
}

TEST(ParsePublishCode, RefusesLongNamesAndControlCharacters) {
    EXPECT_EQ(refusal(code(10, "1", std::string(kMaxNameBytes + 1, 'x'))),
              "The name is 100 bytes long, more than the 99 allowed.");
    for (const std::string& name : {std::string("a\nb"), std::string("a\rb"), std::string("nul\0x", 5),
                                   std::string("del\x7F"), std::string("esc\x1B[31m")})
        EXPECT_EQ(refusal(code(10, "1", name)), "The name holds a control character.");
}

TEST(NormaliseName, KeepsUtf8AndReadsOtherBytesAsLatin1) {
    EXPECT_EQ(NormaliseName("Zoë 🏀"), "Zoë 🏀");
    EXPECT_EQ(NormaliseName("Zo\xEB"), "Zoë");          // Latin-1 ë
    EXPECT_EQ(NormaliseName("\xC3\x28"), "Ã(");         // broken UTF-8 is Latin-1 too
    EXPECT_EQ(NormaliseName("\xC0\xAF"), "À¯");         // an overlong form is not UTF-8
    EXPECT_EQ(NormaliseName("\xED\xA0\xBF"), "í\xC2\xA0¿");  // neither is a surrogate
}

TEST(NormaliseName, RefusesControlAndReorderingCharactersInEitherReading) {
    EXPECT_FALSE(NormaliseName("a\x85"));            // C1 as a Latin-1 byte
    EXPECT_FALSE(NormaliseName("a\xC2\x85"));        // C1 in UTF-8
    EXPECT_FALSE(NormaliseName("evil\xE2\x80\xAE"));  // right-to-left override
    EXPECT_FALSE(NormaliseName("line\xE2\x80\xA8"));  // line separator
    EXPECT_TRUE(NormaliseName("\xC2\xA0nbsp"));
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
