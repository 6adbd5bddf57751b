#include "ScoreReport.hpp"

#include <limits>

namespace store {
namespace {

bool fail(ScoreReportDecode& result, ScoreReportStatus status, std::string error) {
    result.status = status;
    result.error = std::move(error);
    return false;
}

std::string sumMismatch(const char* which, std::uint8_t stored, std::uint8_t computed) {
    return std::string("sum mismatch: ") + which + " stored " + std::to_string(stored) +
           ", computed " + std::to_string(computed);
}

// Undoes the chaining and checks both sums; on success the report text is in `result`.
bool decodeBytes(std::string_view code, ScoreReportDecode& result) {
    if (code.empty()) return fail(result, ScoreReportStatus::Empty, "the code is empty");
    const std::size_t bad = code.find_first_not_of("0123456789");
    if (bad != std::string_view::npos)
        return fail(result, ScoreReportStatus::NotDigits,
                    "character " + std::to_string(bad + 1) + " of the code is not a digit");
    const std::string length = std::to_string(code.size());
    if (code.size() % 3 != 0)
        return fail(result, ScoreReportStatus::BadLength,
                    "the code has " + length + " digits, not a multiple of 3");
    if (code.size() < 6)
        return fail(result, ScoreReportStatus::TooShort,
                    "the code has " + length + " digits, fewer than the 6 of its two sums");

    std::string report;
    report.reserve(code.size() / 3 - 2);
    std::uint8_t chain = kScoreReportChainStart;
    std::uint8_t stored1 = 0, stored2 = 0, computed1 = 0, computed2 = 0;
    for (std::size_t i = 0; i < code.size(); i += 3) {
        const int value = (code[i] - '0') * 100 + (code[i + 1] - '0') * 10 + (code[i + 2] - '0');
        if (value > 255)
            return fail(result, ScoreReportStatus::ByteOutOfRange,
                        "the digits " + std::string(code.substr(i, 3)) + " at character " +
                            std::to_string(i + 1) + " of the code are above 255");
        const auto byte = static_cast<std::uint8_t>(chain ^ value);
        chain = byte;
        if (i == 0) {
            stored1 = byte;
        } else if (i == 3) {
            stored2 = byte;
        } else {
            report.push_back(static_cast<char>(byte));
            computed1 = static_cast<std::uint8_t>(computed1 + byte);
            computed2 = static_cast<std::uint8_t>(computed2 + (byte ^ kScoreReportMask));
        }
    }
    if (stored1 != computed1)
        return fail(result, ScoreReportStatus::Sum1Mismatch, sumMismatch("sum1", stored1, computed1));
    if (stored2 != computed2)
        return fail(result, ScoreReportStatus::Sum2Mismatch, sumMismatch("sum2", stored2, computed2));
    result.report = std::move(report);
    return true;
}

// Splits the report into its fields. The level ends at the second TAB and the executable
// sits between the last two, so a name may itself hold TABs.
bool parseFields(ScoreReportDecode& result) {
    const std::string_view text = result.report;
    constexpr auto npos = std::string_view::npos;
    const std::size_t tab1 = text.find('\t');
    const std::size_t tab2 = tab1 == npos ? npos : text.find('\t', tab1 + 1);
    const std::size_t tabLast = text.rfind('\t');
    const std::size_t tabExe = tabLast == npos || tabLast == 0 ? npos : text.rfind('\t', tabLast - 1);
    if (tab2 == npos || tabExe == npos || tabExe <= tab2)
        return fail(result, ScoreReportStatus::TooFewFields,
                    "the report has fewer than the 5 fields score, level, name, executable, exe");
    const std::optional<std::int32_t> score = ParseReportScore(text.substr(0, tab1));
    if (!score)
        return fail(result, ScoreReportStatus::BadScore,
                    "the score field of the report is not a decimal 32-bit number");
    if (text.substr(tabLast + 1) != "exe")
        return fail(result, ScoreReportStatus::NotExe, "the last field of the report is not \"exe\"");
    result.score = *score;
    result.level = text.substr(tab1 + 1, tab2 - tab1 - 1);
    result.name = text.substr(tab2 + 1, tabExe - tab2 - 1);
    result.executable = text.substr(tabExe + 1, tabLast - tabExe - 1);
    return true;
}

} // namespace

std::string EncodeScoreReport(std::string_view report) {
    std::uint8_t sum1 = 0, sum2 = 0;
    for (const char c : report) {
        const auto byte = static_cast<std::uint8_t>(c);
        sum1 = static_cast<std::uint8_t>(sum1 + byte);
        sum2 = static_cast<std::uint8_t>(sum2 + (byte ^ kScoreReportMask));
    }
    std::string code;
    code.reserve(3 * (report.size() + 2));
    std::uint8_t chain = kScoreReportChainStart;
    auto put = [&](std::uint8_t byte) {
        const int value = chain ^ byte;
        code.push_back(static_cast<char>('0' + value / 100));
        code.push_back(static_cast<char>('0' + value / 10 % 10));
        code.push_back(static_cast<char>('0' + value % 10));
        chain = byte;
    };
    put(sum1);
    put(sum2);
    for (const char c : report) put(static_cast<std::uint8_t>(c));
    return code;
}

std::string BuildScoreReport(std::int32_t score, std::string_view level, std::string_view name) {
    std::string report = std::to_string(score);
    report.reserve(report.size() + level.size() + name.size() + kScoreReportExecutable.size() + 7);
    report += '\t';
    report += level;
    report += '\t';
    report += name;
    report += '\t';
    report += kScoreReportExecutable;
    report += "\texe";
    return report;
}

ScoreReportDecode DecodeScoreReport(std::string_view code) {
    ScoreReportDecode result;
    if (decodeBytes(code, result) && parseFields(result)) result.status = ScoreReportStatus::Ok;
    return result;
}

std::optional<std::int32_t> ParseReportScore(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    // Eleven digits already exceed 32 bits; the limit keeps the sum below from overflowing.
    if (digits.empty() || digits.size() > 10) return std::nullopt;
    if (digits.front() == '0' && (digits.size() > 1 || negative)) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

} // namespace store
