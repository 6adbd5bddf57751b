// Reading the file given with --replay: every way a file can fail to be a replay of this game
// ends in a reason for the player, never in a replay that plays something else.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "app/ReplayFile.hpp"
#include "rules/GameReplay.hpp"
#include "rules/ReplayPlayer.hpp"

namespace {

using rules::GameReplay;

class ReplayFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("hoopstack-replay-file-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        replay.level = rules::Level::Master;
        replay.startState = 987654321;
        replay.frameCounts = {24, 24, 20, 24, 24, 16, 24};
        replay.inputs = {{3, rules::ReplayInput::Kind::Click, 120, 300},
                         {40, rules::ReplayInput::Kind::Pace, 0, 0},
                         {41, rules::ReplayInput::Kind::Click, 50, 61}};
        replay.ticks = 90;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string Write(const std::string& name, const std::string& text) {
        const std::filesystem::path path = dir / name;
        std::ofstream(path, std::ios::binary) << text;
        return path.string();
    }
    // Fails the test when the file reads; the reason otherwise.
    std::string Refused(const std::string& path) {
        std::string error;
        EXPECT_EQ(app::ReadReplayFile(path, &error), std::nullopt) << path;
        EXPECT_FALSE(error.empty());
        return error;
    }

    std::filesystem::path dir;
    GameReplay replay;
};

TEST_F(ReplayFileTest, TheTextWithItsNewlineOrOtherTrailingWhitespaceReads) {
    const std::string text = rules::EncodeReplay(replay);
    for (const std::string& tail :
         {std::string("\n"), std::string(), std::string("\r\n"), std::string(" \t\n\n")}) {
        std::string error;
        const auto read = app::ReadReplayFile(Write("game.hoopstack-replay", text + tail), &error);
        ASSERT_TRUE(read) << error;
        EXPECT_EQ(*read, replay);
    }
}

// The saved game's replay and the simulator read the same files: page and line tabulations
// after the text are whitespace too.
TEST_F(ReplayFileTest, AnyWhitespaceAfterTheTextReads) {
    const std::string text = rules::EncodeReplay(replay);
    std::string error;
    const auto read = app::ReadReplayFile(Write("game.hoopstack-replay", text + "\f\v \n"), &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, replay);
}

TEST_F(ReplayFileTest, MissingFoldersEmptyAndOversizedFilesAreRefusedWithTheirReason) {
    EXPECT_NE(Refused((dir / "none.hoopstack-replay").string()).find("no such file"), std::string::npos);
    EXPECT_NE(Refused(dir.string()).find("folder"), std::string::npos);
    EXPECT_NE(Refused(Write("empty", "")).find("empty"), std::string::npos);
    EXPECT_NE(Refused(Write("blank", " \n\n")).find("empty"), std::string::npos);
    // One byte over the limit is refused before it is decoded.
    EXPECT_NE(Refused(Write("large", std::string(rules::kMaxReplayText + 1, 'A'))).find("larger"),
              std::string::npos);
}

TEST_F(ReplayFileTest, WhatIsNoReplayOfOursIsRefused) {
    const std::string text = rules::EncodeReplay(replay);
    const std::vector<std::string> bad = {
        "hello, this is not a replay\n",
        text.substr(0, text.size() / 2) + "\n", // cut
        "\x89PNG\r\n\x1a\n" + text,             // another file's bytes before it
        " " + text + "\n",                      // leading whitespace is not the format's
        std::string("\0\1\2\3\xff\xfe", 6),
    };
    for (const std::string& content : bad) {
        SCOPED_TRACE(content.substr(0, 40));
        EXPECT_NE(Refused(Write("bad.hoopstack-replay", content)).find("not a Hoopstack replay"),
                  std::string::npos);
    }
    // A replay played under other rules would show another game.
    GameReplay other = replay;
    other.rulesVersion = GameReplay::kRulesVersion + 1;
    Refused(Write("other.hoopstack-replay", rules::EncodeReplay(other) + "\n"));
    // One frame more than the verifier plays: a game no one played.
    GameReplay endless = replay;
    endless.ticks = rules::kReplayTickBudget + 1;
    EXPECT_NE(
        Refused(Write("endless.hoopstack-replay", rules::EncodeReplay(endless))).find("longer than any game"),
        std::string::npos);
    endless.ticks = rules::kReplayTickBudget;
    std::string error;
    EXPECT_TRUE(app::ReadReplayFile(Write("long.hoopstack-replay", rules::EncodeReplay(endless)), &error))
        << error;
}

TEST_F(ReplayFileTest, UnreadableFilesAreRefused) {
    // A file that cannot be read as one (the permission bits do not stop root).
    const std::string path = Write("locked.hoopstack-replay", rules::EncodeReplay(replay) + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::none);
    if (::geteuid() != 0) {
        EXPECT_NE(Refused(path).find("cannot be opened"), std::string::npos);
    }
    EXPECT_NE(Refused("/proc/self/mem").find("cannot be read"), std::string::npos);
}

TEST(ReplayFailureText, NamesTheFileWithoutItsFolder) {
    EXPECT_EQ(app::ReplayFailureText("/home/anna/Downloads/12.hoopstack-replay", "there is no such file"),
              "Could not show the replay \"12.hoopstack-replay\": there is no such file.");
    EXPECT_EQ(app::ReplayFailureText("/", "it is a folder, not a file"),
              "Could not show the replay \"/\": it is a folder, not a file.");
}

} // namespace
