// What each address answers, on every backend, without a network: a good publish, every
// kind of bad report, the rate limit, duplicates, escaping, and a database that fails.
#include <gtest/gtest.h>

#include <memory>

#include "TestDatabase.hpp"
#include "server/Leaderboard.hpp"
#include "server/OpenRecordStore.hpp"
#include "server/PublishRequest.hpp"
#include "store/ScoreReport.hpp"

using namespace server;

namespace {

std::string code(std::int32_t score, const std::string& level, const std::string& name) {
    return store::EncodeScoreReport(store::BuildScoreReport(score, level, name));
}

std::string header(const Reply& reply, const std::string& name) {
    for (const auto& [key, value] : reply.headers)
        if (key == name) return value;
    return "";
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

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
    ASSERT_EQ(m_board->Publish(code(500, "2", "Anna"), "10.0.0.1").status, 200);
    const Reply reply = m_board->Publish(code(400, "2", "Bob"), "10.0.0.1");
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.contentType, "text/html; charset=utf-8");
    EXPECT_EQ(header(reply, "Cache-Control"), "no-store");
    EXPECT_TRUE(contains(reply.body, "Bob scored <strong>400</strong> on Expert and ranks <strong>2nd</strong>"));
    EXPECT_LT(reply.body.find(">Anna<"), reply.body.find(">Bob<"));

    EXPECT_TRUE(contains(m_board->Level("2").body, ">Bob<"));
    EXPECT_FALSE(contains(m_board->Level("1").body, ">Bob<"));
    EXPECT_TRUE(contains(m_board->Index().body, ">Anna<"));
    const Reply json = m_board->ApiTop(std::string("2"));
    EXPECT_EQ(json.contentType, "application/json");
    EXPECT_TRUE(contains(json.body, "{\"rank\":2,\"name\":\"Bob\",\"score\":400,\"date\":\"2023-11-14\"}"));
}

TEST_P(LeaderboardTest, EveryBadReportIsRefusedWith400AndStoresNothing) {
    std::string badSum = code(10, "1", "Anna");
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
        {code(10, "0", "Anna"), "must be 1, 2 or 3"},
        {code(10, "4", "Anna"), "must be 1, 2 or 3"},
        {code(-1, "1", "Anna"), "is negative"},
        {code(10, "1", std::string(100, 'n')), "more than the 99 allowed"},
        {code(10, "1", "bell\a"), "control character"},
    };
    for (const auto& [input, message] : cases) {
        const Reply reply = m_board->Publish(input, "10.0.0.9");
        EXPECT_EQ(reply.status, 400) << message;
        EXPECT_TRUE(contains(reply.body, message)) << message << "\n" << reply.body;
        EXPECT_TRUE(contains(reply.body, "<h1>Bad score report</h1>"));
    }
    EXPECT_EQ(StoredCount(), 0u);
    // Refusals take no token of the rate limit.
    EXPECT_EQ(m_board->Publish(code(10, "1", "Anna"), "10.0.0.9").status, 200);
}

TEST_P(LeaderboardTest, TooManyPublishesFromOneAddressGet429) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(m_board->Publish(code(i, "1", "Anna"), "10.0.0.1").status, 200);
    const Reply refused = m_board->Publish(code(99, "1", "Anna"), "10.0.0.1");
    EXPECT_EQ(refused.status, 429);
    EXPECT_EQ(header(refused, "Retry-After"), "20");
    EXPECT_TRUE(contains(refused.body, "Too many scores"));
    EXPECT_EQ(StoredCount(), 3u);

    EXPECT_EQ(m_board->Publish(code(99, "1", "Anna"), "10.0.0.2").status, 200);
    m_steady += 20;
    EXPECT_EQ(m_board->Publish(code(98, "1", "Anna"), "10.0.0.1").status, 200);
}

TEST_P(LeaderboardTest, TheSameReportIsStoredOnceEver) {
    const std::string c = code(700, "3", "Kim");
    EXPECT_TRUE(contains(m_board->Publish(c, "10.0.0.1").body, "Score published"));
    for (const std::int64_t later : {30, 86400 * 365}) {
        m_wall += later;
        const Reply again = m_board->Publish(c, "10.0.0.2");
        EXPECT_EQ(again.status, 200);
        EXPECT_TRUE(contains(again.body, "Already published"));
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
        const Reply reply = m_board->Publish(code(score, "1", raw), "10.0.0." + std::to_string(score));
        EXPECT_EQ(reply.status, 200) << shown << "\n" << reply.body;
        EXPECT_TRUE(contains(reply.body, shown + " scored")) << shown;
        EXPECT_TRUE(contains(m_board->ApiTop(std::string("1")).body, "\"name\":\"" + shown + "\"")) << shown;
    }
    // 99 bytes of the game are 99 characters, even where UTF-8 needs three bytes for each.
    EXPECT_EQ(m_board->Publish(code(1, "2", std::string(99, '\x80')), "10.0.0.50").status, 200);
    EXPECT_EQ(m_board->Publish(code(2, "2", std::string(100, '\x80')), "10.0.0.51").status, 400);
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
        const Reply reply = m_board->Publish(code(score++, "1", raw), "10.0.0.1");
        EXPECT_EQ(reply.status, 400) << message;
        EXPECT_TRUE(contains(reply.body, message)) << message << "\n" << reply.body;
    }
    EXPECT_EQ(StoredCount(), 0u);
}

TEST_P(LeaderboardTest, AScriptAsANameIsShownAsText) {
    ASSERT_EQ(m_board->Publish(code(5, "1", "<script>alert(1)</script>"), "10.0.0.1").status, 200);
    for (const Reply& reply : {m_board->Publish(code(4, "1", "x"), "10.0.0.1"), m_board->Level("1"), m_board->Index()}) {
        EXPECT_FALSE(contains(reply.body, "<script>"));
        EXPECT_TRUE(contains(reply.body, "&lt;script&gt;alert(1)&lt;/script&gt;"));
    }
    EXPECT_TRUE(contains(m_board->ApiTop(std::string("1")).body, "\\u003cscript\\u003e"));
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
    EXPECT_TRUE(contains(m_board->Games().body, "honeycomb court"));
    const Reply style = m_board->Style();
    EXPECT_EQ(style.contentType, "text/css; charset=utf-8");
    EXPECT_TRUE(contains(style.body, "tr.you"));
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
};

TEST(LeaderboardFailures, AFailedStoreIsNeverReportedAsPublished) {
    BrokenStore broken;
    RateLimiter limiter(0);
    Leaderboard board(broken, limiter);
    const Reply reply = board.Publish(code(10, "1", "Anna"), "10.0.0.1");
    EXPECT_EQ(reply.status, 503);
    EXPECT_TRUE(contains(reply.body, "could not be stored"));
    EXPECT_FALSE(contains(reply.body, "published<"));
    EXPECT_FALSE(contains(reply.body, "disk full"));  // the cause goes to the log, not to the page
    EXPECT_EQ(board.Index().status, 503);
    EXPECT_EQ(board.Level("1").status, 503);
    EXPECT_EQ(board.ApiTop(std::string("1")).status, 503);
}

} // namespace
