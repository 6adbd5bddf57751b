#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "TempDir.hpp"
#include "store/TScoreReplays.hpp"
#include "store/TScoresTable.hpp"

namespace {

using store::TScoreReplays;
using Key = TScoreReplays::Key;

store::TScoresTable tableOf(const std::string& text) {
    store::TScoresTable table;
    table.addTableText(text);
    return table;
}

std::vector<std::string> replaysIn(const TScoreReplays& replays) {
    std::vector<std::string> out;
    for (const auto& entry : replays.entries()) out.push_back(entry.replay);
    return out;
}

TEST(ScoreReplaysText, RoundTripsNewestFirstWithAnyNameButALineBreak) {
    TScoreReplays replays;
    ASSERT_TRUE(replays.add({500, "1", "2026-12-9", "Anna"}, "eJxLTEoGAAJNASc"));
    ASSERT_TRUE(replays.add({-3, "3", "2026-12-9", "Tab\tin \x8A name "}, "AAAA-_"));
    ASSERT_TRUE(replays.add({500, "1", "2026-12-9", ""}, "b"));
    EXPECT_EQ(replays.text(), std::string(TScoreReplays::kHeader) + "\n" +
                                  "500\t1\t2026-12-9\tb\t\n"
                                  "-3\t3\t2026-12-9\tAAAA-_\tTab\tin \x8A name \n"
                                  "500\t1\t2026-12-9\teJxLTEoGAAJNASc\tAnna\n");
    TScoreReplays back;
    ASSERT_TRUE(back.addText(replays.text()));
    EXPECT_EQ(back.entries(), replays.entries());
    ASSERT_NE(back.find({-3, "3", "2026-12-9", "Tab\tin \x8A name "}), nullptr);
    EXPECT_EQ(*back.find({-3, "3", "2026-12-9", "Tab\tin \x8A name "}), "AAAA-_");
    // Every field takes part: another level, date, name or score finds nothing.
    EXPECT_EQ(back.find({500, "2", "2026-12-9", "Anna"}), nullptr);
    EXPECT_EQ(back.find({500, "1", "2026-12-8", "Anna"}), nullptr);
    EXPECT_EQ(back.find({500, "1", "2026-12-9", "anna"}), nullptr);
    EXPECT_EQ(back.find({501, "1", "2026-12-9", "Anna"}), nullptr);
}

TEST(ScoreReplaysText, WhatALineCannotCarryIsRefused) {
    TScoreReplays replays;
    EXPECT_FALSE(replays.add({1, "1", "d", "n"}, ""));
    EXPECT_FALSE(replays.add({1, "1", "d", "n"}, "has space"));
    EXPECT_FALSE(replays.add({1, "1", "d", "n"}, "a+b/c="));  // plain base64, which an address mangles
    EXPECT_FALSE(replays.add({1, "1", "d", "two\nlines"}, "abc"));
    EXPECT_FALSE(replays.add({1, "1", "d", "cr\r"}, "abc"));
    EXPECT_FALSE(replays.add({1, "1\t", "d", "n"}, "abc"));
    EXPECT_FALSE(replays.add({1, "1", "d\t", "n"}, "abc"));
    EXPECT_TRUE(replays.entries().empty());
}

TEST(ScoreReplaysText, BadLinesAreSkippedAndTheRestLoads) {
    const std::string header = std::string(TScoreReplays::kHeader) + "\n";
    TScoreReplays replays;
    ASSERT_TRUE(replays.addText(header +
                                "10\t1\td\tgood\tAnn\r\n"   // CR LF reads as LF
                                "007\t1\td\tabc\tLeading zero\n"
                                "+5\t1\td\tabc\tPlus\n"
                                "99999999999\t1\td\tabc\tToo big\n"
                                "5\t1\td\tnot base64!\tBad replay\n"
                                "5\t1\td\t\tEmpty replay\n"
                                "5\t1\tno name field\n"
                                "\n"
                                "binary \x01\x02\xff\n"
                                "20\t2\td\tlast\tNo final break"));
    ASSERT_EQ(replays.entries().size(), 2u);
    EXPECT_EQ(replays.entries()[0], (TScoreReplays::Entry{{10, "1", "d", "Ann"}, "good"}));
    EXPECT_EQ(replays.entries()[1], (TScoreReplays::Entry{{20, "2", "d", "No final break"}, "last"}));

    // Another first line is not a file of replays: nothing of it is taken.
    TScoreReplays foreign;
    EXPECT_FALSE(foreign.addText("hoopstack-replays 2\n10\t1\td\tgood\tAnn\n"));
    EXPECT_FALSE(foreign.addText("10\t1\td\tgood\tAnn\n"));
    EXPECT_FALSE(foreign.addText(""));
    EXPECT_TRUE(foreign.entries().empty());
    EXPECT_TRUE(foreign.addText(header));
}

TEST(ScoreReplaysText, PruningKeepsOneReplayPerRecordTheTableStillHolds) {
    TScoreReplays replays;
    replays.add({100, "1", "d", "Ann"}, "old");
    replays.add({100, "1", "d", "Ann"}, "new");   // a second game, same day, same score
    replays.add({100, "1", "d", "Ann"}, "newer");
    replays.add({200, "2", "d", "Bob"}, "bob");
    replays.add({300, "3", "d", "Cid"}, "gone");
    // Two of Ann's records, Bob's record edited by hand to a higher score, Cid's removed.
    replays.pruneTo(tableOf("d\tAnn\t1\t100\nd\tAnn\t1\t100\nd\tBob\t2\t999999\nd\tEve\t1\t5\n"));
    EXPECT_EQ(replaysIn(replays), (std::vector<std::string>{"newer", "new"}));
    // A cleared table keeps none.
    replays.pruneTo(store::TScoresTable());
    EXPECT_TRUE(replays.entries().empty());
}

class ScoreReplaysFiles : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("replays.dat");
};

TEST_F(ScoreReplaysFiles, SavedFilesLoadBackAndReplaceTheOldOneWhole) {
    TScoreReplays replays;
    replays.add({42, "2", "2026-1-2", "Zoe"}, "eJwz");
    ASSERT_TRUE(replays.save(path));
    TScoreReplays loaded;
    ASSERT_TRUE(loaded.load(path));
    EXPECT_EQ(loaded.entries(), replays.entries());
    ASSERT_TRUE(TScoreReplays().save(path));
    EXPECT_EQ(readBytes(path), std::string(TScoreReplays::kHeader) + "\n");
    EXPECT_EQ(dir.entryCount(), 1u) << "a temporary file was left behind";
}

TEST_F(ScoreReplaysFiles, MissingCorruptAndHugeFilesGiveNoReplays) {
    TScoreReplays replays;
    std::string error;
    EXPECT_FALSE(replays.load(path, &error));
    EXPECT_NE(error.find("replays.dat"), std::string::npos) << error;

    std::mt19937 random(7);
    std::string noise(4096, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    writeBytes(path, noise);
    EXPECT_FALSE(replays.load(path));
    EXPECT_TRUE(replays.entries().empty());

    // A file cut anywhere never gives a cut replay: the replay is followed by the name's TAB.
    TScoreReplays full;
    full.add({1, "1", "d", "One"}, "aaaa");
    full.add({2, "1", "d", "Two"}, "bbbb");
    const std::string text = full.text();
    for (std::size_t cut = 0; cut < text.size(); ++cut) {
        writeBytes(path, text.substr(0, cut));
        TScoreReplays part;
        if (!part.load(path)) continue;
        for (const auto& entry : part.entries()) {
            const std::string* whole = full.find(entry.key);
            if (whole) {
                EXPECT_EQ(*whole, entry.replay) << cut;
            }
        }
    }

    std::filesystem::resize_file(path, TScoreReplays::kMaxFileSize + 1);
    EXPECT_FALSE(replays.load(path, &error));
    EXPECT_NE(error.find("larger"), std::string::npos) << error;
}

TEST_F(ScoreReplaysFiles, AFailedSaveKeepsTheOldFile) {
    TScoreReplays replays;
    replays.add({1, "1", "d", "One"}, "aaaa");
    ASSERT_TRUE(replays.save(path));
    // A folder that is a file: nothing below it can be written.
    writeBytes(dir.file("plain"), "x");
    std::string error;
    EXPECT_FALSE(replays.save(dir.file("plain") + "/replays.dat", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(store::isBase64Url("Az09-_"));
    EXPECT_FALSE(store::isBase64Url("a=b"));
}

} // namespace
