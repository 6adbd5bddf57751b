// The leaderboard over real loopback connections: the addresses the game opens, the headers
// every answer carries, strict framing (every smuggling trick is a 400 that closes the
// connection), methods, HEAD, keep-alive, the head limit, deadlines, connection caps, the
// trusted proxy, and a prompt stop.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>

#include "HttpTestSupport.hpp"
#include "ReplayGames.hpp"
#include "rules/ReplayPlayer.hpp"
#include "TestDatabase.hpp"
#include "server/Leaderboard.hpp"
#include "server/LeaderboardHttp.hpp"
#include "server/OpenRecordStore.hpp"
#include "store/ScoreReport.hpp"

using namespace server;
using namespace std::string_literals;

namespace {

// A GET that fills the head up to exactly `total` bytes with a padding header.
std::string requestOfSize(std::size_t total) {
    const std::string head = "GET /api/top?level=1 HTTP/1.1\r\nHost: x\r\nConnection: close\r\nX-Pad: ";
    const std::string tail = "\r\n\r\n";
    return head + std::string(total - head.size() - tail.size(), 'p') + tail;
}

// Every answer carries the content policy once.
int countResponses(const std::string& replies) {
    const std::string mark = "\r\nContent-Security-Policy: ";
    int n = 0;
    for (std::size_t at = replies.find(mark); at != std::string::npos; at = replies.find(mark, at + 1)) ++n;
    return n;
}

class HttpServerTest : public ::testing::Test {
protected:
    void SetUp() override { Start(HttpLimits{}); }
    void Start(HttpLimits limits) {
        auto opened = OpenRecordStore(m_database.Url());
        ASSERT_TRUE(opened) << opened.error();
        m_store = std::move(*opened);
        m_board = std::make_unique<Leaderboard>(*m_store, m_limiter);
        m_http = std::make_unique<LeaderboardHttp>(*m_board, limits, 4);
        const Expected<int> port = m_http->Bind("127.0.0.1", 0);
        ASSERT_TRUE(port) << port.error();
        m_port = *port;
        m_thread = std::thread([this] { m_http->Run(); });
    }
    void Restart(HttpLimits limits) {
        TearDown();
        m_http.reset();
        Start(std::move(limits));
    }
    void TearDown() override {
        if (m_http) m_http->Stop();
        if (m_thread.joinable()) m_thread.join();
    }
    std::size_t Stored(int level) { return m_store->Top(level, 1, 1000)->size(); }

    TestDatabase m_database{Backend::Sqlite};
    std::unique_ptr<RecordStore> m_store;
    RateLimiter m_limiter{5};
    std::unique_ptr<Leaderboard> m_board;
    std::unique_ptr<LeaderboardHttp> m_http;
    int m_port = 0;
    std::thread m_thread;
};

TEST_F(HttpServerTest, ServesTheAddressesTheGameOpens) {
    TestClient client(m_port);
    auto published = client.Get("/cgi-bin/gameres.pl?e=" + ReportCode(321, "1", "Zo\xEB"));
    ASSERT_TRUE(published);
    EXPECT_EQ(published->status, 200);
    EXPECT_NE(published->body.find("Zoë scored <strong>321</strong>"), std::string::npos);

    auto games = client.Get("/cgi-bin/screen.pl/games.shtml?r=qx&c=b");
    ASSERT_TRUE(games);
    EXPECT_EQ(games->status, 200);
    EXPECT_NE(games->body.find("<h1>Hoopstack</h1>"), std::string::npos);

    auto level = client.Get("/level/1");
    ASSERT_TRUE(level);
    EXPECT_NE(level->body.find(">Zoë<"), std::string::npos);
    auto json = client.Get("/api/top?level=1");
    ASSERT_TRUE(json);
    EXPECT_EQ(json->Header("Content-Type"), "application/json");
    EXPECT_NE(json->body.find("\"name\":\"Zoë\""), std::string::npos);
}

TEST_F(HttpServerTest, EveryAnswerCarriesTheSecurityHeaders) {
    std::vector<std::pair<std::string, int>> cases = {
        {"/", 200},
        {"/level/2", 200},
        {"/api/top?level=3", 200},
        {"/style.css", 200},
        {"/cgi-bin/gameres.pl?e=12", 400},
        {"/level/9", 404},
        {"/no/such/page", 404},
        {"/daily", 200},
        {"/daily/2000-02-29", 200},
        {"/api/daily", 200},
        {"/api/daily?date=1970-01-01", 200},
        {"/daily/", 404},
        {"/daily/2026-02-30", 404},
        {"/daily/9999-12-31", 404},
        {"/daily/..%2F..%2F", 404},
        {"/daily/2000-02-29/x", 404},
        {"/api/daily?date=..%2F", 400},
        {"/api/daily?date=9999-12-31", 404},
    };
    for (const auto& [path, status] : cases) {
        TestClient client(m_port);
        auto reply = client.Get(path);
        ASSERT_TRUE(reply) << path;
        EXPECT_EQ(reply->status, status) << path;
        for (const auto& [name, value] : SecurityHeaders()) EXPECT_EQ(reply->Header(name), value) << path;
        EXPECT_FALSE(reply->body.empty()) << path;
    }
    for (const std::string& refused : {ExchangeRaw(m_port, requestOfSize(17000)),
                                       ExchangeRaw(m_port, "GET / HTTP/1.1\r\n\r\n"),
                                       ExchangeRaw(m_port, "POST / HTTP/1.1\r\nHost: x\r\n\r\n")})
        for (const auto& [name, value] : SecurityHeaders()) EXPECT_NE(refused.find(name + ": " + value), std::string::npos);
    const std::string policy = SecurityHeaders()[0].second;
    EXPECT_NE(policy.find("default-src 'none'"), std::string::npos);
    EXPECT_EQ(policy.find("unsafe"), std::string::npos);
}

TEST_F(HttpServerTest, HeadsOverSixteenKibibytesAreRefused) {
    // A publish address of 8 KiB, with a browser's headers, is taken.
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, requestOfSize(16384))), 200);
    const std::string refused = ExchangeRaw(m_port, requestOfSize(16385));
    EXPECT_EQ(StatusOf(refused), 431);
    EXPECT_NE(refused.find("Connection: close"), std::string::npos);
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, "GET /" + std::string(20000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n")), 431);
    // Endless headers end at the limit too, not when memory runs out.
    std::string many = "GET / HTTP/1.1\r\n";
    for (int i = 0; i < 5000; ++i) many += "X-" + std::to_string(i) + ": v\r\n";
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, many)), 431);
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, "GET / HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n")), 200);
}

TEST_F(HttpServerTest, EveryFramingTrickIsA400ThatClosesTheConnection) {
    const std::string publish = "GET /cgi-bin/gameres.pl?e=" + ReportCode(999999, "1", "SMUGGLED") + " HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string length = std::to_string(publish.size());
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"a GET with a body", "GET /level/1 HTTP/1.1\r\nHost: x\r\nContent-Length: " + length + "\r\n\r\n" + publish},
        {"a HEAD with a body", "HEAD / HTTP/1.1\r\nHost: x\r\nContent-Length: " + length + "\r\n\r\n" + publish},
        {"a chunked GET", "GET / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n" + publish},
        {"two differing lengths", "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nContent-Length: " + length + "\r\n\r\n" + publish},
        {"two equal lengths", "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nContent-Length: 0\r\n\r\n" + publish},
        {"a length list", "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 0, 0\r\n\r\n" + publish},
        {"length and chunked", "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nTransfer-Encoding: chunked\r\n\r\n" + publish},
        {"a signed length", "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: +0\r\n\r\n" + publish},
        {"a space before the colon", "GET / HTTP/1.1\r\nHost: x\r\nContent-Length : " + length + "\r\n\r\n" + publish},
        {"a bare LF line", "GET / HTTP/1.1\nHost: x\n\n" + publish},
        {"a bare LF inside", "GET / HTTP/1.1\r\nHost: x\nX: y\r\n\r\n" + publish},
        {"a bare CR", "GET / HTTP/1.1\r\nHost: x\rX: y\r\n\r\n" + publish},
        {"obs-fold", "GET / HTTP/1.1\r\nHost: x\r\nX-A: b\r\n c\r\n\r\n" + publish},
        {"a NUL in a value", "GET / HTTP/1.1\r\nHost: x\r\nX-A: b\0c\r\n\r\n"s + publish},
        {"HTTP/1.1 without Host", "GET / HTTP/1.1\r\nX: y\r\n\r\n" + publish},
        {"two Hosts", "GET / HTTP/1.1\r\nHost: x\r\nHost: y\r\n\r\n" + publish},
        {"HTTP/2.0", "GET / HTTP/2.0\r\nHost: x\r\n\r\n" + publish},
        {"a double space", "GET  / HTTP/1.1\r\nHost: x\r\n\r\n" + publish},
        {"an absolute target", "GET http://x/ HTTP/1.1\r\nHost: x\r\n\r\n" + publish},
    };
    for (const auto& [what, request] : cases) {
        const std::string reply = ExchangeRaw(m_port, request);
        EXPECT_EQ(StatusOf(reply), 400) << what;
        EXPECT_NE(reply.find("Connection: close"), std::string::npos) << what;
        EXPECT_EQ(countResponses(reply), 1) << what;
    }
    EXPECT_EQ(Stored(1), 0u) << "a smuggled publish was stored";
    // Plain requests of both versions still pass, HTTP/1.0 without Host too; the answer is
    // HTTP/1.1, and an HTTP/1.0 keep-alive is confirmed.
    const std::string old = ExchangeRaw(m_port, "GET / HTTP/1.0\r\n\r\n");
    EXPECT_EQ(old.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    const std::string kept = ExchangeRaw(m_port, "GET /style.css HTTP/1.0\r\nConnection: keep-alive\r\n\r\nGET / HTTP/1.0\r\n\r\n");
    EXPECT_EQ(countResponses(kept), 2);
    EXPECT_NE(kept.find("Connection: keep-alive\r\n"), std::string::npos);
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, "GET / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")), 200);
}

TEST_F(HttpServerTest, OtherMethodsGet405WithAllowAndTheirBodiesNeverRun) {
    const std::string publish = "GET /cgi-bin/gameres.pl?e=" + ReportCode(5, "1", "SMUGGLED") + " HTTP/1.1\r\nHost: x\r\n\r\n";
    for (const char* method : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH", "TRACE"}) {
        const std::string reply = ExchangeRaw(m_port, std::string(method) + " / HTTP/1.1\r\nHost: x\r\nContent-Length: " +
                                                          std::to_string(publish.size()) + "\r\n\r\n" + publish);
        EXPECT_EQ(StatusOf(reply), 405) << method;
        EXPECT_NE(reply.find("Allow: GET, HEAD"), std::string::npos) << method;
        EXPECT_EQ(countResponses(reply), 1) << method;
    }
    EXPECT_EQ(Stored(1), 0u);
}

TEST_F(HttpServerTest, HeadAnswersLikeGetWithoutTheBody) {
    TestClient client(m_port);
    auto get = client.Get("/style.css");
    auto head = client.Get("/style.css", "HEAD");
    ASSERT_TRUE(get && head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->Header("Content-Length"), std::to_string(get->body.size()));
    EXPECT_TRUE(head->body.empty());
    // The connection goes on after the HEAD: no body bytes were left in it.
    auto again = client.Get("/api/top?level=1");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200);
    EXPECT_EQ(again->body.front(), '{');
}

TEST_F(HttpServerTest, PipelinedRequestsAreAnsweredInOrderAndA4xxEndsThem) {
    const std::string get = "GET /api/top?level=1 HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string last = "GET /style.css HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n";
    const std::string replies = ExchangeRaw(m_port, get + get + last);
    EXPECT_EQ(countResponses(replies), 3);
    EXPECT_NE(replies.rfind("text/css"), std::string::npos);
    // After a 404 nothing more is read.
    const std::string afterMiss = ExchangeRaw(m_port, "GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n" + get);
    EXPECT_EQ(StatusOf(afterMiss), 404);
    EXPECT_EQ(countResponses(afterMiss), 1);
}

TEST_F(HttpServerTest, ThePublishLimitCountsTheClientAddress) {
    TestClient client(m_port);
    for (int i = 0; i < 5; ++i) ASSERT_EQ(client.Get("/cgi-bin/gameres.pl?e=" + ReportCode(i, "2", "Bo"))->status, 200);
    auto refused = client.Get("/cgi-bin/gameres.pl?e=" + ReportCode(99, "2", "Bo"));
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 429);
    EXPECT_FALSE(refused->Header("Retry-After").empty());
    EXPECT_EQ(Stored(2), 5u);
    // Another address has its own allowance; a forwarded address from an untrusted peer is
    // not believed.
    TestClient other(m_port, "127.0.0.2");
    EXPECT_EQ(other.Get("/cgi-bin/gameres.pl?e=" + ReportCode(7, "2", "Cy"))->status, 200);
    const std::string forged = "GET /cgi-bin/gameres.pl?e=" + ReportCode(100, "2", "Bo") +
                               " HTTP/1.1\r\nHost: x\r\nX-Forwarded-For: 127.0.0.77\r\n\r\n";
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, forged)), 429);
}

TEST_F(HttpServerTest, BehindATrustedProxyTheForwardedAddressIsTheClient) {
    HttpLimits limits;
    limits.trustedProxy = "127.0.0.1";
    Restart(limits);
    auto from = [&](const std::string& client, int score) {
        return StatusOf(ExchangeRaw(m_port, "GET /cgi-bin/gameres.pl?e=" + ReportCode(score, "3", "Di") +
                                                " HTTP/1.1\r\nHost: x\r\nConnection: close\r\nX-Forwarded-For: " +
                                                client + "\r\n\r\n"));
    };
    for (int i = 0; i < 5; ++i) EXPECT_EQ(from("127.0.0.10", i), 200);
    EXPECT_EQ(from("127.0.0.10", 50), 429);
    EXPECT_EQ(from("127.0.0.99, 127.0.0.11", 51), 200) << "the proxy's own entry, the last one, names the client";
}

TEST_F(HttpServerTest, BehindATrustedProxyOneIpv6Slash64IsOneClient) {
    HttpLimits limits;
    limits.trustedProxy = "::ffff:127.0.0.1"; // the mapped form names the same proxy
    Restart(limits);
    auto from = [&](const std::string& client, int score) {
        return StatusOf(ExchangeRaw(
            m_port, "GET /cgi-bin/gameres.pl?e=" + ReportCode(score, "3", "Ed") +
                        " HTTP/1.1\r\nHost: x\r\nConnection: close\r\nX-Forwarded-For: " + client +
                        "\r\n\r\n"));
    };
    // Five addresses of one /64, written as different proxies write them, share its allowance.
    const std::vector<std::string> slash64 = {"2001:db8:7:1::1", "2001:DB8:7:1:0:0:0:2", "[2001:db8:7:1::3]",
                                              "[2001:db8:7:1:ffff::4]:4444",
                                              "2001:db8:7:1:ffff:ffff:ffff:ffff"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(from(slash64[std::size_t(i)], i), 200) << slash64[std::size_t(i)];
    EXPECT_EQ(from("2001:db8:7:1:1234:5678:9abc:def0", 10), 429);
    EXPECT_EQ(from("2001:db8:7:2::1", 11), 200) << "the next /64 is another client";
    EXPECT_EQ(from("192.0.2.1:80", 12), 200);
    EXPECT_EQ(m_limiter.Entries(), 3u);
}

TEST_F(HttpServerTest, BehindATrustedProxyJunkForwardedEntriesAreTheProxysOwn) {
    HttpLimits limits;
    limits.trustedProxy = "127.0.0.1";
    Restart(limits);
    auto from = [&](const std::string& client, int score) {
        return StatusOf(ExchangeRaw(
            m_port, "GET /cgi-bin/gameres.pl?e=" + ReportCode(score, "1", "Fi") +
                        " HTTP/1.1\r\nHost: x\r\nConnection: close\r\nX-Forwarded-For: " + client +
                        "\r\n\r\n"));
    };
    // Two thousand distinct entries of up to 8 KiB that are no address: all one client, the
    // proxy, whose allowance of five they use up; the limiter holds one small bucket for them.
    int allowed = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::string junk =
            "client-" + std::to_string(i) + "-" + std::string(std::size_t(i % 8) * 1000, 'j');
        const int status = from(junk, 1000 + i);
        ASSERT_TRUE(status == 200 || status == 429) << status;
        allowed += status == 200;
    }
    EXPECT_EQ(allowed, 5);
    EXPECT_EQ(m_limiter.Entries(), 1u);
    EXPECT_LE(m_limiter.Bytes(), RateLimiter::BytesBound(16));
    EXPECT_EQ(Stored(1), 5u);
    // The proxy's peers see no difference: a real address still has its own allowance.
    EXPECT_EQ(from("192.0.2.55", 5000), 200);
}

TEST_F(HttpServerTest, ConnectionsAreCappedPerClientAndInAll) {
    HttpLimits limits;
    limits.maxConnectionsPerClient = 3;
    limits.maxConnections = 5;
    Restart(limits);
    std::vector<int> held;
    for (int i = 0; i < 3; ++i) held.push_back(ConnectLoopback(m_port, "127.0.0.3"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const int fourth = ConnectLoopback(m_port, "127.0.0.3");
    char buffer[512];
    const ssize_t n = ::recv(fourth, buffer, sizeof buffer, 0);
    ASSERT_GT(n, 0);
    EXPECT_EQ(StatusOf(std::string(buffer, std::size_t(n))), 503);
    ::close(fourth);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    TestClient other(m_port, "127.0.0.4");
    EXPECT_EQ(other.Get("/style.css")->status, 200);
    // Two more fill the total of five: the next client is turned away too.
    held.push_back(ConnectLoopback(m_port, "127.0.0.5"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(StatusOf(ExchangeRaw(m_port, "GET / HTTP/1.0\r\n\r\n")), 503);
    for (const int fd : held) ::close(fd);
}

TEST_F(HttpServerTest, SlowAndIdleConnectionsAreClosedAtTheirDeadlines) {
    HttpLimits limits;
    limits.requestMs = 600;
    limits.idleMs = 900;
    Restart(limits);
    const auto closedAfter = [](int fd) {
        const auto start = std::chrono::steady_clock::now();
        char buffer[256];
        while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
        }
        ::close(fd);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    // A head that never ends, sent a byte at a time, is cut at the request deadline.
    const int slow = ConnectLoopback(m_port);
    std::thread dribble([slow] {
        // Five seconds of bytes, each well within any per-read timeout.
        for (const char c : "GET / HTTP/1.1\r\nX-Slow: " + std::string(24, 's')) {
            if (::send(slow, &c, 1, MSG_NOSIGNAL) != 1) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    const double slowTime = closedAfter(slow);
    dribble.join();
    EXPECT_LT(slowTime, 3.0);
    // A silent connection is closed at the idle deadline, also after a first answer.
    TestClient kept(m_port);
    ASSERT_EQ(kept.Get("/style.css")->status, 200);
    const double idleTime = closedAfter(ConnectLoopback(m_port));
    EXPECT_GT(idleTime, 0.5);
    EXPECT_LT(idleTime, 5.0);
}

TEST_F(HttpServerTest, AVerifiedRecordsReplayDownloadsAsAFile) {
    const std::optional<PlayedGame> game = PlayGame(3, 5);
    ASSERT_TRUE(game);
    TestClient client(m_port);
    auto published = client.Get("/cgi-bin/gameres.pl?e=" + ReportCode(game->score, 3, "Zoe") + "&r=" + game->replay);
    ASSERT_TRUE(published);
    ASSERT_EQ(published->status, 200);
    ASSERT_EQ(client.Get("/cgi-bin/gameres.pl?e=" + ReportCode(1, 3, "Plain"))->status, 200);
    const std::vector<RankedRecord> top = *m_store->Top(3, 1, 10);
    ASSERT_EQ(top.size(), 2u);
    const RankedRecord& zoe = top[0].name == "Zoe" ? top[0] : top[1];
    const RankedRecord& plain = top[0].name == "Zoe" ? top[1] : top[0];
    const std::string path = "/replay/" + std::to_string(zoe.id) + ".hoopstack-replay";

    auto file = client.Get(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->status, 200);
    EXPECT_EQ(file->Header("Content-Type"), "application/x-hoopstack-replay");
    EXPECT_EQ(file->Header("Content-Disposition"), "attachment; filename=\"hoopstack-master-" +
                                                       std::to_string(game->score) + "-" + std::to_string(zoe.id) +
                                                       ".hoopstack-replay\"");
    EXPECT_EQ(file->body, game->replay + "\n");
    for (const auto& [name, value] : SecurityHeaders()) EXPECT_EQ(file->Header(name), value);
    auto head = client.Get(path, "HEAD");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->status, 200);
    EXPECT_EQ(head->Header("Content-Length"), std::to_string(game->replay.size() + 1));
    auto page = client.Get("/level/3");
    ASSERT_TRUE(page);
    EXPECT_NE(page->body.find("href=\"" + path + "\""), std::string::npos);

    for (const std::string& missing : std::vector<std::string>{"/replay/" + std::to_string(plain.id) + ".hoopstack-replay",
                                       "/replay/" + std::to_string(zoe.id + 1000) + ".hoopstack-replay",
                                       "/replay/" + std::to_string(zoe.id), "/replay/", "/replay/../level/3", "/replay/%2e%2e%2flevel%2f3",
                                       "/replay/" + std::to_string(zoe.id) + ".hoopstack-replay?x=1/.."}) {
        TestClient other(m_port);
        auto reply = other.Get(missing);
        ASSERT_TRUE(reply) << missing;
        EXPECT_EQ(reply->status, missing.find("?x=1") != std::string::npos ? 200 : 404) << missing;
    }
}

// Replays made to cost the most, cut, oversized or of random bytes, from many addresses at
// once: the I/O threads go on answering, nothing crashes, and every publish that was answered
// 200 is stored unverified with a reason.
TEST_F(HttpServerTest, HostileReplaysNeitherCrashNorHoldUpTheOtherAnswers) {
    const std::string longest = IdleReplay(1, rules::kReplayTickBudget);
    const std::string tooLong = IdleReplay(1, rules::kReplayTickBudget + 1);
    std::string randomBytes;
    for (int i = 0; i < 2000; ++i) randomBytes += "%" + std::string(1, "0123456789ABCDEF"[(i * 7) % 16]) + "ABCDEF"[(i * 13) % 6];
    const std::vector<std::string> replays = {
        longest, tooLong, std::string(7600, 'A'), std::string(9000, 'A'), "%00%01%02%ff", randomBytes,
        longest.substr(0, longest.size() / 2), "A", "==", std::string(4000, '_'),
    };
    std::atomic<bool> done{false};
    std::atomic<int> sent{0}, errors{0};
    std::vector<std::thread> attackers;
    for (int t = 0; t < 4; ++t)
        attackers.emplace_back([&, t] {
            for (int i = 0; !done && i < 40; ++i) {
                const std::string& r = replays[std::size_t(t + i * 4) % replays.size()];
                // Addresses of their own, past the rate limit of five a minute.
                const std::string from = "127.0.4." + std::to_string(1 + t * 40 + i);
                TestClient client(m_port, from);
                auto reply = client.Get("/cgi-bin/gameres.pl?e=" + ReportCode(100 + t * 100 + i, 1, "h" + std::to_string(t) + "-" + std::to_string(i)) + "&r=" + r);
                ++sent;
                if (!reply || (reply->status != 200 && reply->status != 429 && reply->status != 431 &&
                               reply->status != 503))
                    ++errors;
            }
        });
    std::vector<double> times;
    for (int i = 0; i < 20; ++i) {
        for (const char* path : {"/style.css", "/api/top?level=2"}) {
            const auto start = std::chrono::steady_clock::now();
            TestClient probe(m_port, "127.0.0.9");
            auto reply = probe.Get(path);
            times.push_back(reply && reply->status == 200
                                ? std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
                                : 99.0);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    done = true;
    for (std::thread& t : attackers) t.join();
    std::sort(times.begin(), times.end());
    EXPECT_LT(times[times.size() * 9 / 10 - 1], 1.0) << "the 90th percentile, in seconds";
    EXPECT_LT(times.back(), 5.0);
    EXPECT_EQ(errors, 0) << "of " << sent << " hostile publishes";
    const Expected<std::vector<StoredRecord>> stored = m_store->List({});
    ASSERT_TRUE(stored) << stored.error();
    EXPECT_GT(stored->size(), 0u);
    for (const StoredRecord& r : *stored) {
        EXPECT_FALSE(r.verified) << r.name;
        EXPECT_FALSE(r.reason.empty()) << r.name;
    }
    TestClient after(m_port, "127.0.0.8");
    EXPECT_EQ(after.Get("/")->status, 200);
}

TEST_F(HttpServerTest, StopEndsServingThoughAConnectionIsStillOpen) {
    TestClient client(m_port);
    ASSERT_EQ(client.Get("/")->status, 200);
    const auto start = std::chrono::steady_clock::now();
    m_http->Stop();
    m_thread.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(client.Get("/"));
}

} // namespace
