// Feeds arbitrary bytes to the leaderboard's request path as everything one client sends on a
// connection: the head delimiting, the strict head check with Beast's parser behind it, the
// target's decoding and the routes, over a store in memory. Every head that passes must be a
// GET or HEAD without a body and with a clean target; every refusal a 400, 405 or 431 (as
// the connection would send); every routed answer a page with a type.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/Leaderboard.hpp"
#include "server/LeaderboardHttp.hpp"
#include "server/RequestHead.hpp"
#include "server/RequestTarget.hpp"

namespace {

// The storage rules that matter here, kept in memory.
class MemoryStore final : public server::RecordStore {
public:
    using server::RecordStore::Publish;
    server::Expected<server::PublishResult> Publish(const server::NewRecord& record, server::Deadline) override {
        if (m_records.size() < 1000) {
            const std::int64_t id = std::int64_t(m_records.size()) + 1;
            m_records.push_back({0, record.score, record.name, record.receivedAt, id, record.check.verified,
                                 record.check.board});
            m_replays.push_back(record.check.replay);
        }
        return server::PublishResult{server::PublishOutcome::Stored, std::int64_t(m_records.size()),
                                     record.check.verified, record.check.reason};
    }
    server::Expected<std::vector<server::RankedRecord>> Top(int, int first, int count) override {
        std::vector<server::RankedRecord> rows;
        for (std::size_t i = std::size_t(std::max(first, 1) - 1); i < m_records.size() && int(rows.size()) < count; ++i) {
            rows.push_back(m_records[i]);
            rows.back().rank = std::int64_t(i) + 1;
        }
        return rows;
    }
    server::Expected<std::vector<server::StoredRecord>> List(const server::RecordFilter&) override {
        return std::vector<server::StoredRecord>{};
    }
    server::Expected<bool> SetHidden(std::int64_t, bool) override { return false; }
    server::Expected<bool> Delete(std::int64_t) override { return false; }
    server::Expected<std::optional<server::StoredReplay>> Replay(std::int64_t id) override {
        std::optional<server::StoredReplay> found;
        if (id < 1 || id > std::int64_t(m_records.size()) || !m_records[std::size_t(id - 1)].verified) return found;
        found = server::StoredReplay{id, 1, m_records[std::size_t(id - 1)].score, m_replays[std::size_t(id - 1)]};
        return found;
    }

private:
    std::vector<server::RankedRecord> m_records;
    std::vector<std::string> m_replays;
};

struct Fixture {
    Fixture() : limiter(1000), board(store, limiter), http(board, server::HttpLimits{}, 1) {}
    MemoryStore store;
    server::RateLimiter limiter;
    server::Leaderboard board;
    server::LeaderboardHttp http;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Fixture fixture;
    if (size > 65536) return 0;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t limit = server::HttpLimits{}.maxHeadBytes;
    // Request after request, as a connection reads them; it ends at the first refusal.
    for (int requests = 0; requests < 16 && !input.empty(); ++requests) {
        const std::size_t length = server::HeadLength(input);
        if (length == 0) return 0;  // the connection would wait for more, or refuse past the limit
        if (length > limit) return 0;  // 431
        const server::ParsedHead parsed = server::ParseRequestHead(input.substr(0, length));
        input.remove_prefix(length);
        if (!parsed.head) {
            if (parsed.refusal.status != 400 && parsed.refusal.status != 405) __builtin_trap();
            return 0;
        }
        const server::RequestHead& head = *parsed.head;
        if (head.method != "GET" && head.method != "HEAD") __builtin_trap();
        if (head.target.empty() || head.target[0] != '/') __builtin_trap();
        for (const unsigned char c : head.target)
            if (c <= 0x20 || c >= 0x7F) __builtin_trap();
        server::HttpRequest request;
        request.head = head;
        request.target = server::ParseRequestTarget(head.target);
        request.client = "127.0.0.1";
        const server::Reply reply = fixture.http.Route(request);
        if (reply.contentType.empty() || reply.body.empty() || reply.status < 200 || reply.status > 599) __builtin_trap();
        if (reply.status >= 400) return 0;
    }
    return 0;
}
