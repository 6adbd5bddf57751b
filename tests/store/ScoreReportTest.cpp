#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "store/ScoreReport.hpp"

namespace {

using store::DecodeScoreReport;
using store::EncodeScoreReport;
using store::ScoreReportDecode;
using store::ScoreReportStatus;

// Chains any byte sequence as the code does, with sum bytes of the test's choosing, so that
// codes with wrong sums can be written.
std::string chainDigits(const std::vector<std::uint8_t>& plain) {
    std::string code;
    std::uint8_t chain = 0xA7;
    for (const std::uint8_t byte : plain) {
        char group[4];
        std::snprintf(group, sizeof group, "%03d", chain ^ byte);
        code += group;
        chain = byte;
    }
    return code;
}

std::vector<std::uint8_t> withSums(std::uint8_t sum1, std::uint8_t sum2, std::string_view report) {
    std::vector<std::uint8_t> plain{sum1, sum2};
    for (const char c : report) plain.push_back(static_cast<std::uint8_t>(c));
    return plain;
}

void expectRejected(const ScoreReportDecode& result, ScoreReportStatus status, const std::string& needle) {
    EXPECT_EQ(result.status, status) << result.error;
    EXPECT_NE(result.error.find(needle), std::string::npos) << result.error;
    EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
}

// Report "7 TAB E9 E8" (bytes 0x37 0x09 0xE9 0xE8), mask 0x5A, chain start 0xA7:
//   sum1 = 0x37 + 0x09 + 0xE9 + 0xE8 = 529 = 17 (mod 256) = 0x11
//   masked bytes 0x6D 0x53 0xB3 0xB2, sum2 = 109 + 83 + 179 + 178 = 549 = 37 (mod 256) = 0x25
//   plain 0x11 0x25 0x37 0x09 0xE9 0xE8, each XORed with the byte before (the first with 0xA7):
//   0xA7^0x11 = 0xB6 = 182, 0x11^0x25 = 0x34 = 052, 0x25^0x37 = 0x12 = 018,
//   0x37^0x09 = 0x3E = 062, 0x09^0xE9 = 0xE0 = 224, 0xE9^0xE8 = 0x01 = 001.
TEST(ScoreReportEncoding, HandComputedExample) {
    EXPECT_EQ(EncodeScoreReport("7\t\xE9\xE8"), "182052018062224001");
    EXPECT_EQ(chainDigits(withSums(0x11, 0x25, "7\t\xE9\xE8")), "182052018062224001");
    // No report bytes leave two zero sums: 0xA7 ^ 0 = 167, then 0 ^ 0.
    EXPECT_EQ(EncodeScoreReport(""), "167000");

    // The report is not well formed, but both sums hold, so the text comes back.
    const ScoreReportDecode back = DecodeScoreReport("182052018062224001");
    EXPECT_EQ(back.status, ScoreReportStatus::TooFewFields);
    EXPECT_EQ(back.report, "7\t\xE9\xE8");
}

TEST(ScoreReportEncoding, BuiltReportHasTheGamesFieldsAndDecodesToThem) {
    EXPECT_EQ(store::BuildScoreReport(1234, "2", "Anna"), "1234\t2\tAnna\thoopstack\texe");
    EXPECT_EQ(store::BuildScoreReport(-2147483647 - 1, "1", ""), "-2147483648\t1\t\thoopstack\texe");

    const ScoreReportDecode r = DecodeScoreReport(EncodeScoreReport("1234\t2\tAnna\thoopstack\texe"));
    ASSERT_EQ(r.status, ScoreReportStatus::Ok) << r.error;
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.score, 1234);
    EXPECT_EQ(r.level, "2");
    EXPECT_EQ(r.name, "Anna");
    EXPECT_EQ(r.executable, "hoopstack");
    EXPECT_EQ(r.report, "1234\t2\tAnna\thoopstack\texe");
}

TEST(ScoreReportEncoding, RandomReportsRoundTrip) {
    std::mt19937 rng(20260512);
    auto randomText = [&](std::size_t maxLength, bool tabs) {
        std::string text(rng() % (maxLength + 1), '\0');
        for (char& c : text) {
            // Half the bytes come from 0x80-0xFF, and TABs are common where allowed.
            const unsigned pick = rng() % 8;
            c = static_cast<char>(pick < 4 ? 0x80 + rng() % 0x80 : pick == 4 && tabs ? '\t' : rng() % 0x80);
            if (!tabs && c == '\t') c = 'x';
        }
        return text;
    };
    for (int i = 0; i < 2000; ++i) {
        const auto score = static_cast<std::int32_t>(rng());
        const std::string level = randomText(3, false);
        const std::string name = randomText(40, true);
        const std::string report = store::BuildScoreReport(score, level, name);
        const std::string code = EncodeScoreReport(report);
        ASSERT_EQ(code.size(), 3 * (report.size() + 2));
        const ScoreReportDecode r = DecodeScoreReport(code);
        ASSERT_EQ(r.status, ScoreReportStatus::Ok) << r.error;
        EXPECT_EQ(r.report, report);
        EXPECT_EQ(r.score, score);
        EXPECT_EQ(r.level, level);
        EXPECT_EQ(r.name, name);
        EXPECT_EQ(r.executable, "hoopstack");

        // Any bytes at all come back as the report text, well formed or not.
        const std::string raw = randomText(30, true);
        const ScoreReportDecode any = DecodeScoreReport(EncodeScoreReport(raw));
        EXPECT_EQ(any.report, raw);
    }
}

TEST(ScoreReportFields, NameTakesEverythingBetweenLevelAndExecutable) {
    for (const std::string name : {"", "\t", "a\tb", "\t\t\t", "\tx\t", "\xE9l\xE8ve"}) {
        const ScoreReportDecode r = DecodeScoreReport(EncodeScoreReport("5\t3\t" + name + "\tother\texe"));
        ASSERT_EQ(r.status, ScoreReportStatus::Ok) << r.error;
        EXPECT_EQ(r.name, name);
        EXPECT_EQ(r.level, "3");
        EXPECT_EQ(r.executable, "other");
    }
    // Empty level and executable are the server's business, not the decoder's.
    const ScoreReportDecode r = DecodeScoreReport(EncodeScoreReport("-7\t\tn\t\texe"));
    ASSERT_EQ(r.status, ScoreReportStatus::Ok) << r.error;
    EXPECT_EQ(r.score, -7);
    EXPECT_EQ(r.level, "");
    EXPECT_EQ(r.executable, "");
}

TEST(ScoreReportDecoding, MalformedDigitsAreRejected) {
    const std::string valid = EncodeScoreReport("1\t1\tA\thoopstack\texe");
    expectRejected(DecodeScoreReport(""), ScoreReportStatus::Empty, "empty");
    expectRejected(DecodeScoreReport("16a000"), ScoreReportStatus::NotDigits, "character 3 ");
    expectRejected(DecodeScoreReport(" 167000"), ScoreReportStatus::NotDigits, "character 1 ");
    expectRejected(DecodeScoreReport(valid + "\n"), ScoreReportStatus::NotDigits, "not a digit");
    // Superscript two in code page 1252 is no digit to us.
    expectRejected(DecodeScoreReport("16700\xB2"), ScoreReportStatus::NotDigits, "not a digit");
    expectRejected(DecodeScoreReport("1670000"), ScoreReportStatus::BadLength, "7 digits");
    expectRejected(DecodeScoreReport(valid.substr(1)), ScoreReportStatus::BadLength, "multiple of 3");
    expectRejected(DecodeScoreReport("167"), ScoreReportStatus::TooShort, "3 digits");
    expectRejected(DecodeScoreReport("256000"), ScoreReportStatus::ByteOutOfRange, "256");
    expectRejected(DecodeScoreReport(valid.substr(0, valid.size() - 3) + "999"),
                   ScoreReportStatus::ByteOutOfRange, "at character " + std::to_string(valid.size() - 2));
    // 255 is the largest group and still a byte; it fails only on its sums.
    EXPECT_EQ(DecodeScoreReport("255000").status, ScoreReportStatus::Sum1Mismatch);
}

TEST(ScoreReportDecoding, SumMismatchesNameTheSumAndBothValues) {
    const std::string report = "0\t1\tAc\thoopstack\texe";
    std::uint8_t sum1 = 0, sum2 = 0;
    for (const char c : report) {
        sum1 = static_cast<std::uint8_t>(sum1 + static_cast<std::uint8_t>(c));
        sum2 = static_cast<std::uint8_t>(sum2 + (static_cast<std::uint8_t>(c) ^ 0x5A));
    }
    ASSERT_EQ(chainDigits(withSums(sum1, sum2, report)), EncodeScoreReport(report));

    const auto wrong1 = static_cast<std::uint8_t>(sum1 + 1);
    const ScoreReportDecode r1 = DecodeScoreReport(chainDigits(withSums(wrong1, sum2, report)));
    expectRejected(r1, ScoreReportStatus::Sum1Mismatch,
                   "sum1 stored " + std::to_string(wrong1) + ", computed " + std::to_string(sum1));
    EXPECT_EQ(r1.report, "");

    const auto wrong2 = static_cast<std::uint8_t>(sum2 ^ 0x80);
    expectRejected(DecodeScoreReport(chainDigits(withSums(sum1, wrong2, report))),
                   ScoreReportStatus::Sum2Mismatch,
                   "sum2 stored " + std::to_string(wrong2) + ", computed " + std::to_string(sum2));

    // "Ac" to "Bb" keeps the plain sum, but the masked sum sees it.
    const std::string changed = "0\t1\tBb\thoopstack\texe";
    expectRejected(DecodeScoreReport(chainDigits(withSums(sum1, sum2, changed))),
                   ScoreReportStatus::Sum2Mismatch, "sum mismatch");
}

TEST(ScoreReportDecoding, ReportsOfTheWrongShapeAreRejected) {
    auto decode = [](const std::string& report) { return DecodeScoreReport(EncodeScoreReport(report)); };
    for (const std::string report : {"", "1", "1\t2\tn\texe", "1\t2\t\texe", "\t\t\t", "1\t2\tn\thoopstack"})
        expectRejected(decode(report), ScoreReportStatus::TooFewFields, "fewer than the 5 fields");
    expectRejected(decode("12x\t1\tn\thoopstack\texe"), ScoreReportStatus::BadScore, "score");
    expectRejected(decode("\t\t\t\t"), ScoreReportStatus::BadScore, "score");
    expectRejected(decode("2147483648\t1\tn\thoopstack\texe"), ScoreReportStatus::BadScore, "score");
    for (const std::string last : {"", "ex", "EXE", "exe ", "exe\n", "exe\texe\t"})
        expectRejected(decode("1\t1\tn\thoopstack\t" + last), ScoreReportStatus::NotExe, "\"exe\"");
    // The fields are empty when the report is rejected, though its text is kept.
    const ScoreReportDecode r = decode("1\t2\tn\thoopstack\tEXE");
    EXPECT_EQ(r.report, "1\t2\tn\thoopstack\tEXE");
    EXPECT_EQ(r.name, "");
}

TEST(ScoreReportDecoding, ScoresMustBeWrittenAsTheGameWritesThem) {
    using store::ParseReportScore;
    EXPECT_EQ(ParseReportScore("0"), 0);
    EXPECT_EQ(ParseReportScore("7"), 7);
    EXPECT_EQ(ParseReportScore("-15"), -15);
    EXPECT_EQ(ParseReportScore("2147483647"), 2147483647);
    EXPECT_EQ(ParseReportScore("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "-", "+1", "007", "00", "-0", "-01", "12x", "x12", " 1", "1 ", "1.0",
                            "2147483648", "-2147483649", "4294967296", "99999999999",
                            "123456789012345678901234567890"})
        EXPECT_EQ(ParseReportScore(bad), std::nullopt) << bad;
}

TEST(ScoreReportDecoding, NoSingleDigitChangeGivesTheSameReport) {
    const std::string report = store::BuildScoreReport(98765, "3", "Zo\xEB");
    const std::string code = EncodeScoreReport(report);
    int accepted = 0;
    for (std::size_t i = 0; i < code.size(); ++i) {
        for (char digit = '0'; digit <= '9'; ++digit) {
            if (digit == code[i]) continue;
            std::string changed = code;
            changed[i] = digit;
            const ScoreReportDecode r = DecodeScoreReport(changed);
            if (r.status == ScoreReportStatus::Ok) ++accepted;
            // A changed code whose sums hold must still not read as the original report.
            if (!r.report.empty()) {
                EXPECT_NE(r.report, report) << changed;
            }
        }
    }
    // Both sums have to hold by chance for a change to pass.
    EXPECT_EQ(accepted, 0);
}

TEST(ScoreReportDecoding, LongCodesDecodeInLinearTime) {
    // A name of a million bytes, half of them TABs, must not make the field split quadratic.
    std::string name;
    for (int i = 0; i < 500000; ++i) name += "\t\xFF";
    const ScoreReportDecode r = DecodeScoreReport(EncodeScoreReport(store::BuildScoreReport(1, "1", name)));
    ASSERT_EQ(r.status, ScoreReportStatus::Ok) << r.error;
    EXPECT_EQ(r.name, name);

    const std::string tabs(1000000, '\t');
    EXPECT_EQ(DecodeScoreReport(EncodeScoreReport(tabs)).status, ScoreReportStatus::BadScore);
    EXPECT_EQ(DecodeScoreReport(std::string(3000000, '9')).status, ScoreReportStatus::ByteOutOfRange);
}

} // namespace
