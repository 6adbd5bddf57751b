// The day's tables, on every backend: which published games enter them (verified games of the
// day's court in the day's window), each name once with its best, ranks, the operator's hide
// and delete, and an older database that gains the day's columns.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <pqxx/pqxx>
#include <sqlite3.h>

#include "ReplayGames.hpp"
#include "TestDatabase.hpp"
#include "rules/DailyCourt.hpp"
#include "server/DailyGames.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/ReplayCheck.hpp"

using namespace server;

namespace {

// 2026-12-11, a Master day.
const std::int64_t kTableDay = rules::DaysSinceEpoch({2026, 12, 11});
const std::int64_t kDayStart = kTableDay * kSecondsPerDay;
const int kDayLevel = int(rules::DailyLevel(kTableDay)) + kFirstLevel;

// Games of the day's court by the bot `botSeed`, played once for every test.
const PlayedGame& DayGame(std::uint32_t botSeed) {
    static std::map<std::uint32_t, PlayedGame> games;
    auto found = games.find(botSeed);
    if (found == games.end()) {
        const std::optional<PlayedGame> game = PlayGameFrom(kDayLevel, rules::DailyStart(kTableDay), botSeed);
        EXPECT_TRUE(game);
        found = games.emplace(botSeed, game.value_or(PlayedGame{})).first;
    }
    return found->second;
}

// A publish of `game` by `name` received at `at`, checked as the server checks it; the report
// claims `score`, the game's own unless given.
NewRecord Published(const PlayedGame& game, const std::string& name, std::int64_t at,
                    std::optional<std::int32_t> score = std::nullopt) {
    NewRecord r;
    r.level = game.level;
    r.score = score.value_or(game.score);
    r.name = name;
    r.report = std::to_string(r.score) + '\t' + std::to_string(r.level) + '\t' + name + '\t' + game.replay;
    r.receivedAt = at;
    r.check = CheckReplay(game.replay, r.level, r.score);
    return r;
}

class DailyTableTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        SKIP_UNLESS_AVAILABLE(m_database);
        Reopen();
    }
    void Reopen() {
        m_store.reset();
        auto opened = OpenRecordStore(m_database.Url());
        ASSERT_TRUE(opened) << opened.error();
        m_store = std::move(*opened);
    }
    PublishResult Publish(const NewRecord& r) {
        const Expected<PublishResult> result = m_store->Publish(r);
        EXPECT_TRUE(result) << result.error();
        return result ? *result : PublishResult{};
    }
    std::vector<RankedRecord> Day(std::int64_t day = kTableDay) {
        const auto rows = m_store->DailyTop(day, 1, 100);
        EXPECT_TRUE(rows) << rows.error();
        return rows ? *rows : std::vector<RankedRecord>{};
    }
    // "name:score" per row of the day's table, best first.
    std::vector<std::string> DayRows(std::int64_t day = kTableDay) {
        std::vector<std::string> out;
        for (const RankedRecord& r : Day(day)) out.push_back(r.name + ":" + std::to_string(r.score));
        return out;
    }
    std::size_t LevelRows(int level) {
        const auto rows = m_store->Top(level, 1, 100);
        EXPECT_TRUE(rows) << rows.error();
        return rows ? rows->size() : 0;
    }

    TestDatabase m_database{GetParam()};
    std::unique_ptr<RecordStore> m_store;
};

TEST_P(DailyTableTest, AVerifiedGameOfTheDaysCourtInItsWindowEntersTheDayAndTheLevel) {
    const PlayedGame& game = DayGame(1);
    ASSERT_TRUE(Published(game, "anna", kDayStart).check.verified);
    const PublishResult result = Publish(Published(game, "anna", kDayStart + 3600));
    EXPECT_TRUE(result.verified) << result.reason;
    EXPECT_EQ(result.day, kTableDay);
    EXPECT_EQ(result.dailyRank, 1);
    EXPECT_EQ(result.rank, 1);
    const std::vector<RankedRecord> rows = Day();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].rank, 1);
    EXPECT_EQ(rows[0].name, "anna");
    EXPECT_EQ(rows[0].score, game.score);
    EXPECT_TRUE(rows[0].verified);
    EXPECT_TRUE(SplitBoard(rows[0].board));
    EXPECT_TRUE(*m_store->Replay(rows[0].id));
    EXPECT_EQ(LevelRows(kDayLevel), 1u);
    // No other day holds it.
    EXPECT_TRUE(Day(kTableDay - 1).empty());
    EXPECT_TRUE(Day(kTableDay + 1).empty());
}

TEST_P(DailyTableTest, TheWindowRunsFromTheDaysStartToTwelveHoursAfterItsEnd) {
    struct Case {
        std::int64_t at;
        bool enters;
        const char* why;
    };
    const Case cases[] = {
        {kDayStart, true, "the day's first second"},
        {kDayStart + kSecondsPerDay + kDailyGrace - 1, true, "the window's last second"},
        {kDayStart - 1, false, "before the day's start"},
        {kDayStart + kSecondsPerDay + kDailyGrace, false, "exactly 12 hours after the day's end"},
        {kDayStart + 2 * kSecondsPerDay + 3600, false, "beyond the window"},
    };
    std::uint32_t bot = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const PlayedGame& game = DayGame(bot++);
        const PublishResult result = Publish(Published(game, c.why, c.at));
        EXPECT_EQ(result.verified, c.enters) << result.reason;
        EXPECT_EQ(result.day.has_value(), c.enters);
        if (!c.enters) {
            EXPECT_NE(result.reason.find("outside the day's window"), std::string::npos) << result.reason;
            EXPECT_NE(result.reason.find("2026-12-11"), std::string::npos) << result.reason;
            EXPECT_NE(result.reason.find(c.at < kDayStart ? "before" : "after"), std::string::npos);
        }
    }
    std::vector<std::string> names;
    for (const RankedRecord& r : Day()) names.push_back(r.name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"the day's first second", "the window's last second"}));
    // The games outside the window are stored, unverified with the reason, and listed as
    // unverified records are.
    const Expected<std::vector<StoredRecord>> stored = m_store->List({});
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->size(), std::size(cases));
    int outside = 0;
    for (const StoredRecord& r : *stored)
        if (r.reason.find("outside the day's window") != std::string::npos) ++outside;
    EXPECT_EQ(outside, 3);
    m_store->SetVerifiedOnly(true);
    EXPECT_EQ(Day().size(), 2u);
}

TEST_P(DailyTableTest, OtherGamesEnterNoDay) {
    // Another court, the day's start at another level, a report claiming more than the game
    // scored, and a game that did not end: none is the day's verified game.
    const std::optional<PlayedGame> other = PlayGame(kDayLevel, 4242);
    ASSERT_TRUE(other);
    const int otherLevel = kDayLevel == 1 ? 2 : 1;
    const std::optional<PlayedGame> wrongLevel = PlayGameFrom(otherLevel, rules::DailyStart(kTableDay), 3);
    ASSERT_TRUE(wrongLevel);
    const PublishResult plain = Publish(Published(*other, "plain", kDayStart + 60));
    EXPECT_TRUE(plain.verified);
    EXPECT_FALSE(plain.day);
    const PublishResult atOtherLevel = Publish(Published(*wrongLevel, "other level", kDayStart + 60));
    EXPECT_TRUE(atOtherLevel.verified);
    EXPECT_FALSE(atOtherLevel.day);
    const PublishResult claimed =
        Publish(Published(DayGame(2), "claims more", kDayStart + 60, DayGame(2).score + 1));
    EXPECT_FALSE(claimed.verified);
    EXPECT_FALSE(claimed.day);
    NewRecord unfinished;
    unfinished.level = kDayLevel;
    unfinished.name = "unfinished";
    unfinished.report = "0\tunfinished";
    unfinished.receivedAt = kDayStart + 60;
    unfinished.check =
        CheckReplay(ChangedReplay(UnfinishedReplay(kDayLevel),
                                  [](rules::GameReplay& r) { r.startState = rules::DailyStart(kTableDay); }),
                    kDayLevel, 0);
    EXPECT_FALSE(Publish(unfinished).day);
    EXPECT_TRUE(Day().empty());
    EXPECT_EQ(LevelRows(kDayLevel), 3u);
}

TEST_P(DailyTableTest, AGameAlreadyPublishedCountsOnce) {
    const PlayedGame& game = DayGame(4);
    const PublishResult first = Publish(Published(game, "first", kDayStart + 10));
    EXPECT_EQ(first.dailyRank, 1);
    // The same report again is a duplicate that tells the day's place.
    const PublishResult again = Publish(Published(game, "first", kDayStart + 20));
    EXPECT_EQ(again.outcome, PublishOutcome::Duplicate);
    EXPECT_EQ(again.day, kTableDay);
    EXPECT_EQ(again.dailyRank, 1);
    // The same game under another name is unverified as a copy, and on no day's table.
    const PublishResult copy = Publish(Published(game, "copier", kDayStart + 30));
    EXPECT_FALSE(copy.verified);
    EXPECT_NE(copy.reason.find("same game"), std::string::npos) << copy.reason;
    EXPECT_FALSE(copy.day);
    EXPECT_EQ(DayRows(), std::vector<std::string>{"first:" + std::to_string(game.score)});
}

TEST_P(DailyTableTest, EachNameIsListedOnceWithItsBestAttempt) {
    // Four games of the day, best first.
    std::vector<PlayedGame> games;
    for (std::uint32_t bot = 20; games.size() < 4 && bot < 60; ++bot) {
        const PlayedGame& g = DayGame(bot);
        bool distinct = true;
        for (const PlayedGame& other : games) distinct = distinct && other.score != g.score;
        if (distinct) games.push_back(g);
    }
    ASSERT_EQ(games.size(), 4u);
    std::sort(games.begin(), games.end(),
              [](const PlayedGame& a, const PlayedGame& b) { return a.score > b.score; });
    const auto row = [&](const char* name, std::size_t game) {
        return std::string(name) + ":" + std::to_string(games[game].score);
    };

    // Anna plays third best, then the best, then the worst; Bert the second best.
    EXPECT_EQ(Publish(Published(games[2], "anna", kDayStart + 100)).dailyRank, 1);
    EXPECT_EQ(Publish(Published(games[1], "bert", kDayStart + 200)).dailyRank, 1);
    EXPECT_EQ(Publish(Published(games[0], "anna", kDayStart + 300)).dailyRank, 1);
    const PublishResult worse = Publish(Published(games[3], "anna", kDayStart + 400));
    EXPECT_TRUE(worse.verified);
    EXPECT_EQ(worse.day, kTableDay);
    EXPECT_EQ(worse.dailyRank, 0); // Anna's best stands for her
    EXPECT_EQ(DayRows(), (std::vector<std::string>{row("anna", 0), row("bert", 1)}));
    // The level's table lists every game.
    EXPECT_EQ(LevelRows(kDayLevel), 4u);

    // Hiding Anna's best lists her next; showing it again puts it back; deleting it too.
    const std::int64_t best = Day()[0].id;
    ASSERT_TRUE(*m_store->SetHidden(best, true));
    EXPECT_EQ(DayRows(), (std::vector<std::string>{row("bert", 1), row("anna", 2)}));
    ASSERT_TRUE(*m_store->SetHidden(best, false));
    EXPECT_EQ(DayRows(), (std::vector<std::string>{row("anna", 0), row("bert", 1)}));
    ASSERT_TRUE(*m_store->Delete(best));
    EXPECT_EQ(DayRows(), (std::vector<std::string>{row("bert", 1), row("anna", 2)}));
    // The ranks count the day's rows: a new name between them.
    const PublishResult carl = Publish(Published(DayGame(99), "carl", kDayStart + 500));
    std::int64_t expected = 1;
    for (const RankedRecord& r : Day())
        if (r.name != "carl" && r.score >= DayGame(99).score) ++expected;
    EXPECT_EQ(carl.dailyRank, expected);
    Reopen();
    EXPECT_EQ(Day().size(), 3u);
}

TEST_P(DailyTableTest, AGameTheRulesNoLongerVerifyLeavesTheDaysTable) {
    std::vector<const PlayedGame*> games;
    for (std::uint32_t bot = 60; games.size() < 2 && bot < 100; ++bot)
        if (games.empty() || games[0]->score != DayGame(bot).score) games.push_back(&DayGame(bot));
    ASSERT_EQ(games.size(), 2u);
    if (games[0]->score < games[1]->score) std::swap(games[0], games[1]);
    Publish(Published(*games[0], "anna", kDayStart + 10));
    Publish(Published(*games[1], "anna", kDayStart + 20));
    ASSERT_EQ(DayRows(), std::vector<std::string>{"anna:" + std::to_string(games[0]->score)});
    // Checked again, the best game fails: Anna's other game of the day stands for her.
    const Expected<std::vector<VerifiedReplay>> stored = m_store->VerifiedReplays(0, 10);
    ASSERT_TRUE(stored);
    std::vector<Recheck> batch;
    for (const VerifiedReplay& r : *stored) {
        ReplayCheck check = CheckReplay(r.replay, r.level, r.score);
        if (r.score == games[0]->score) check = ReplayCheck{false, "the rules changed"};
        batch.push_back(Recheck{r, check});
    }
    ReverifyCounts counts;
    ASSERT_TRUE(m_store->Reverify(batch, counts));
    EXPECT_EQ(counts.notFaithful, 1);
    EXPECT_EQ(DayRows(), std::vector<std::string>{"anna:" + std::to_string(games[1]->score)});
    EXPECT_EQ(Publish(Published(DayGame(100), "bert", kDayStart + 30)).dailyRank,
              DayGame(100).score >= games[1]->score ? 1 : 2);
}

// A verified game of the day as the store sees it, without playing one: the check names the
// day's start, its own game and the claimed score.
NewRecord FakeDayGame(const std::string& name, std::int32_t score, int serial) {
    NewRecord r;
    r.level = kDayLevel;
    r.score = score;
    r.name = name;
    r.report = std::to_string(score) + '\t' + name + '\t' + std::to_string(serial);
    r.receivedAt = kDayStart + serial;
    r.check = CheckReplay("", kDayLevel, score);
    r.check.verified = true;
    r.check.reason.clear();
    r.check.replayHash = std::string(40, 'f') + std::to_string(1'000'000'000 + serial) + std::string(14, '0');
    r.check.board = DailyStartBoard(kTableDay);
    r.check.start = rules::DailyStart(kTableDay);
    return r;
}

TEST_P(DailyTableTest, ConcurrentPublishesKeepEachNameOnceAndTheRanksExact) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([this, t] {
            std::mt19937 random{std::uint32_t(t)};
            for (int i = 0; i < 20; ++i) {
                const std::string name =
                    "name " + std::to_string(std::uniform_int_distribution<int>(0, 9)(random));
                const Expected<PublishResult> r = m_store->Publish(
                    FakeDayGame(name, std::uniform_int_distribution<int>(0, 50)(random), t * 100 + i));
                EXPECT_TRUE(r && r->day) << (r ? r->reason : r.error());
            }
        });
    for (std::thread& thread : threads) thread.join();
    const std::vector<RankedRecord> rows = Day();
    std::set<std::string> names;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_TRUE(names.insert(rows[i].name).second) << rows[i].name << " twice";
        if (i > 0) {
            EXPECT_GE(rows[i - 1].score, rows[i].score);
        }
    }
    EXPECT_EQ(rows.size(), 10u);
    // New names' ranks, counted from the day's tree, agree with the rows above them.
    for (const std::int32_t score : {0, 25, 50, 51}) {
        std::int64_t above = 0;
        for (const RankedRecord& r : Day())
            if (r.score > score) ++above;
        EXPECT_EQ(Publish(FakeDayGame("probe " + std::to_string(score), score, 9000 + score)).dailyRank,
                  above + 1)
            << score;
    }
}

TEST_P(DailyTableTest, ADatabaseMadeBeforeTheDaysTablesGainsThem) {
    // A database as servers before the day's tables left it, with a record in it.
    ASSERT_TRUE(Publish(Published(*PlayGame(1, 777), "old", 1000)).verified);
    m_store.reset();
    const std::string drop =
        "DROP INDEX records_listed_daily; DROP INDEX records_daily_listed_by_name; "
        "ALTER TABLE records DROP COLUMN listed_daily; ALTER TABLE records DROP COLUMN daily_day;";
    if (GetParam() == Backend::Sqlite) {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(m_database.Url().substr(9).c_str(), &db), SQLITE_OK);
        char* message = nullptr;
        EXPECT_EQ(sqlite3_exec(db, drop.c_str(), nullptr, nullptr, &message), SQLITE_OK) << message;
        sqlite3_free(message);
        sqlite3_close(db);
    } else {
        pqxx::connection c(m_database.Url());
        pqxx::nontransaction(c).exec(drop);
    }
    Reopen();
    EXPECT_EQ(Publish(Published(DayGame(5), "new", kDayStart + 5)).dailyRank, 1);
    EXPECT_EQ(Day().size(), 1u);
    EXPECT_EQ(m_store->List({})->size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Backends, DailyTableTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& instance) { return std::string(BackendName(instance.param)); });

TEST(DailyGames, FindsTheDayAmongTheDaysAroundThePublish) {
    const std::uint32_t start = rules::DailyStart(kTableDay);
    // In the window of the day and of the day before it.
    EXPECT_EQ(FindDailyGame(start, kDayLevel, kDayStart + 5)->day, kTableDay);
    EXPECT_TRUE(FindDailyGame(start, kDayLevel, kDayStart + 5)->inWindow);
    EXPECT_TRUE(FindDailyGame(start, kDayLevel, kDayStart + kSecondsPerDay + kDailyGrace - 1)->inWindow);
    // Early and late, told so.
    EXPECT_FALSE(FindDailyGame(start, kDayLevel, kDayStart - 1)->inWindow);
    EXPECT_FALSE(FindDailyGame(start, kDayLevel, kDayStart + kSecondsPerDay + kDailyGrace)->inWindow);
    // Far away, or at another level, it is no day's game.
    EXPECT_FALSE(FindDailyGame(start, kDayLevel, kDayStart + 10 * kSecondsPerDay));
    EXPECT_FALSE(FindDailyGame(start, kDayLevel, kDayStart - 10 * kSecondsPerDay));
    EXPECT_FALSE(FindDailyGame(start, kDayLevel % 3 + 1, kDayStart + 5));
    EXPECT_FALSE(FindDailyGame(start + 1, kDayLevel, kDayStart + 5));
    // The first days of the calendar.
    EXPECT_EQ(FindDailyGame(rules::DailyStart(0), 1, 0)->day, 0);
    EXPECT_FALSE(FindDailyGame(rules::DailyStart(0), 1, -1));
}

TEST(DailyGames, TheStartBoardIsTheCourtBeforeTheFirstThrow) {
    const std::optional<std::array<std::string, 16>> rows = SplitBoard(DailyStartBoard(kTableDay));
    ASSERT_TRUE(rows);
    // The top half empty, the bottom half full, as a new game lays it out.
    for (std::size_t r = 0; r < 16; ++r)
        EXPECT_EQ((*rows)[r].find('0') == std::string::npos, r >= 8) << (*rows)[r];
    EXPECT_EQ(DailyStartBoard(kTableDay), DailyStartBoard(kTableDay));
    EXPECT_NE(DailyStartBoard(kTableDay), DailyStartBoard(kTableDay + 3));
    EXPECT_EQ(DayText(kTableDay), "2026-12-11");
}

} // namespace
