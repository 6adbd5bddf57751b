// What each address answers, on every backend, without a network: a good publish, every
// kind of bad report, the rate limit, duplicates, escaping, and a database that fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "ReplayGames.hpp"
#include "TestDatabase.hpp"
#include "TextSearch.hpp"
#include "server/Leaderboard.hpp"
#include "server/ReplayVerifier.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/ReplayCheck.hpp"
#include "server/PublishRequest.hpp"
#include "store/ScoreReport.hpp"

using namespace server;

namespace {

std::string header(const Reply& reply, const std::string& name) {
    for (const auto& [key, value] : reply.headers)
        if (key == name) return value;
    return "";
}

class LeaderboardTest : public ::testing::TestWithParam<Backend> {
protected:
    void SetUp() override {
        SKIP_UNLESS_AVAILABLE(m_database);
        auto opened = OpenRecordStore(m_database.Url());
        ASSERT_TRUE(opened) << opened.error();
        m_store = std::move(*opened);
        m_board = std::make_unique<Leaderboard>(
            *m_store, m_limiter, Leaderboard::Clock{[this] { return m_wall; }, [this] { return m_steady; }});
    }
    std::size_t StoredCount() {
        std::size_t n = 0;
        for (int level = kFirstLevel; level <= kLastLevel; ++level) n += m_store->Top(level, 1, 1000)->size();
        return n;
    }

    TestDatabase m_database{GetParam()};
    std::unique_ptr<RecordStore> m_store;
    RateLimiter m_limiter{3};
    std::int64_t m_wall = 1'700'000'000;
    double m_steady = 50.0;
    std::unique_ptr<Leaderboard> m_board;
};

TEST_P(LeaderboardTest, APublishIsStoredAndShownWithItsRank) {
    ASSERT_EQ(m_board->Publish(ReportCode(500, "2", "Anna"), "10.0.0.1").status, 200);
    const Reply reply = m_board->Publish(ReportCode(400, "2", "Bob"), "10.0.0.1");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.contentType, "text/html; charset=utf-8");
    EXPECT_EQ(header(reply, "Cache-Control"), "no-store");
    EXPECT_TRUE(Contains(reply.body, "Bob scored <strong>400</strong> on Expert and ranks <strong>2nd</strong>"));
    EXPECT_LT(reply.body.find(">Anna<"), reply.body.find(">Bob<"));

    EXPECT_TRUE(Contains(m_board->Level("2").body, ">Bob<"));
    EXPECT_FALSE(Contains(m_board->Level("1").body, ">Bob<"));
    EXPECT_TRUE(Contains(m_board->Index().body, ">Anna<"));
    const Reply json = m_board->ApiTop(std::string("2"));
    EXPECT_EQ(json.contentType, "application/json");
    EXPECT_TRUE(Contains(json.body, "{\"rank\":2,\"name\":\"Bob\",\"score\":400,\"date\":\"2023-11-14\",\"verified\":false}"));
}

TEST_P(LeaderboardTest, EveryBadReportIsRefusedWith400AndStoresNothing) {
    std::string badSum = ReportCode(10, "1", "Anna");
    badSum[1] = badSum[1] == '0' ? '1' : '0';
    const std::vector<std::pair<std::optional<std::string>, std::string>> cases = {
        {std::nullopt, "needs &quot;?e=&quot;"},
        {std::string(), "carries no score"},
        {std::string("12a456"), "not a digit"},
        {std::string("1234567"), "not a multiple of 3"},
        {std::string("123"), "fewer than the 6"},
        {std::string("999000"), "above 255"},
        {badSum, "sum"},
        {store::EncodeScoreReport("10\t1\tAnna"), "fewer than the 5 fields"},
        {ReportCode(10, "0", "Anna"), "must be 1, 2 or 3"},
        {ReportCode(10, "4", "Anna"), "must be 1, 2 or 3"},
        {ReportCode(-1, "1", "Anna"), "is negative"},
        {ReportCode(10, "1", std::string(100, 'n')), "more than the 99 allowed"},
        {ReportCode(10, "1", "bell\a"), "control character"},
    };
    for (const auto& [input, message] : cases) {
        const Reply reply = m_board->Publish(input, "10.0.0.9");
        EXPECT_EQ(reply.status, 400) << message;
        EXPECT_TRUE(Contains(reply.body, message)) << message << "\n" << reply.body;
        EXPECT_TRUE(Contains(reply.body, "<h1>Bad score report</h1>"));
    }
    EXPECT_EQ(StoredCount(), 0u);
    // Refusals take no token of the rate limit.
    EXPECT_EQ(m_board->Publish(ReportCode(10, "1", "Anna"), "10.0.0.9").status, 200);
}

TEST_P(LeaderboardTest, TooManyPublishesFromOneAddressGet429) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(m_board->Publish(ReportCode(i, "1", "Anna"), "10.0.0.1").status, 200);
    const Reply refused = m_board->Publish(ReportCode(99, "1", "Anna"), "10.0.0.1");
    EXPECT_EQ(refused.status, 429);
    EXPECT_EQ(header(refused, "Retry-After"), "20");
    EXPECT_TRUE(Contains(refused.body, "Too many scores"));
    EXPECT_EQ(StoredCount(), 3u);

    EXPECT_EQ(m_board->Publish(ReportCode(99, "1", "Anna"), "10.0.0.2").status, 200);
    m_steady += 20;
    EXPECT_EQ(m_board->Publish(ReportCode(98, "1", "Anna"), "10.0.0.1").status, 200);
}

TEST_P(LeaderboardTest, TheAddressesOfOneIpv6Slash64ShareOneAllowance) {
    // Three publishes from three addresses of one /64 use its allowance up; a fourth address
    // of it is refused, while the neighbouring /64 and an IPv4 client still publish.
    const std::vector<std::string> one = {"2001:db8:5:1::1", "2001:db8:5:1::2",
                                          "2001:db8:5:1:ffff:ffff:ffff:fffe", "2001:db8:5:1:8000::77"};
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(m_board->Publish(ReportCode(i, "1", "Six"), one[i]).status, 200) << one[i];
    EXPECT_EQ(m_board->Publish(ReportCode(50, "1", "Six"), one[3]).status, 429);
    EXPECT_EQ(m_board->Publish(ReportCode(51, "1", "Six"), "2001:db8:5:2::1").status, 200);
    EXPECT_EQ(m_board->Publish(ReportCode(52, "1", "Six"), "192.0.2.1").status, 200);
    EXPECT_EQ(m_board->Publish(ReportCode(53, "1", "Six"), "::ffff:192.0.2.1").status, 200);
    EXPECT_EQ(m_board->Publish(ReportCode(54, "1", "Six"), "192.0.2.1").status, 200);
    EXPECT_EQ(m_board->Publish(ReportCode(55, "1", "Six"), "192.0.2.1").status, 429)
        << "the mapped form is the same client";
    EXPECT_EQ(StoredCount(), 7u);
}

TEST_P(LeaderboardTest, TheSameReportIsStoredOnceEver) {
    const std::string c = ReportCode(700, "3", "Kim");
    EXPECT_TRUE(Contains(m_board->Publish(c, "10.0.0.1").body, "Score published"));
    for (const std::int64_t later : {30, 86400 * 365}) {
        m_wall += later;
        const Reply again = m_board->Publish(c, "10.0.0.2");
        EXPECT_EQ(again.status, 200);
        EXPECT_TRUE(Contains(again.body, "Already published"));
    }
    EXPECT_EQ(StoredCount(), 1u);
}

TEST_P(LeaderboardTest, NamesAreReadAsCodePage1252AndShownAsUtf8) {
    const std::vector<std::pair<std::string, std::string>> names = {
        {"\x8A\xE1rka", "Šárka"}, {"C\x9Cur", "Cœur"}, {"O\x92" "Brien", "O’Brien"}, {"\x80", "€"},
        {"  Zo\xEB\xA0", "Zoë"}, {"\x85\x99\x9F", "…™Ÿ"},
    };
    int score = 1;
    for (const auto& [raw, shown] : names) {
        ++score;
        const Reply reply = m_board->Publish(ReportCode(score, "1", raw), "10.0.0." + std::to_string(score));
        EXPECT_EQ(reply.status, 200) << shown << "\n" << reply.body;
        EXPECT_TRUE(Contains(reply.body, shown + " scored")) << shown;
        EXPECT_TRUE(Contains(m_board->ApiTop(std::string("1")).body, "\"name\":\"" + shown + "\"")) << shown;
    }
    // 99 bytes of the game are 99 characters, even where UTF-8 needs three bytes for each.
    EXPECT_EQ(m_board->Publish(ReportCode(1, "2", std::string(99, '\x80')), "10.0.0.50").status, 200);
    EXPECT_EQ(m_board->Publish(ReportCode(2, "2", std::string(100, '\x80')), "10.0.0.51").status, 400);
}

TEST_P(LeaderboardTest, NamesThatCouldPassForAnotherAreRefused) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "is empty"}, {"   ", "is empty"}, {"\xA0 \xA0", "is empty"},
        {"An\xADna", "invisible formatting"},
        {"A\x81", "does not define"}, {"\x8D", "does not define"}, {"\x8F", "does not define"},
        {"\x90", "does not define"}, {"\x9D", "does not define"},
        {"bell\a", "control character"}, {"del\x7F", "control character"},
    };
    int score = 0;
    for (const auto& [raw, message] : cases) {
        const Reply reply = m_board->Publish(ReportCode(score++, "1", raw), "10.0.0.1");
        EXPECT_EQ(reply.status, 400) << message;
        EXPECT_TRUE(Contains(reply.body, message)) << message << "\n" << reply.body;
    }
    EXPECT_EQ(StoredCount(), 0u);
}

TEST_P(LeaderboardTest, AScriptAsANameIsShownAsText) {
    ASSERT_EQ(m_board->Publish(ReportCode(5, "1", "<script>alert(1)</script>"), "10.0.0.1").status, 200);
    for (const Reply& reply : {m_board->Publish(ReportCode(4, "1", "x"), "10.0.0.1"), m_board->Level("1"), m_board->Index()}) {
        EXPECT_FALSE(Contains(reply.body, "<script>"));
        EXPECT_TRUE(Contains(reply.body, "&lt;script&gt;alert(1)&lt;/script&gt;"));
    }
    EXPECT_TRUE(Contains(m_board->ApiTop(std::string("1")).body, "\\u003cscript\\u003e"));
}

TEST_P(LeaderboardTest, UnknownLevelsAreRefused) {
    for (const char* level : {"0", "4", "x", "", "11"}) {
        EXPECT_EQ(m_board->Level(level).status, 404) << level;
        const Reply json = m_board->ApiTop(std::string(level));
        EXPECT_EQ(json.status, 400) << level;
        EXPECT_EQ(json.contentType, "application/json");
    }
    EXPECT_EQ(m_board->ApiTop(std::nullopt).status, 400);
    EXPECT_EQ(m_board->NotFound().status, 404);
}

TEST_P(LeaderboardTest, TheFixedPagesAnswer) {
    EXPECT_TRUE(Contains(m_board->Games().body, "honeycomb court"));
    const Reply style = m_board->Style();
    EXPECT_EQ(style.contentType, "text/css; charset=utf-8");
    EXPECT_TRUE(Contains(style.body, "tr.you"));
}

const PlayedGame& aGame(int level) {
    static const std::optional<PlayedGame> games[3] = {PlayGame(1, 11), PlayGame(2, 12), PlayGame(3, 13)};
    if (!games[level - 1]) throw std::runtime_error("the rules recorded no replay");
    return *games[level - 1];
}

TEST_P(LeaderboardTest, AVerifiedGameIsMarkedEverywhereAndItsReplayServed) {
    const PlayedGame& g = aGame(2);
    const Reply published = m_board->Publish(ReportCode(g.score, g.level, "Anna"), g.replay, "10.0.0.1");
    ASSERT_EQ(published.status, 200) << published.body;
    EXPECT_TRUE(Contains(published.body, "&#10003; Verified</span>: the server replayed")) << published.body;
    ASSERT_EQ(m_board->Publish(ReportCode(g.score + 1, "2", "Bob"), "10.0.0.1").status, 200);

    const std::vector<RankedRecord> top = *m_store->Top(2, 1, 10);
    ASSERT_EQ(top.size(), 2u);
    const std::string link = "href=\"/replay/" + std::to_string(top[1].id) + ".hoopstack-replay\"";
    // The level page shows the verified game's final court in its row, and Bob's has none.
    const std::string level = m_board->Level("2").body;
    EXPECT_EQ(CountOf(level, "<svg class=\"court\""), 1);
    EXPECT_EQ(CountOf(level, "class=\"verified\""), 1);
    EXPECT_LT(level.find(">Anna<"), level.find("<svg"));
    EXPECT_LT(level.find("<svg"), level.find(link));
    EXPECT_TRUE(Contains(level, "aria-label=\"Final court of Anna&#39;s game\""));
    const std::string index = m_board->Index().body;
    EXPECT_TRUE(Contains(index, link));
    EXPECT_FALSE(Contains(index, "<svg"));
    EXPECT_TRUE(Contains(m_board->ApiTop(std::string("2")).body,
                         "\"name\":\"Bob\",\"score\":" + std::to_string(g.score + 1) + ",\"date\":\"2023-11-14\",\"verified\":false}"));
    EXPECT_TRUE(Contains(m_board->ApiTop(std::string("2")).body,
                         "\"name\":\"Anna\",\"score\":" + std::to_string(g.score) + ",\"date\":\"2023-11-14\",\"verified\":true}"));

    const Reply file = m_board->ReplayFile(std::to_string(top[1].id) + ".hoopstack-replay");
    ASSERT_EQ(file.status, 200);
    EXPECT_EQ(file.contentType, "application/x-hoopstack-replay");
    EXPECT_EQ(file.body, g.replay + "\n");
    EXPECT_EQ(header(file, "Content-Disposition"), "attachment; filename=\"hoopstack-expert-" +
                                                       std::to_string(g.score) + "-" + std::to_string(top[1].id) +
                                                       ".hoopstack-replay\"");
    // Bob's record has no replay to serve; hidden, Anna's has none either.
    EXPECT_EQ(m_board->ReplayFile(std::to_string(top[0].id) + ".hoopstack-replay").status, 404);
    ASSERT_TRUE(*m_store->SetHidden(top[1].id, true));
    EXPECT_EQ(m_board->ReplayFile(std::to_string(top[1].id) + ".hoopstack-replay").status, 404);
}

TEST_P(LeaderboardTest, EveryFailedReplayIsStoredUnverifiedWithItsReason) {
    const PlayedGame& g = aGame(1);
    struct Case {
        std::string name;
        std::int32_t score;
        int level;
        std::optional<std::string> replay;
    };
    const std::vector<Case> cases = {
        {"no replay", 10, 1, std::nullopt},
        {"empty replay", 11, 1, std::string()},
        {"one point more", g.score + 1, 1, g.replay},
        {"other level", g.score, 3, g.replay},
        {"unfinished", 0, 1, UnfinishedReplay(1)},
        {"cut", g.score, 1, g.replay.substr(0, g.replay.size() - 7)},
        {"not base64", g.score, 1, std::string("<script>alert(1)</script>")},
        {"random", g.score, 1, std::string("Zm9vYmFyYmF6cXV4")},
        {"too long", g.score, 1, std::string(kMaxStoredReplay + 1, 'A')},
    };
    for (const Case& c : cases) {
        const std::string address = "10.0.1." + std::to_string(&c - cases.data());
        const Reply reply = m_board->Publish(ReportCode(c.score, c.level, c.name), c.replay, address);
        EXPECT_EQ(reply.status, 200) << c.name;
        EXPECT_TRUE(Contains(reply.body, "Not verified: ")) << c.name;
        EXPECT_FALSE(Contains(reply.body, "<script>")) << c.name;
    }
    const Expected<std::vector<StoredRecord>> stored = m_store->List({});
    ASSERT_TRUE(stored) << stored.error();
    ASSERT_EQ(stored->size(), cases.size()) << "every publish is stored";
    for (const StoredRecord& r : *stored) {
        EXPECT_FALSE(r.verified) << r.name;
        EXPECT_FALSE(r.reason.empty()) << r.name;
        if (r.name == "no replay" || r.name == "empty replay") {
            EXPECT_EQ(r.reason, "no replay");
        } else if (r.name == "not base64") {
            EXPECT_EQ(r.reason, "replay is not base64url text");
        } else if (r.name == "too long") {
            EXPECT_TRUE(Contains(r.reason, "too long")) << r.reason;
        }
        EXPECT_EQ(m_board->ReplayFile(std::to_string(r.id) + ".hoopstack-replay").status, 404) << r.name;
    }
    for (const char* level : {"1", "3"}) EXPECT_FALSE(Contains(m_board->Level(level).body, "<svg"));
}

TEST_P(LeaderboardTest, TheSameGameUnderAnotherNameIsStoredWithoutTheMark) {
    const PlayedGame& g = aGame(3);
    ASSERT_EQ(m_board->Publish(ReportCode(g.score, 3, "Kim"), g.replay, "10.0.0.1").status, 200);
    const Reply copy = m_board->Publish(ReportCode(g.score, 3, "Copycat"), g.replay, "10.0.0.2");
    EXPECT_EQ(copy.status, 200);
    EXPECT_TRUE(Contains(copy.body, "Not verified: the same game was published before, as record ")) << copy.body;
    // Kim sending it again is her own record again.
    const Reply again = m_board->Publish(ReportCode(g.score, 3, "Kim"), g.replay, "10.0.0.3");
    EXPECT_TRUE(Contains(again.body, "Already published"));
    EXPECT_TRUE(Contains(again.body, "&#10003; Verified"));
    EXPECT_EQ(CountOf(m_board->Level("3").body, "class=\"verified\""), 1);

    // The same game in other bytes, or padded after its end, takes nothing from Kim either.
    int copies = 0;
    for (const std::string& recoded : RepeatedClickCopies(g.replay)) {
        if (!CheckReplay(recoded, 3, g.score).verified) continue;
        static const char* const names[] = {"Lee", "Max", "Noor"};
        const Reply reclicked = m_board->Publish(ReportCode(g.score, 3, names[copies]), recoded,
                                                 "10.0.1." + std::to_string(copies));
        ++copies;
        EXPECT_TRUE(Contains(reclicked.body, "Not verified: the same game was published before, as record "))
            << reclicked.body;
        if (copies == 3) break;
    }
    EXPECT_GT(copies, 0);
    const std::string padded = ChangedReplay(g.replay, [](rules::GameReplay& r) { r.ticks += 1000; });
    const Reply late = m_board->Publish(ReportCode(g.score, 3, "Padder"), padded, "10.0.2.1");
    EXPECT_TRUE(Contains(late.body, "Not verified: the replay goes on for 1000 frames after its game ended"))
        << late.body;
    EXPECT_EQ(CountOf(m_board->Level("3").body, "class=\"verified\""), 1);
}

// A stranger who wants a player off a verified-only table takes eleven better games of other
// players and publishes each under her name, padded after its end so that it is new bytes:
// each is that game again, none is verified, none counts against her ten best.
TEST_P(LeaderboardTest, OthersGamesUnderAPlayersNamePushNoneOfHersOff) {
    m_store->SetVerifiedOnly(true);
    std::vector<PlayedGame> games;
    for (std::uint32_t seed = 40; seed < 200 && games.size() < 12; ++seed) {
        std::optional<PlayedGame> game = PlayGame(2, seed);
        if (!game || game->score == 0) continue;
        const bool scoreTaken = std::any_of(games.begin(), games.end(),
                                            [&](const PlayedGame& g) { return g.score == game->score; });
        if (!scoreTaken) games.push_back(*game);
    }
    ASSERT_EQ(games.size(), 12u);
    std::sort(games.begin(), games.end(),
              [](const PlayedGame& a, const PlayedGame& b) { return a.score < b.score; });
    ASSERT_TRUE(
        Contains(m_board->Publish(ReportCode(games[0].score, 2, "Kim"), games[0].replay, "10.0.3.1").body,
                 "&#10003; Verified"));
    for (std::size_t i = 1; i < games.size(); ++i) {
        const std::string from = "10.0.5." + std::to_string(i);
        ASSERT_TRUE(Contains(
            m_board->Publish(ReportCode(games[i].score, 2, "P" + std::to_string(i)), games[i].replay, from)
                .body,
            "&#10003; Verified"));
        const std::string padded = ChangedReplay(games[i].replay, [](rules::GameReplay& r) { r.ticks += 7; });
        const Reply copy =
            m_board->Publish(ReportCode(games[i].score, 2, "Kim"), padded, "10.0.6." + std::to_string(i));
        EXPECT_EQ(copy.status, 200);
        EXPECT_FALSE(Contains(copy.body, "&#10003; Verified")) << i;
    }
    const Expected<std::vector<RankedRecord>> listed = m_store->Top(2, 1, 1000);
    ASSERT_TRUE(listed) << listed.error();
    EXPECT_EQ(listed->size(), 12u);
    int kims = 0;
    for (const RankedRecord& r : *listed)
        if (r.name == "Kim") {
            ++kims;
            EXPECT_EQ(r.score, games[0].score);
            EXPECT_TRUE(r.verified);
        }
    EXPECT_EQ(kims, 1);
}

TEST_P(LeaderboardTest, VerifiedOnlyTablesListVerifiedGamesAlone) {
    const PlayedGame& g = aGame(1);
    m_store->SetVerifiedOnly(true);
    const Reply forged = m_board->Publish(ReportCode(g.score + 500, "1", "Forger"), "10.0.0.1");
    ASSERT_EQ(forged.status, 200);
    EXPECT_TRUE(Contains(forged.body, "is stored, but this leaderboard ranks verified games only")) << forged.body;
    EXPECT_FALSE(Contains(forged.body, "better scores"));
    const Reply published = m_board->Publish(ReportCode(g.score, 1, "Anna"), g.replay, "10.0.0.2");
    EXPECT_TRUE(Contains(published.body, "ranks <strong>1st</strong>")) << published.body;
    const std::string json = m_board->ApiTop(std::string("1")).body;
    EXPECT_TRUE(Contains(json, "\"name\":\"Anna\""));
    EXPECT_FALSE(Contains(json, "Forger"));
    EXPECT_FALSE(Contains(m_board->Index().body, "Forger"));
    EXPECT_EQ(m_store->List({})->size(), 2u);
}

TEST_P(LeaderboardTest, ReplayAddressesOtherThanAVerifiedRecordsAre404) {
    for (const char* name : {"", "1", "1.txt", "0.hoopstack-replay", "01.hoopstack-replay", "-1.hoopstack-replay",
                             "+1.hoopstack-replay", "1 .hoopstack-replay", "x.hoopstack-replay", ".hoopstack-replay",
                             "99999999999999999999.hoopstack-replay", "1.hoopstack-replay/..", "1.HOOPSTACK-REPLAY"}) {
        const Reply reply = m_board->ReplayFile(name);
        EXPECT_EQ(reply.status, 404) << name;
        EXPECT_EQ(reply.contentType, "text/html; charset=utf-8") << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, LeaderboardTest, ::testing::Values(Backend::Sqlite, Backend::Postgres),
                         [](const auto& instance) { return std::string(BackendName(instance.param)); });

// A database that fails every call.
class BrokenStore final : public RecordStore {
public:
    using RecordStore::Publish;
    Expected<PublishResult> Publish(const NewRecord&, Deadline) override { return Error{"disk full"}; }
    Expected<std::vector<RankedRecord>> Top(int, int, int) override { return Error{"disk full"}; }
    Expected<std::vector<StoredRecord>> List(const RecordFilter&) override { return Error{"disk full"}; }
    Expected<bool> SetHidden(std::int64_t, bool) override { return Error{"disk full"}; }
    Expected<bool> Delete(std::int64_t) override { return Error{"disk full"}; }
    Expected<std::optional<StoredReplay>> Replay(std::int64_t) override { return Error{"disk full"}; }
};

TEST(LeaderboardFailures, AFailedStoreIsNeverReportedAsPublished) {
    BrokenStore broken;
    RateLimiter limiter(0);
    Leaderboard board(broken, limiter);
    const Reply reply = board.Publish(ReportCode(10, "1", "Anna"), "10.0.0.1");
    EXPECT_EQ(reply.status, 503);
    EXPECT_TRUE(Contains(reply.body, "could not be stored"));
    EXPECT_FALSE(Contains(reply.body, "published<"));
    EXPECT_FALSE(Contains(reply.body, "disk full"));  // the cause goes to the log, not to the page
    EXPECT_EQ(board.Index().status, 503);
    EXPECT_EQ(board.Level("1").status, 503);
    EXPECT_EQ(board.ApiTop(std::string("1")).status, 503);
    EXPECT_EQ(board.ReplayFile("1.hoopstack-replay").status, 503);
}

TEST(LeaderboardFailures, AGameThatCannotBeCheckedInTimeIsNotStoredAndSaysSo) {
    TestDatabase database(Backend::Sqlite);
    auto store = OpenRecordStore(database.Url());
    ASSERT_TRUE(store) << store.error();
    RateLimiter limiter(0);
    // A worker that never finishes in time, with no room in its queue.
    std::mutex lock;
    std::condition_variable release;
    bool released = false;
    ReplayVerifier verifier(1, 1, [&](const std::string&, int, std::int32_t) {
        std::unique_lock guard(lock);
        release.wait(guard, [&] { return released; });
        return ReplayCheck{};
    });
    Leaderboard board(**store, limiter, Leaderboard::SystemClock(), &verifier);
    const auto start = std::chrono::steady_clock::now();
    const Reply reply = board.Publish(ReportCode(10, 1, "Anna"), IdleReplay(1, 100), "10.0.0.1");
    EXPECT_EQ(reply.status, 503);
    EXPECT_TRUE(Contains(reply.body, "nothing was stored")) << reply.body;
    EXPECT_EQ(header(reply, "Retry-After"), "30");
    EXPECT_LT(std::chrono::steady_clock::now() - start, kVerifyWait + std::chrono::seconds(2));
    // The worker is still held: the next waits in the queue and is refused at its deadline too.
    const Reply next = board.Publish(ReportCode(11, 1, "Anna"), IdleReplay(1, 200), "10.0.0.1");
    EXPECT_EQ(next.status, 503);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2 * kVerifyWait + std::chrono::seconds(2));
    EXPECT_TRUE((*store)->List({})->empty());
    {
        std::lock_guard guard(lock);
        released = true;
    }
    release.notify_all();
    // Without a replay nothing waits for the workers.
    EXPECT_EQ(board.Publish(ReportCode(12, 1, "Anna"), std::nullopt, "10.0.0.1").status, 200);
}

} // namespace
