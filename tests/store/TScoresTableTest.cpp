#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "TempDir.hpp"
#include "store/TScoresTable.hpp"

namespace {

using store::TScoresTable;

struct Row {
    std::int32_t score;
    std::string date, name, level;
    bool operator==(const Row&) const = default;
};

std::vector<Row> rows(const TScoresTable& table) {
    std::vector<Row> out;
    for (const auto& [score, rec] : table.records()) out.push_back({score, rec.date, rec.name, rec.level});
    return out;
}

std::string line(const Row& r) {
    return r.date + "\t" + r.name + "\t" + r.level + "\t" + std::to_string(r.score);
}

class ScoresTableFiles : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("table.dat");
};

TEST_F(ScoresTableFiles, EmptyTableGivesTwelveByteFileAndLoadsSilently) {
    ASSERT_TRUE(TScoresTable().saveTable(path));
    const std::string bytes = readBytes(path);
    ASSERT_EQ(bytes.size(), 12u);
    EXPECT_EQ(bytes.substr(8), std::string(4, '\0'));

    testing::internal::CaptureStdout();
    TScoresTable loaded;
    loaded.loadTable(path);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(loaded.size(), 0u);
}

TEST_F(ScoresTableFiles, TextRoundTripsAndFileLengthFollowsTheTextLength) {
    TScoresTable store;
    std::string all;
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<char>(c));
    for (const std::string& text : {std::string("12345678"), std::string("a"), all}) {
        ASSERT_TRUE(store.saveText(path, text));
        EXPECT_EQ(readBytes(path).size(), 8 * (text.size() / 8) + 12);
        std::string back;
        ASSERT_TRUE(store.loadText(path, back));
        EXPECT_EQ(back, text);
    }
}

TEST_F(ScoresTableFiles, SavesTenPerNameAndLevelHighestFirst) {
    TScoresTable table;
    for (int i = 1; i <= 11; ++i) table.addRecordLine(line({i * 10, "d", "ann", "0"}));
    table.addRecordLine(line({5, "d", "ann", "1"}));  // another level is another group
    ASSERT_TRUE(table.saveTable(path));

    TScoresTable loaded;
    loaded.loadTable(path);
    const auto got = rows(loaded);
    ASSERT_EQ(got.size(), 11u);
    EXPECT_EQ(got.front().score, 110);
    EXPECT_EQ(got[9].score, 20);  // 10 was the eleventh of its group
    EXPECT_EQ(got.back(), (Row{5, "d", "ann", "1"}));
    EXPECT_EQ(table.size(), 12u);  // the dropped record stays in memory
}

TEST_F(ScoresTableFiles, EqualScoresAreWrittenLaterFirstAndKeepTheirOrderOnReload) {
    TScoresTable table;
    table.addRecordLine(line({7, "first", "a", "0"}));
    table.addRecordLine(line({7, "second", "b", "0"}));
    table.addRecordLine(line({9, "top", "c", "0"}));
    EXPECT_EQ(table.tableText(), "top\tc\t0\t9\nsecond\tb\t0\t7\nfirst\ta\t0\t7\n");
    ASSERT_TRUE(table.saveTable(path));

    TScoresTable reloaded;
    reloaded.loadTable(path);
    EXPECT_EQ(reloaded.tableText(), table.tableText());
    // A record added after the reload is the latest of its score.
    reloaded.addRecordLine(line({7, "third", "c", "0"}));
    EXPECT_EQ(reloaded.tableText(), "top\tc\t0\t9\nthird\tc\t0\t7\nsecond\tb\t0\t7\nfirst\ta\t0\t7\n");
}

TEST(ScoresTableText, ParsesLinesAsTheFileHoldsThem) {
    TScoresTable table;
    table.addTableText("a\tb\tc\t-5\nbad\tline\t3\nx\ty\t1\t12\r\nlast\tz\t2\t  +34");
    EXPECT_EQ(rows(table), (std::vector<Row>{{34, "last", "z", "2"}, {12, "x", "y", "1"},
                                             {-5, "a", "b", "c"}}));
}

TEST(ScoresTableText, CarriageReturnsAreDroppedAndExtraFieldsSkipTheLine) {
    TScoresTable table;
    table.addTableText("d\r\tn\r\tl\t3\r\none\ttoo\tmany\ttabs\t4\n\n\t\t\t\n");
    EXPECT_EQ(rows(table), (std::vector<Row>{{3, "d", "n", "l"}, {0, "", "", ""}}));
}

TEST(ScoresTableText, RecordLineTakesWhateverFieldsItHas) {
    TScoresTable table;
    table.addRecordLine("2026-12-07\tBob\t2\t1500");
    table.addRecordLine("only\t8");
    table.addRecordLine("a\tb\tc\td\t9\r\n");
    EXPECT_EQ(rows(table), (std::vector<Row>{{1500, "2026-12-07", "Bob", "2"},
                                             {9, "a", "b", "c"},
                                             {8, "only", "", ""}}));
}

TEST(ScoresTableText, ScoreConversion) {
    EXPECT_EQ(store::parseScore("  \t+42abc"), 42);
    EXPECT_EQ(store::parseScore("-17"), -17);
    EXPECT_EQ(store::parseScore(""), 0);
    EXPECT_EQ(store::parseScore("-"), 0);
    EXPECT_EQ(store::parseScore("x12"), 0);
    EXPECT_EQ(store::parseScore("4294967297"), 1);  // wraps, never undefined
    EXPECT_EQ(store::parseScore("-2147483648"), INT32_MIN);
}

TEST_F(ScoresTableFiles, LoadingAddsToRecordsAlreadyHeld) {
    TScoresTable table;
    table.addRecordLine(line({1, "d", "n", "0"}));
    ASSERT_TRUE(table.saveTable(path));
    table.loadTable(path);
    EXPECT_EQ(table.size(), 2u);
}

TEST_F(ScoresTableFiles, EverySingleByteChangeIsRejected) {
    TScoresTable table;
    table.addRecordLine(line({300, "2026-01-01", "Ann", "0"}));
    table.addRecordLine(line({200, "2026-01-02", "Bo", "1"}));
    table.addRecordLine(line({100, "2026-01-03", "Cy", "2"}));
    ASSERT_TRUE(table.saveTable(path));
    const std::string good = readBytes(path);

    for (std::size_t i = 0; i < good.size(); ++i) {
        for (const int flip : {0x01, 0x80, 0xFF}) {
            std::string bad = good;
            bad[i] = static_cast<char>(bad[i] ^ flip);
            writeBytes(path, bad);
            testing::internal::CaptureStdout();
            TScoresTable loaded;
            loaded.loadTable(path);
            testing::internal::GetCapturedStdout();
            ASSERT_EQ(loaded.size(), 0u) << "byte " << i << " flipped with " << int(flip);
        }
    }
}

TEST_F(ScoresTableFiles, ChecksumMismatchPrintsBothValues) {
    TScoresTable store;
    ASSERT_TRUE(store.saveText(path, "hello"));
    std::string bytes = readBytes(path);
    const std::uint32_t good = std::uint8_t(bytes[8]) | std::uint8_t(bytes[9]) << 8 |
                               std::uint8_t(bytes[10]) << 16 | std::uint32_t(std::uint8_t(bytes[11])) << 24;
    bytes.replace(8, 4, std::string("\x01\x00\x00\x00", 4));
    writeBytes(path, bytes);

    testing::internal::CaptureStdout();
    std::string text = "untouched";
    EXPECT_FALSE(store.loadText(path, text));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "CRC error! 1 != " + std::to_string(good) + "\n");
}

TEST_F(ScoresTableFiles, ShortMissingAndHugeFilesFailToLoad) {
    TScoresTable store;
    std::string text;
    EXPECT_FALSE(store.loadText(dir.file("missing.dat"), text));
    writeBytes(path, "abc");
    EXPECT_FALSE(store.loadText(path, text));
    EXPECT_FALSE(store.loadText(dir.path().string(), text));  // a folder

    // A file that could not be read is told apart from one that was read and is too short.
    EXPECT_EQ(store.readEncrypted(dir.file("missing.dat")).status, store::DecodeStatus::Unreadable);
    EXPECT_EQ(store.readEncrypted(dir.path().string()).status, store::DecodeStatus::Unreadable);
    EXPECT_EQ(store.readEncrypted(path).status, store::DecodeStatus::TooShort);

    // A sparse file just over the limit is refused without reading it into memory.
    writeBytes(path, "");
    ASSERT_EQ(::truncate(path.c_str(), TScoresTable::kMaxFileSize + 1), 0);
    std::string error;
    EXPECT_EQ(store.readEncrypted(path, &error).status, store::DecodeStatus::Unreadable);
    EXPECT_NE(error.find("larger than"), std::string::npos);
}

TEST_F(ScoresTableFiles, FourZeroBytesAreAnEmptyText) {
    writeBytes(path, std::string(4, '\0'));
    std::string text = "x";
    EXPECT_TRUE(TScoresTable().loadText(path, text));
    EXPECT_EQ(text, "");
}

TEST_F(ScoresTableFiles, FailedSavesLeaveTheOldFileAndNoLitter) {
    TScoresTable store;
    ASSERT_TRUE(store.saveText(path, "the old text"));
    const std::string old = readBytes(path);

    EXPECT_FALSE(store.saveText(dir.file("no/such/folder/table.dat"), "x"));

    // A folder in the way cannot be replaced.
    std::filesystem::create_directory(dir.file("folder.dat"));
    std::string error;
    EXPECT_FALSE(store.writeEncrypted(dir.file("folder.dat"), "x", &error));
    EXPECT_NE(error.find("cannot replace"), std::string::npos) << error;
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("folder.dat")));

    // A write that fails half way (file size limit) leaves the old file whole.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool saved_ok = store.writeEncrypted(path, std::string(1000, 'n'), &error);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(saved_ok);
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;

    EXPECT_EQ(readBytes(path), old);
    std::string text;
    EXPECT_TRUE(store.loadText(path, text));
    EXPECT_EQ(text, "the old text");
    EXPECT_EQ(dir.entryCount(), 2u);  // table.dat and folder.dat, no temporary files
}

} // namespace
