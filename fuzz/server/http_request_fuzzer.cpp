// Feeds arbitrary bytes to the leaderboard's HTTP server as everything one client sends on a
// connection, through a socket pair and the real request parser, size limit and routes, over
// a store in memory. The answer must be a well-formed response with the security headers.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "server/Leaderboard.hpp"
#include "server/LeaderboardHttp.hpp"

namespace {

// The storage rules that matter here, kept in memory.
class MemoryStore final : public server::RecordStore {
public:
    server::Expected<server::PublishResult> Publish(const server::NewRecord& record) override {
        if (m_records.size() < 1000) m_records.push_back({0, record.score, record.name, record.receivedAt});
        return server::PublishResult{server::PublishOutcome::Stored, std::int64_t(m_records.size())};
    }
    server::Expected<std::vector<server::RankedRecord>> Top(int, int first, int count) override {
        std::vector<server::RankedRecord> rows;
        for (std::size_t i = std::size_t(std::max(first, 1) - 1); i < m_records.size() && int(rows.size()) < count; ++i) {
            rows.push_back(m_records[i]);
            rows.back().rank = std::int64_t(i) + 1;
        }
        return rows;
    }

private:
    std::vector<server::RankedRecord> m_records;
};

struct Fixture {
    Fixture() : limiter(1000), board(store, limiter), http(board, limits(), 1) {}
    static server::HttpLimits limits() {
        server::HttpLimits l;
        l.readTimeoutMs = 50;
        l.writeTimeoutMs = 50;
        l.keepAliveMs = 50;
        l.keepAliveRequests = 8;
        return l;
    }
    MemoryStore store;
    server::RateLimiter limiter;
    server::Leaderboard board;
    server::LeaderboardHttp http;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    if (size > 65536) return 0;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0) return 0;
    const int big = 4 << 20;
    ::setsockopt(pair[0], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    ::setsockopt(pair[1], SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(pair[1], data + sent, size - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += std::size_t(n);
    }
    ::shutdown(pair[1], SHUT_WR);
    fixture.http.Server().ServeConnection(pair[0]);  // closes pair[0]

    std::string reply;
    char buffer[65536];
    for (ssize_t n; (n = ::recv(pair[1], buffer, sizeof buffer, 0)) > 0;) reply.append(buffer, std::size_t(n));
    ::close(pair[1]);

    // The first response names its status and carries the content policy. (Later ones are
    // not picked out: a HEAD answer has no body for its Content-Length.)
    if (reply.empty()) return 0;
    const std::size_t headEnd = reply.find("\r\n\r\n");
    if (reply.rfind("HTTP/1.1 ", 0) != 0 || headEnd == std::string::npos) __builtin_trap();
    if (reply.substr(0, headEnd).find("\r\nContent-Security-Policy: default-src 'none'") == std::string::npos)
        __builtin_trap();
    return 0;
}
