// The day's court as the simulator prints it for other programs.

#include <gtest/gtest.h>

#include <ctime>
#include <regex>
#include <string>

#include "SimRun.hpp"
#include "rules/GameReplay.hpp"

namespace {

TEST(SimDaily, ADayPrintsItsLevelStartAndTheCourtBeforeTheFirstThrow) {
    const RunResult run = RunSim("daily", "daily --date 2026-12-11", "");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 1u) << run.out;
    // Rows 1-8 empty, rows 9-16 full of the seven colours, and a full ceiling.
    const std::string empty = "\"0000000000000000\"", full = "\"[1-7]{16}\"";
    std::string board = empty;
    for (int row = 2; row <= 8; ++row) board += "," + empty;
    for (int row = 9; row <= 16; ++row) board += "," + full;
    const std::regex shape("\\{\"date\":\"2026-12-11\",\"level\":2,\"start\":257061842,\"board\":\\[" +
                           board + "\\],\"ceiling\":\"[1-7]{16}\"\\}");
    EXPECT_TRUE(std::regex_match(lines[0], shape)) << lines[0];

    // The same day is the same court; the next day another, at the next level in turn.
    EXPECT_EQ(RunSim("daily_again", "daily --date 2026-12-11", "").out, run.out);
    const RunResult next = RunSim("daily_next", "daily --date 2026-12-12", "");
    EXPECT_EQ(next.out.rfind("{\"date\":\"2026-12-12\",\"level\":0,", 0), 0u) << next.out;
    EXPECT_NE(next.out.substr(next.out.find("\"board\"")), run.out.substr(run.out.find("\"board\"")));
}

TEST(SimDaily, WithoutADateItIsTodaysUtcDay) {
    const std::time_t before = std::time(nullptr);
    const RunResult run = RunSim("daily_today", "daily", "");
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ(run.status, 0) << run.err;
    auto dateOf = [](std::time_t t) {
        std::tm utc{};
        gmtime_r(&t, &utc);
        char text[16];
        std::strftime(text, sizeof text, "%Y-%m-%d", &utc);
        return std::string(text);
    };
    const std::string date = run.out.substr(9, 10);
    EXPECT_TRUE(date == dateOf(before) || date == dateOf(after)) << run.out;
}

TEST(SimDaily, ABadDateOrOptionIsOneLineAndExitTwo) {
    for (const char* args :
         {"daily --date 2026-02-29", "daily --date 1969-12-31", "daily --date yesterday", "daily --date ''",
          "daily --date 2026-12-11T00:00", "daily --level 1", "daily --date"}) {
        const RunResult run = RunSim("daily_bad", args, "");
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_EQ(run.out, "") << args;
        EXPECT_EQ(Lines(run.err).size(), 1u) << args << ": " << run.err;
        EXPECT_EQ(run.err.rfind("hoopstack-sim: ", 0), 0u) << run.err;
    }
}

// A bot's whole daily game, recorded, starts from the day's start at the day's level and
// verifies; a day's game takes no level or seed of its own.
TEST(SimDaily, ADaysGameRecordsFromTheDaysStartAndVerifies) {
    const std::string path = ::testing::TempDir() + "sim_daily_record";
    const RunResult recorded =
        RunSim("daily_rec", "record --daily 2026-12-31 --bot greedy --out '" + path + "'", "");
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    EXPECT_EQ(recorded.out.rfind("{\"recorded\":true,\"level\":1,", 0), 0u) << recorded.out;
    std::string text = ReadFile(path);
    ASSERT_FALSE(text.empty());
    text.pop_back(); // the file's newline
    const std::optional<rules::GameReplay> replay = rules::DecodeReplay(text);
    ASSERT_TRUE(replay);
    EXPECT_EQ(replay->startState, 1433268679u);
    EXPECT_EQ(replay->level, rules::Level::Expert);
    const RunResult verified = RunSim("daily_ver", "verify '" + path + "'", "");
    EXPECT_EQ(verified.status, 0) << verified.out << verified.err;
    for (const char* args :
         {"record --daily 2026-12-31 --level 1 --out x", "record --daily 2026-12-31 --seed 3 --out x",
          "record --daily 2026-02-30 --out x"}) {
        const RunResult bad = RunSim("daily_rec_bad", args, "");
        EXPECT_EQ(bad.status, 2) << args;
        EXPECT_EQ(Lines(bad.err).size(), 1u) << bad.err;
    }
}

} // namespace
