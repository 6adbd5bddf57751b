#include "store/PlayStatistics.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "TempDir.hpp"
#include "store/Crc32.hpp"

using store::AttemptState;
using store::DailyAttempt;
using store::LevelStatistics;
using store::PlayStatistics;

namespace {

// Statistics with something in every field the file holds.
PlayStatistics sampleStatistics() {
    PlayStatistics s;
    for (int i = 0; i < 5; ++i) s.RecordGameStarted(1);
    s.RecordGameFinished(1, 120);
    s.RecordGameFinished(1, 80);
    s.RecordGameStarted(3);
    s.RecordGameFinished(3, 4500);
    EXPECT_TRUE(s.BeginDailyAttempt(20000, 2));
    EXPECT_TRUE(s.FinishDailyAttempt(20000, 310));
    EXPECT_TRUE(s.BeginDailyAttempt(20001, 3));
    EXPECT_TRUE(s.GiveUpDailyAttempt(20001));
    EXPECT_TRUE(s.BeginDailyAttempt(20003, 2));
    return s;
}

// The sample's file text with `from` replaced by `to` and the checksum made right again, so
// that only the content check can refuse it.
std::string editedText(const std::string& from, const std::string& to) {
    std::string text = sampleStatistics().Text();
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    const std::string body = text.substr(0, text.rfind("crc "));
    char crc[16];
    std::snprintf(
        crc, sizeof crc, "%08x",
        static_cast<unsigned>(store::crc32(reinterpret_cast<const std::uint8_t*>(body.data()), body.size())));
    return body + "crc " + crc + "\n";
}

bool isEmpty(const PlayStatistics& s) {
    return s == PlayStatistics{};
}

} // namespace

TEST(PlayStatisticsCounts, CountGamesPerLevelWithBestAndTotal) {
    const PlayStatistics s = sampleStatistics();
    EXPECT_EQ(s.Level(1), (LevelStatistics{5, 2, 120, 200}));
    EXPECT_EQ(s.Level(2), LevelStatistics{});
    EXPECT_EQ(s.Level(3), (LevelStatistics{1, 1, 4500, 4500}));
}

TEST(PlayStatisticsCounts, IgnoreLevelsOutsideOneToThreeAndNegativeScores) {
    PlayStatistics s;
    s.RecordGameStarted(0);
    s.RecordGameStarted(4);
    s.RecordGameFinished(-1, 10);
    s.RecordGameFinished(2, -5);
    EXPECT_TRUE(isEmpty(s));
    EXPECT_EQ(s.Level(0), LevelStatistics{});
    EXPECT_EQ(s.Level(99), LevelStatistics{});
}

TEST(PlayStatisticsCounts, SaturateInsteadOfOverflowing) {
    auto loaded = PlayStatistics::FromText(
        editedText("level 2 0 0 0 0", "level 2 2147483647 2147483647 7 9223372036854775000"));
    ASSERT_TRUE(loaded);
    loaded->RecordGameStarted(2);
    loaded->RecordGameFinished(2, INT_MAX);
    EXPECT_EQ(loaded->Level(2), (LevelStatistics{INT_MAX, INT_MAX, INT_MAX, INT64_MAX}));
}

TEST(PlayStatisticsAttempts, OneRankedAttemptPerDayEndedOnce) {
    PlayStatistics s;
    EXPECT_FALSE(s.FinishDailyAttempt(100, 5)) << "no attempt yet";
    EXPECT_TRUE(s.BeginDailyAttempt(100, 2));
    EXPECT_FALSE(s.BeginDailyAttempt(100, 2)) << "the day has its attempt";
    EXPECT_EQ(s.Attempt(100), (DailyAttempt{100, 2, 0, AttemptState::Playing}));
    EXPECT_FALSE(s.FinishDailyAttempt(100, -1));
    EXPECT_TRUE(s.FinishDailyAttempt(100, 77));
    EXPECT_FALSE(s.FinishDailyAttempt(100, 99)) << "an ended attempt stays as it ended";
    EXPECT_FALSE(s.GiveUpDailyAttempt(100));
    EXPECT_EQ(s.Attempt(100), (DailyAttempt{100, 2, 77, AttemptState::Finished}));
    EXPECT_FALSE(s.Attempt(101));
    EXPECT_FALSE(s.BeginDailyAttempt(101, 0));
    EXPECT_FALSE(s.BeginDailyAttempt(-3, 1));
}

TEST(PlayStatisticsAttempts, AClockSetBackCannotStartAnEarlierDay) {
    PlayStatistics s;
    EXPECT_TRUE(s.BeginDailyAttempt(500, 1));
    EXPECT_TRUE(s.GiveUpDailyAttempt(500));
    EXPECT_FALSE(s.BeginDailyAttempt(499, 1));
    EXPECT_FALSE(s.BeginDailyAttempt(300, 1));
    EXPECT_TRUE(s.BeginDailyAttempt(501, 1));
    EXPECT_EQ(s.Attempts().size(), 2u);
}

TEST(PlayStatisticsAttempts, AnAttemptOfAnEarlierDayCanStillBeEnded) {
    // A game started before midnight UTC belongs to the day it started on.
    PlayStatistics s;
    ASSERT_TRUE(s.BeginDailyAttempt(700, 1));
    ASSERT_TRUE(s.BeginDailyAttempt(701, 2));
    EXPECT_TRUE(s.FinishDailyAttempt(700, 12));
    EXPECT_EQ(s.Attempt(700)->state, AttemptState::Finished);
    EXPECT_EQ(s.Attempt(701)->state, AttemptState::Playing);
}

TEST(PlayStatisticsAttempts, LastAttemptsAreTheNewestOldestFirst) {
    const PlayStatistics s = sampleStatistics();
    const auto two = s.LastAttempts(2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].day, 20001);
    EXPECT_EQ(two[1].day, 20003);
    EXPECT_EQ(s.LastAttempts(30).size(), 3u);
    EXPECT_TRUE(s.LastAttempts(0).empty());
}

TEST(PlayStatisticsAttempts, KeepTheNewestAndFoldTheOldestIntoTheEarlierStreak) {
    PlayStatistics s;
    const std::int64_t first = 10000;
    const std::size_t days = PlayStatistics::kMaxAttempts + 25;
    for (std::size_t i = 0; i < days; ++i) {
        const std::int64_t day = first + static_cast<std::int64_t>(i);
        ASSERT_TRUE(s.BeginDailyAttempt(day, 1));
        // Day 5 is given up, so the dropped days hold runs of 5 and then 19.
        if (i == 5)
            ASSERT_TRUE(s.GiveUpDailyAttempt(day));
        else
            ASSERT_TRUE(s.FinishDailyAttempt(day, 1));
    }
    ASSERT_EQ(s.Attempts().size(), PlayStatistics::kMaxAttempts);
    EXPECT_EQ(s.Attempts().front().day, first + 25);
    EXPECT_EQ(s.Earlier(), (store::EarlierStreak{first + 24, 19, 19}));
    EXPECT_FALSE(s.BeginDailyAttempt(first + 3, 1)) << "a dropped day cannot come back";
    const auto reloaded = PlayStatistics::FromText(s.Text());
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(*reloaded, s);
}

TEST(PlayStatisticsFile, RoundTripsEveryField) {
    TempDir dir;
    const PlayStatistics saved = sampleStatistics();
    ASSERT_TRUE(saved.Save(dir.file("stats.dat")));
    EXPECT_EQ(PlayStatistics::Load(dir.file("stats.dat")), saved);
    EXPECT_EQ(dir.entryCount(), 1u) << "no temporary file is left";
}

TEST(PlayStatisticsFile, AMissingFileOrADirectoryGivesEmptyStatistics) {
    TempDir dir;
    EXPECT_TRUE(isEmpty(PlayStatistics::Load(dir.file("stats.dat"))));
    std::filesystem::create_directory(dir.file("stats.dat"));
    EXPECT_TRUE(isEmpty(PlayStatistics::Load(dir.file("stats.dat"))));
    EXPECT_FALSE(sampleStatistics().Save(dir.file("stats.dat")));
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("stats.dat")));
}

TEST(PlayStatisticsFile, ADamagedFileGivesEmptyStatistics) {
    TempDir dir;
    const std::string path = dir.file("stats.dat");
    const std::string good = sampleStatistics().Text();
    // Every truncation and every flipped bit of every byte is refused.
    for (std::size_t size = 0; size < good.size(); ++size) {
        writeBytes(path, good.substr(0, size));
        ASSERT_TRUE(isEmpty(PlayStatistics::Load(path))) << "truncated to " << size;
    }
    for (std::size_t at = 0; at < good.size(); ++at)
        for (int bit = 0; bit < 8; ++bit) {
            std::string flipped = good;
            flipped[at] = static_cast<char>(flipped[at] ^ (1 << bit));
            ASSERT_FALSE(PlayStatistics::FromText(flipped)) << "byte " << at << " bit " << bit;
        }
    writeBytes(path, std::string(PlayStatistics::kMaxFileBytes + 1, 'x'));
    EXPECT_TRUE(isEmpty(PlayStatistics::Load(path)));
}

TEST(PlayStatisticsFile, RefusesContentThatItsChecksumCannotVouchFor) {
    ASSERT_TRUE(PlayStatistics::FromText(editedText("given-up", "given-up")));
    // Another version, counts beyond their type, numbers in other spellings, days out of order.
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"hoopstack-statistics 1", "hoopstack-statistics 2"},
             {"hoopstack-statistics 1", "hoopstack-statistics 01"},
             {"level 1 5", "level 1 2147483648"},
             {"level 1 5", "level 1 99999999999999999999999"},
             {"level 1 5", "level 1 -5"},
             {"level 1 5", "level 1 +5"},
             {"level 1 5", "level 1 05"},
             {"level 1 5", "level 1  5"},
             {"level 2 0 0 0 0", "level 2 0 0 0 9223372036854775808"},
             {"level 2", "level 4"},
             {"earlier -1 0 0", "earlier -2 0 0"},
             {"earlier -1 0 0", "earlier -0 0 0"},
             {"attempt 20001 3 0", "attempt 20001 3 -0"},
             {"earlier -1 0 0", "earlier -1 3 2"},
             {"earlier -1 0 0", "earlier 20000 0 0"},
             {"attempt 20001 3", "attempt 20001 4"},
             {"attempt 20001 3", "attempt 20000 3"},
             {"attempt 20001 3", "attempt 19999 3"},
             {"attempt 20001 3 0", "attempt 20001 3 2147483648"},
             {"given-up", "lost"},
             {"given-up\n", "given-up extra\n"},
             {"given-up\n", "given-up\n\n"},
         })
        EXPECT_FALSE(PlayStatistics::FromText(editedText(from, to))) << from << " -> " << to;
}

TEST(PlayStatisticsFile, AFailedSaveLeavesTheOldFileAsItWas) {
    // A folder nobody may write into, whoever runs the test.
    EXPECT_FALSE(sampleStatistics().Save("/proc/self/stats.dat"));
    TempDir dir;
    const std::string folder = dir.file("locked");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/stats.dat";
    const PlayStatistics old = sampleStatistics();
    ASSERT_TRUE(old.Save(path));
    const std::string before = readBytes(path);
    ::chmod(folder.c_str(), 0500);
    if (::access(folder.c_str(), W_OK) == 0) {
        ::chmod(folder.c_str(), 0700);
        GTEST_SKIP() << "this user can write into a read-only folder";
    }
    PlayStatistics changed = old;
    changed.RecordGameStarted(2);
    EXPECT_FALSE(changed.Save(path));
    ::chmod(folder.c_str(), 0700);
    EXPECT_EQ(readBytes(path), before);
    EXPECT_EQ(PlayStatistics::Load(path), old);
}
