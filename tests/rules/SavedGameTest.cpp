#include <gtest/gtest.h>

#include <filesystem>

#include "rules/TSavedGame.hpp"

using namespace rules;

TEST(SavedGame, TextRoundTripsWith263Fields) {
    TSavedGame saved;
    saved.settings = {Level::Master, false, true, false, Speed::Fast};
    saved.score = 1234;
    for (int c = 1; c <= 16; ++c) saved.cells[16][c] = (c % 7) + 1;
    saved.cells[1][1] = 3;
    saved.boardEmpty = false;
    const std::string text = FormatSavedGame(saved);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 263);
    EXPECT_EQ(text.substr(0, 17), "2\t0\t1\t0\t0\t1234\t0\t");
    const TSavedGame back = ParseSavedGame(text);
    EXPECT_EQ(back.settings.level, Level::Master);
    EXPECT_FALSE(back.settings.sound);
    EXPECT_EQ(back.score, 1234);
    EXPECT_EQ(back.cells, saved.cells);
    EXPECT_FALSE(back.boardEmpty);
    EXPECT_TRUE(back.CanRestore());
}

TEST(SavedGame, AnEndedGameIsWrittenWithScoreZeroAndNotRestored) {
    TSavedGame saved;
    saved.score = 99;
    saved.gameOver = true;
    saved.cells[16][1] = 1;
    const TSavedGame back = ParseSavedGame(FormatSavedGame(saved));
    EXPECT_EQ(back.score, 0);
    EXPECT_TRUE(back.gameOver);
    EXPECT_FALSE(back.CanRestore());
}

TEST(SavedGame, ReadingAppliesTheBounds) {
    TSavedGame base;
    base.settings.speed = Speed::Slow;
    const TSavedGame a = ParseSavedGame("7\t5\t0\t-3\t3\t-50\t0\t9\t4\t-1", base);
    EXPECT_EQ(a.settings.level, Level::Novice);
    EXPECT_TRUE(a.settings.sound);
    EXPECT_FALSE(a.settings.autosave);
    EXPECT_TRUE(a.settings.showPath);
    EXPECT_EQ(static_cast<int>(a.settings.speed), 3);  // accepted, and runs as Fast
    EXPECT_EQ(a.score, 0);
    EXPECT_EQ(a.cells[1][1], 0);  // 9 is no colour
    EXPECT_EQ(a.cells[1][2], 4);
    EXPECT_EQ(a.cells[1][3], 0);
    EXPECT_EQ(a.cells[16][16], 0);  // the text ended early
    EXPECT_FALSE(a.boardEmpty);
    // Empty fields keep what was there; junk after digits ends the number; huge values saturate.
    const TSavedGame b = ParseSavedGame("\t\t\t\t\t 42abc\t99999999999999\t", base);
    EXPECT_EQ(b.settings.speed, Speed::Slow);
    EXPECT_EQ(b.score, 42);
    EXPECT_TRUE(b.gameOver);
    EXPECT_TRUE(b.boardEmpty);
}

TEST(SavedGame, FileRoundTripAndUnreadableFiles) {
    const auto dir = std::filesystem::temp_directory_path() / ("hoopstack-saved-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "state.dat").string();
    EXPECT_FALSE(LoadSavedGame(path));
    TSavedGame saved;
    saved.cells[16][4] = 6;
    saved.boardEmpty = false;
    ASSERT_TRUE(StoreSavedGame(path, saved));
    const auto back = LoadSavedGame(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->cells[16][4], 6);
    std::filesystem::resize_file(path, 10);
    EXPECT_FALSE(LoadSavedGame(path));
    std::filesystem::remove_all(dir);
}
