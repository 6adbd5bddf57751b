// The day's pages and JSON, on every backend: a game of the day published through the Top 10's
// address shows on /daily, /daily/YYYY-MM-DD and /api/daily with its replay and the day's
// court; hostile and future dates are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "ReplayGames.hpp"
#include "TestDatabase.hpp"
#include "TextSearch.hpp"
#include "rules/DailyCourt.hpp"
#include "server/DailyGames.hpp"
#include "server/Leaderboard.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/Pages.hpp"

using namespace server;

namespace {

// The leaderboard's clock stands at noon of 2026-12-11, a Master day.
const std::int64_t kToday = rules::DaysSinceEpoch({2026, 12, 11});

const PlayedGame& TodaysGame(std::uint32_t bot) {
    static std::map<std::uint32_t, PlayedGame> games;
    auto found = games.find(bot);
    if (found == games.end()) {
        const std::optional<PlayedGame> game =
            PlayGameFrom(int(rules::DailyLevel(kToday)) + kFirstLevel, rules::DailyStart(kToday), bot);
        EXPECT_TRUE(game);
        found = games.emplace(bot, game.value_or(PlayedGame{})).first;
    }
    return found->second;
}

class DailyPagesTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        SKIP_UNLESS_AVAILABLE(m_database);
        auto opened = OpenRecordStore(m_database.Url());
        ASSERT_TRUE(opened) << opened.error();
        m_store = std::move(*opened);
        m_board = std::make_unique<Leaderboard>(
            *m_store, m_limiter, Leaderboard::Clock{[this] { return m_wall; }, [this] { return m_steady; }});
    }
    Reply PublishToday(const PlayedGame& game, const std::string& name) {
        m_steady += 60; // past the rate limit
        return m_board->Publish(ReportCode(game.score, game.level, name), game.replay, "10.0.0.1");
    }

    TestDatabase m_database{GetParam()};
    std::unique_ptr<RecordStore> m_store;
    RateLimiter m_limiter{3};
    std::int64_t m_wall = kToday * kSecondsPerDay + 12 * 3600;
    double m_steady = 50.0;
    std::unique_ptr<Leaderboard> m_board;
};

TEST_P(DailyPagesTest, APublishedGameOfTheDayIsOnTheDaysPagesWithItsReplayAndTheDaysCourt) {
    const PlayedGame& game = TodaysGame(1);
    const Reply published = PublishToday(game, "Anna");
    ASSERT_EQ(published.status, 200);
    EXPECT_TRUE(Contains(published.body,
                         "href=\"/daily/2026-12-11\">the table of 2026-12-11</a>, ranked "
                         "<strong>1st</strong> of the day"))
        << published.body;
    const std::int64_t id = m_store->DailyTop(kToday, 1, 1)->at(0).id;
    const std::string replay = "href=\"/replay/" + std::to_string(id) + ".hoopstack-replay\"";

    for (const Reply& page : {m_board->Daily(std::nullopt), m_board->Daily("2026-12-11")}) {
        ASSERT_EQ(page.status, 200);
        EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
        EXPECT_TRUE(
            Contains(page.body, "The court of 2026-12-11 <span class=\"level\">Master, level 3</span>"));
        EXPECT_TRUE(Contains(page.body, ">Anna<"));
        EXPECT_TRUE(Contains(page.body, replay));
        // The day's court before the first throw, and the row's final court.
        EXPECT_TRUE(Contains(page.body, "aria-label=\"The court of 2026-12-11 before its first throw\""));
        EXPECT_TRUE(Contains(page.body, RenderCourtSvg(DailyStartBoard(kToday),
                                                       "The court of 2026-12-11 before its first throw")));
        EXPECT_TRUE(Contains(page.body, "aria-label=\"Final court of Anna&#39;s game\""));
        EXPECT_EQ(CountOf(page.body, "<svg class=\"court\""), 2);
        // What a row proves and what it does not, in one sentence.
        EXPECT_TRUE(Contains(page.body, "a real game from this day&#39;s court") ||
                    Contains(page.body, "a real game from this day's court"));
        EXPECT_TRUE(
            Contains(page.body, "first attempt: a player can practise the court, and a bot can play it."));
        EXPECT_TRUE(Contains(page.body, "href=\"/daily/2026-12-10\""));
        EXPECT_FALSE(Contains(page.body, "href=\"/daily/2026-12-12\""));
    }
    EXPECT_EQ(m_board->ReplayFile(std::to_string(id) + ".hoopstack-replay").body, game.replay + "\n");
    // The day before is a table of its own, empty, with the court of its own day.
    const Reply yesterday = m_board->Daily("2026-12-10");
    ASSERT_EQ(yesterday.status, 200);
    EXPECT_FALSE(Contains(yesterday.body, ">Anna<"));
    EXPECT_TRUE(Contains(yesterday.body, "No verified game of this day yet"));
    EXPECT_TRUE(Contains(yesterday.body, "Expert, level 2"));
    EXPECT_TRUE(Contains(yesterday.body, "href=\"/daily/2026-12-11\""));

    const Reply json = m_board->ApiDaily(std::string("2026-12-11"));
    ASSERT_EQ(json.status, 200);
    EXPECT_EQ(json.contentType, "application/json");
    EXPECT_EQ(json.body,
              "{\"date\":\"2026-12-11\",\"level\":3,\"levelName\":\"Master\",\"records\":[{\"rank\":1,"
              "\"name\":\"Anna\",\"score\":" +
                  std::to_string(game.score) +
                  ",\"date\":\"2026-12-11\",\"verified\":true,\"replay\":\"/replay/" + std::to_string(id) +
                  ".hoopstack-replay\"}]}\n");
    EXPECT_EQ(m_board->ApiDaily(std::nullopt).body, json.body);
    EXPECT_EQ(m_board->ApiDaily(std::string("1970-01-01")).body,
              "{\"date\":\"1970-01-01\",\"level\":1,\"levelName\":\"Novice\",\"records\":[]}\n");
    // The index links today's table.
    EXPECT_TRUE(Contains(m_board->Index().body,
                         "<a href=\"/daily\">Today's court</a>: the same court for everyone on 2026-12-11"));
}

TEST_P(DailyPagesTest, TheDaysTableListsEachNameOnceBestFirst) {
    // Three games of distinct scores, so that no two reports are one.
    std::vector<const PlayedGame*> games;
    for (std::uint32_t bot = 2; games.size() < 3 && bot < 40; ++bot) {
        bool distinct = true;
        for (const PlayedGame* g : games) distinct = distinct && g->score != TodaysGame(bot).score;
        if (distinct) games.push_back(&TodaysGame(bot));
    }
    ASSERT_EQ(games.size(), 3u);
    ASSERT_EQ(PublishToday(*games[0], "Anna").status, 200);
    ASSERT_EQ(PublishToday(*games[1], "Anna").status, 200);
    ASSERT_EQ(PublishToday(*games[2], "Bert").status, 200);
    const std::int32_t anna = std::max(games[0]->score, games[1]->score);
    const std::vector<RankedRecord> rows = *m_store->DailyTop(kToday, 1, 10);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_GE(rows[0].score, rows[1].score);
    const std::string page = m_board->Daily(std::nullopt).body;
    EXPECT_EQ(CountOf(page, ">Anna<"), 1);
    EXPECT_EQ(CountOf(page, ">Bert<"), 1);
    EXPECT_TRUE(Contains(page, "<td class=\"score\">" + std::to_string(anna) + "</td>"));
    EXPECT_EQ(CountOf(page, "<td class=\"rank\">"), 2);
    // Both Anna's games stand on the level's table.
    EXPECT_EQ(m_store->Top(3, 1, 10)->size(), 3u);
}

TEST_P(DailyPagesTest, FutureDaysAndBadDatesAreRefused) {
    for (const char* date : {"2026-12-12", "9999-12-31", "2026-02-30", "2026-13-01", "1969-12-31", "../",
                             "..%2F..%2Fetc", "2026-12-1", "2026-12-011", "+2026-12-11", " 2026-12-11",
                             "2026-12-11/", "2026-12-11\n", "20261211", ""}) {
        SCOPED_TRACE(date);
        const Reply page = m_board->Daily(std::string_view(date));
        EXPECT_EQ(page.status, 404);
        EXPECT_TRUE(Contains(page.body, "No such day"));
    }
    EXPECT_EQ(m_board->Daily(std::string(5000, '2')).status, 404);
    EXPECT_EQ(m_board->Daily(std::string_view("2026-12-11\0", 11)).status, 404);
    for (const char* date : {"2026-02-30", "../", "", "x", "2026-12-11T00:00"}) {
        SCOPED_TRACE(date);
        const Reply json = m_board->ApiDaily(std::string(date));
        EXPECT_EQ(json.status, 400);
        EXPECT_EQ(json.body, "{\"error\":\"date must be a day as YYYY-MM-DD\"}\n");
    }
    EXPECT_EQ(m_board->ApiDaily(std::string(5000, '9')).status, 400);
    const Reply tomorrow = m_board->ApiDaily(std::string("2026-12-12"));
    EXPECT_EQ(tomorrow.status, 404);
    EXPECT_EQ(tomorrow.body, "{\"error\":\"that day has not begun yet\"}\n");
    // Tomorrow begins at midnight UTC.
    m_wall = (kToday + 1) * kSecondsPerDay;
    EXPECT_EQ(m_board->Daily("2026-12-12").status, 200);
    EXPECT_EQ(m_board->ApiDaily(std::string("2026-12-12")).status, 200);
}

INSTANTIATE_TEST_SUITE_P(Backends, DailyPagesTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& instance) { return std::string(BackendName(instance.param)); });

} // namespace
