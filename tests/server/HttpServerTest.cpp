// The leaderboard over real loopback connections: the addresses the game opens, the headers
// every answer carries, the 8 KiB request limit, keep-alive, and a prompt stop.
#include <gtest/gtest.h>
#include <httplib.h>

#include <memory>
#include <thread>

#include "HttpTestSupport.hpp"
#include "TestDatabase.hpp"
#include "server/Leaderboard.hpp"
#include "server/LeaderboardHttp.hpp"
#include "server/OpenRecordStore.hpp"
#include "store/ScoreReport.hpp"

using namespace server;

namespace {

std::string code(std::int32_t score, const std::string& level, const std::string& name) {
    return store::EncodeScoreReport(store::BuildScoreReport(score, level, name));
}

// A GET that fills the request up to exactly `total` bytes with a padding header.
std::string requestOfSize(std::size_t total) {
    const std::string head = "GET /api/top?level=1 HTTP/1.1\r\nHost: x\r\nConnection: close\r\nX-Pad: ";
    const std::string tail = "\r\n\r\n";
    return head + std::string(total - head.size() - tail.size(), 'p') + tail;
}

class HttpServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto opened = OpenRecordStore(m_database.Url());
        ASSERT_TRUE(opened) << opened.error();
        m_store = std::move(*opened);
        m_board = std::make_unique<Leaderboard>(*m_store, m_limiter);
        // Idle connections may stay for ten minutes, so a stop that waited for them would hang.
        HttpLimits limits;
        limits.keepAliveMs = 600'000;
        m_http = std::make_unique<LeaderboardHttp>(*m_board, limits, 4);
        const Expected<int> port = m_http->Bind("127.0.0.1", 0);
        ASSERT_TRUE(port) << port.error();
        m_port = *port;
        m_thread = std::thread([this] { m_http->Run(); });
        m_client = std::make_unique<httplib::Client>("127.0.0.1", m_port);
        m_client->set_connection_timeout(10);
        m_client->set_read_timeout(10);
    }
    void TearDown() override {
        if (m_http) m_http->Stop();
        if (m_thread.joinable()) m_thread.join();
    }

    TestDatabase m_database{Backend::Sqlite};
    std::unique_ptr<RecordStore> m_store;
    RateLimiter m_limiter{5};
    std::unique_ptr<Leaderboard> m_board;
    std::unique_ptr<LeaderboardHttp> m_http;
    int m_port = 0;
    std::thread m_thread;
    std::unique_ptr<httplib::Client> m_client;
};

TEST_F(HttpServerTest, ServesTheAddressesTheGameOpens) {
    auto published = m_client->Get(("/cgi-bin/gameres.pl?e=" + code(321, "1", "Zoë")).c_str());
    ASSERT_TRUE(published);
    EXPECT_EQ(published->status, 200);
    EXPECT_NE(published->body.find("Zoë scored <strong>321</strong>"), std::string::npos);

    auto games = m_client->Get("/cgi-bin/screen.pl/games.shtml?r=qx&c=b");
    ASSERT_TRUE(games);
    EXPECT_EQ(games->status, 200);
    EXPECT_NE(games->body.find("<h1>Hoopstack</h1>"), std::string::npos);

    auto level = m_client->Get("/level/1");
    ASSERT_TRUE(level);
    EXPECT_NE(level->body.find(">Zoë<"), std::string::npos);
    auto json = m_client->Get("/api/top?level=1");
    ASSERT_TRUE(json);
    EXPECT_EQ(json->get_header_value("Content-Type"), "application/json");
    EXPECT_NE(json->body.find("\"name\":\"Zoë\""), std::string::npos);
}

TEST_F(HttpServerTest, EveryAnswerCarriesTheSecurityHeaders) {
    std::vector<std::pair<std::string, int>> cases = {
        {"/", 200}, {"/level/2", 200}, {"/api/top?level=3", 200}, {"/style.css", 200},
        {"/cgi-bin/gameres.pl?e=12", 400}, {"/level/9", 404}, {"/no/such/page", 404},
    };
    for (const auto& [path, status] : cases) {
        auto reply = m_client->Get(path.c_str());
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, status) << path;
        for (const auto& [name, value] : SecurityHeaders()) EXPECT_EQ(reply->get_header_value(name.c_str()), value) << path;
        EXPECT_FALSE(reply->body.empty()) << path;
    }
    const std::string refused = ExchangeRaw(m_port, requestOfSize(9000));
    for (const auto& [name, value] : SecurityHeaders()) EXPECT_NE(refused.find(name + ": " + value), std::string::npos);
    const std::string policy = SecurityHeaders()[0].second;
    EXPECT_NE(policy.find("default-src 'none'"), std::string::npos);
    EXPECT_EQ(policy.find("unsafe"), std::string::npos);
}

TEST_F(HttpServerTest, RequestsOverEightKibibytesAreRefused) {
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, requestOfSize(8192))), 200);
    const std::string refused = ExchangeRaw(m_port, requestOfSize(8193));
    EXPECT_EQ(StatusOf(refused), 431);
    EXPECT_NE(refused.find("Connection: close"), std::string::npos);
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, "GET /" + std::string(20000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n")), 431);
    // Endless headers end at the limit too, not when memory runs out.
    std::string many = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < 5000; ++i) many += "X-" + std::to_string(i) + ": v\r\n";
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, many)), 431);
    // A body announced too large is refused before it is read.
    const std::string post = "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n";
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, post)), 413);
    // The server still answers afterwards.
    EXPECT_EQ(m_client->Get("/")->status, 200);
}

TEST_F(HttpServerTest, TheLimitCountsEachRequestOfAKeptAliveConnectionOnItsOwn) {
    const std::string one = requestOfSize(6000);
    std::string keepAlive = one;
    keepAlive.replace(keepAlive.find("Connection: close"), 17, "Connection: keep");
    const std::string replies = ExchangeRaw(m_port, keepAlive + keepAlive + one);
    int answered = 0;
    for (std::size_t at = replies.find("HTTP/1.1 200"); at != std::string::npos; at = replies.find("HTTP/1.1 200", at + 1))
        ++answered;
    EXPECT_EQ(answered, 3);
}

TEST_F(HttpServerTest, ThePublishLimitCountsTheClientAddress) {
    for (int i = 0; i < 5; ++i)
        ASSERT_EQ(m_client->Get(("/cgi-bin/gameres.pl?e=" + code(i, "2", "Bo")).c_str())->status, 200);
    auto refused = m_client->Get(("/cgi-bin/gameres.pl?e=" + code(99, "2", "Bo")).c_str());
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 429);
    EXPECT_FALSE(refused->get_header_value("Retry-After").empty());
    EXPECT_EQ(m_store->Top(2, 1, 100)->size(), 5u);
}

TEST_F(HttpServerTest, StopEndsServingThoughAConnectionIsStillOpen) {
    // A kept-alive connection that sends nothing more would hold its thread for the whole
    // keep-alive time; Stop must not wait for it.
    m_client->set_keep_alive(true);
    ASSERT_EQ(m_client->Get("/")->status, 200);
    m_http->Stop();
    m_thread.join();
    EXPECT_FALSE(m_client->Get("/"));
}

} // namespace
