#include "Leaderboard.hpp"

#include <chrono>
#include <cstdio>

#include "server/Pages.hpp"
#include "server/PublishRequest.hpp"
#include "server/TopJson.hpp"

namespace server {

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kJson = "application/json";

Reply html(int status, std::string body) { return {status, kHtml, std::move(body), {}}; }

} // namespace

Leaderboard::Clock Leaderboard::SystemClock() {
    return {[] {
                return std::int64_t(std::chrono::duration_cast<std::chrono::seconds>(
                                        std::chrono::system_clock::now().time_since_epoch())
                                        .count());
            },
            [] {
                return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
            }};
}

Leaderboard::Leaderboard(RecordStore& store, RateLimiter& limiter, Clock clock)
    : m_store(store), m_limiter(limiter), m_clock(std::move(clock)) {}

Reply Leaderboard::ErrorPage(int status, std::string_view title, std::string_view message) {
    Reply reply = html(status, RenderErrorPage(title, message));
    reply.headers.emplace_back("Cache-Control", "no-store");
    return reply;
}

Reply Leaderboard::Publish(const std::optional<std::string>& code, const std::string& address, Deadline deadline) {
    if (!code) return ErrorPage(400, "Bad score report", "The address carries no score: it needs \"?e=\" and the score code.");
    Expected<NewRecord> record = ParsePublishCode(*code, m_clock.wallSeconds());
    if (!record) return ErrorPage(400, "Bad score report", record.error());

    const RateLimiter::Decision decision = m_limiter.Take(address, m_clock.steadySeconds());
    if (!decision.allowed) {
        Reply reply = ErrorPage(429, "Too many scores",
                                "Too many scores came from your address in the last minute. Please publish again in " +
                                    std::to_string(decision.retryAfterSeconds) + " seconds.");
        reply.headers.emplace_back("Retry-After", std::to_string(decision.retryAfterSeconds));
        return reply;
    }

    const Expected<PublishResult> result = m_store.Publish(*record, deadline);
    if (!result) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", result.error().c_str());
        Reply reply = ErrorPage(503, "Score not stored",
                                "The score could not be stored just now; please publish it again later. It is never stored twice.");
        reply.headers.emplace_back("Retry-After", "10");
        return reply;
    }
    const Expected<std::vector<RankedRecord>> top = m_store.Top(record->level, 1, kTopRows);
    if (!top) std::fprintf(stderr, "hoopstack-leaderboard: %s\n", top.error().c_str());
    Reply reply = html(200, RenderPublishPage(*record, *result, top ? &*top : nullptr));
    reply.headers.emplace_back("Cache-Control", "no-store");
    return reply;
}

Reply Leaderboard::Index() {
    std::vector<std::vector<RankedRecord>> tops;
    for (int level = kFirstLevel; level <= kLastLevel; ++level) {
        Expected<std::vector<RankedRecord>> top = m_store.Top(level, 1, kTopRows);
        if (!top) {
            std::fprintf(stderr, "hoopstack-leaderboard: %s\n", top.error().c_str());
            return ErrorPage(503, "Table unavailable", "The tables cannot be read just now; please try again later.");
        }
        tops.push_back(std::move(*top));
    }
    return html(200, RenderIndexPage(tops));
}

Reply Leaderboard::Level(std::string_view levelText) {
    const std::optional<int> level = ParseLevel(levelText);
    if (!level) return ErrorPage(404, "No such level", "The levels are 1 (Novice), 2 (Expert) and 3 (Master).");
    Expected<std::vector<RankedRecord>> records = m_store.Top(*level, 1, kLevelPageRows);
    if (!records) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", records.error().c_str());
        return ErrorPage(503, "Table unavailable", "The table cannot be read just now; please try again later.");
    }
    return html(200, RenderLevelPage(*level, *records));
}

Reply Leaderboard::ApiTop(const std::optional<std::string>& levelText) {
    const std::optional<int> level = levelText ? ParseLevel(*levelText) : std::nullopt;
    if (!level) return {400, kJson, RenderJsonError("level must be 1, 2 or 3"), {}};
    Expected<std::vector<RankedRecord>> records = m_store.Top(*level, 1, kTopRows);
    if (!records) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", records.error().c_str());
        return {503, kJson, RenderJsonError("the table cannot be read just now"), {}};
    }
    return {200, kJson, RenderTopJson(*level, *records), {}};
}

Reply Leaderboard::Games() { return html(200, RenderGamesPage()); }

Reply Leaderboard::Style() {
    return {200, "text/css; charset=utf-8", StyleSheet(), {{"Cache-Control", "max-age=3600"}}};
}

Reply Leaderboard::NotFound() {
    return ErrorPage(404, "Not found", "There is no page at this address.");
}

} // namespace server
