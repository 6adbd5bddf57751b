// The lines of `admin import` and `admin export`, and the reader that takes them from a pipe.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "server/LineReader.hpp"
#include "server/RecordLine.hpp"

using namespace server;

namespace {

std::string errorOf(const std::string& line) {
    const Expected<RecordLine> parsed = ParseRecordLine(line);
    return parsed ? std::string("(accepted)") : parsed.error();
}

bool accepted(const std::string& line) { return bool(ParseRecordLine(line)); }

} // namespace

TEST(RecordLine, ReadsTheFourFieldsAndTheDayAsItsMidnightInUtc) {
    const Expected<RecordLine> parsed = ParseRecordLine("2\t1234\tCœur d'€\t2024-02-29");
    ASSERT_TRUE(parsed) << parsed.error();
    EXPECT_EQ(parsed->level, 2);
    EXPECT_EQ(parsed->score, 1234);
    EXPECT_EQ(parsed->name, "Cœur d'€");
    EXPECT_EQ(parsed->publishedAt, 1'709'164'800);
    // A line written with CRLF reads the same.
    const Expected<RecordLine> crlf = ParseRecordLine("2\t1234\tCœur d'€\t2024-02-29\r");
    ASSERT_TRUE(crlf);
    EXPECT_EQ(crlf->name, parsed->name);
    EXPECT_EQ(crlf->publishedAt, parsed->publishedAt);
}

TEST(RecordLine, FormatsAndReadsBackTheSameLine) {
    for (const char* line : {"1\t0\ta\t1970-01-01\n", "3\t2147483647\tÿ€Š z\t9999-12-31\n", "2\t5\tx\t2000-02-29\n",
                             "1\t77\tQuote \" and back\\slash\t2038-01-19\n"}) {
        const std::string text = line;
        const Expected<RecordLine> parsed = ParseRecordLine(text.substr(0, text.size() - 1));
        ASSERT_TRUE(parsed) << line << ": " << parsed.error();
        EXPECT_EQ(FormatRecordLine(*parsed), text);
    }
    // Any time of a day gives that day; so do times before 1970.
    EXPECT_EQ(FormatRecordLine({1, 5, "a", 1'709'164'800 + 86'399}), "1\t5\ta\t2024-02-29\n");
    EXPECT_EQ(FormatRecordLine({1, 5, "a", -1}), "1\t5\ta\t1969-12-31\n");
    EXPECT_EQ(DaysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(DaysFromCivil(2000, 3, 1), 11'017);
    EXPECT_EQ(DaysFromCivil(1969, 12, 31), -1);
}

TEST(RecordLine, RefusesFieldsOutOfShapeSayingWhich) {
    EXPECT_EQ(errorOf(""), "the line is empty");
    EXPECT_EQ(errorOf("1\t5\ta"), "expected 4 fields separated by tabs (level, score, name, date), found 3");
    EXPECT_EQ(errorOf("1\t5\ta\t2024-01-01\t"), "expected 4 fields separated by tabs (level, score, name, date), found 5");
    EXPECT_EQ(errorOf("1 5 a 2024-01-01"), "expected 4 fields separated by tabs (level, score, name, date), found 1");
    for (const char* level : {"0", "4", "01", "", " 1", "one"})
        EXPECT_NE(errorOf(std::string(level) + "\t5\ta\t2024-01-01").find("the level must be 1, 2 or 3"), std::string::npos)
            << level;
    for (const char* score : {"-1", "+1", "01", "", "1.0", "1e3", "2147483648", "99999999999999999999", " 1"})
        EXPECT_NE(errorOf(std::string("1\t") + score + "\ta\t2024-01-01").find("the score must be"), std::string::npos)
            << score;
    EXPECT_TRUE(accepted("1\t2147483647\ta\t2024-01-01"));
    EXPECT_TRUE(accepted("1\t0\ta\t2024-01-01"));
}

TEST(RecordLine, RefusesDaysThatAreNotOnTheCalendar) {
    for (const char* day : {"2023-02-29", "1900-02-29", "2100-02-29", "2024-04-31", "2024-13-01", "2024-00-10",
                            "2024-01-00", "1969-12-31", "2024-1-01", "2024/01/01", "24-01-01", "2024-01-01T00:00:00Z",
                            "", "１９７０-01-01"})
        EXPECT_NE(errorOf(std::string("1\t5\ta\t") + day).find("the date must be a real day"), std::string::npos) << day;
    for (const char* day : {"2024-02-29", "2000-02-29", "1970-01-01", "9999-12-31", "2024-12-31"})
        EXPECT_TRUE(accepted(std::string("1\t5\ta\t") + day)) << day;
}

TEST(RecordLine, TakesOnlyNamesAPublishCouldHaveStored) {
    auto nameError = [](const std::string& name) { return errorOf("1\t5\t" + name + "\t2024-01-01"); };
    EXPECT_EQ(nameError(""), "the name is empty");
    EXPECT_EQ(nameError(" lead"), "the name starts or ends with a space");
    EXPECT_EQ(nameError("trail\xC2\xA0"), "the name starts or ends with a space");
    EXPECT_EQ(nameError("bell\x07"), "the name holds a control character");
    EXPECT_EQ(nameError("c1\xC2\x85"), "the name holds a control character");
    EXPECT_EQ(nameError("zero\xE2\x80\x8Bwidth"), "the name holds an invisible formatting character");
    EXPECT_EQ(nameError("bad\xC3\x28utf8"), "the name is not well-formed UTF-8");
    EXPECT_EQ(nameError("overlong\xC0\xAF"), "the name is not well-formed UTF-8");
    EXPECT_EQ(nameError("ball \xF0\x9F\x8F\x80"), "the name holds U+1F3C0, which the game cannot write");
    EXPECT_EQ(nameError("\xD0\x96"), "the name holds U+0416, which the game cannot write");
    // 99 characters is the most, counted as the game's bytes: "€" is three bytes of UTF-8.
    std::string longest;
    for (int i = 0; i < 99; ++i) longest += "€";
    EXPECT_TRUE(accepted("1\t5\t" + longest + "\t2024-01-01"));
    EXPECT_EQ(nameError(longest + "a"), "the name is 100 characters long, more than the 99 allowed");
    EXPECT_TRUE(accepted("1\t5\tinner  spaces ok\t2024-01-01"));
    // What the messages show of a field stays one readable line.
    EXPECT_EQ(errorOf("9\t5\ta\t2024-01-01"), "the level must be 1, 2 or 3, not \"9\"");
    EXPECT_NE(errorOf("1\t\x1B[31m\ta\t2024-01-01").find("\"\\x1B[31m\""), std::string::npos);
}

namespace {

// The lines a reader gives for `text`, too long ones marked with a leading '!'.
std::vector<std::string> linesOf(const std::string& text, std::size_t limit, std::string* copy = nullptr,
                                 std::uint64_t* position = nullptr) {
    std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    if (text.empty()) in = std::tmpfile();
    std::FILE* copied = copy ? std::tmpfile() : nullptr;
    LineReader reader(in, limit, copied);
    std::vector<std::string> lines;
    std::string line;
    bool tooLong = false;
    while (reader.Next(line, tooLong)) lines.push_back((tooLong ? "!" : "") + line);
    EXPECT_FALSE(reader.Failed());
    if (position) *position = reader.Position();
    if (copied) {
        std::rewind(copied);
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, copied)) > 0;) copy->append(buffer, n);
        std::fclose(copied);
    }
    std::fclose(in);
    return lines;
}

} // namespace

TEST(LineReader, SplitsLinesAndCutsTooLongOnesWithoutLosingTheNext) {
    using Lines = std::vector<std::string>;
    EXPECT_EQ(linesOf("", 10), Lines{});
    EXPECT_EQ(linesOf("a\nb\n", 10), (Lines{"a", "b"}));
    EXPECT_EQ(linesOf("a\nb", 10), (Lines{"a", "b"}));
    EXPECT_EQ(linesOf("a\n\nb\n\n", 10), (Lines{"a", "", "b", ""}));
    EXPECT_EQ(linesOf("12345\n123456\n1234567890123\nend", 5), (Lines{"12345", "!12345", "!12345", "end"}));
    // Lines longer than the reader's block of 64 KiB, cut or whole.
    const std::string huge(200'000, 'x');
    EXPECT_EQ(linesOf(huge + "\nnext\n", 300), (Lines{"!" + std::string(300, 'x'), "next"}));
    EXPECT_EQ(linesOf(huge + "\nnext\n", 300'000), (Lines{huge, "next"}));
    std::string copy;
    std::uint64_t position = 0;
    const std::string text = huge + std::string("\r\n\0zero\n", 8) + "tail";
    linesOf(text, 10, &copy, &position);
    EXPECT_EQ(copy, text) << "the copy holds every byte read";
    EXPECT_EQ(position, text.size());
}
