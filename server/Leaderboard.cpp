#include "Leaderboard.hpp"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>

#include "rules/DailyCourt.hpp"
#include "server/DailyGames.hpp"
#include "server/Pages.hpp"
#include "server/PublishRequest.hpp"
#include "server/ReplayCheck.hpp"
#include "server/ReplayVerifier.hpp"
#include "server/VerificationBudget.hpp"
#include "store/ReplayFile.hpp"
#include "server/TopJson.hpp"

namespace server {

namespace {

constexpr const char* kHtml = "text/html; charset=utf-8";
constexpr const char* kJson = "application/json";
constexpr const char* kReplayType = "application/x-hoopstack-replay";
constexpr std::string_view kReplaySuffix = ".hoopstack-replay";

// A record id written plainly: 1 to 18 digits, no sign, no leading zero.
std::optional<std::int64_t> parseId(std::string_view text) {
    if (text.empty() || text.size() > 18 || text[0] == '0') return std::nullopt;
    std::int64_t id = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        id = id * 10 + (c - '0');
    }
    return id;
}

std::string lowerLevelName(int level) {
    std::string name = LevelName(level);
    for (char& c : name)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return name;
}

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

Leaderboard::Leaderboard(RecordStore& store, RateLimiter& limiter, Clock clock, ReplayVerifier* verifier,
                         VerificationBudget* budget)
    : m_store(store),
      m_limiter(limiter),
      m_clock(std::move(clock)),
      m_ownVerifier(verifier ? nullptr : std::make_unique<ReplayVerifier>(1)),
      m_verifier(verifier ? verifier : m_ownVerifier.get()),
      m_ownBudget(budget ? nullptr
                         : std::make_unique<VerificationBudget>(VerificationBudget::kDefaultClientFrames,
                                                                VerificationBudget::kDefaultGroupFrames)),
      m_budget(budget ? budget : m_ownBudget.get()),
      m_tops(store) {}

static_assert(kLevelPageRows <= TopCache::kRows, "the level page shows cached rows only");

Expected<std::vector<RankedRecord>> Leaderboard::Top(int level, int count) {
    const Expected<TopCache::Snapshot> table = m_tops.Rows(level);
    if (!table) return Error{table.error()};
    const std::vector<RankedRecord>& rows = (*table)->rows;
    return std::vector<RankedRecord>(rows.begin(), rows.begin() + std::min<std::ptrdiff_t>(count, std::ssize(rows)));
}

Leaderboard::~Leaderboard() {
    WaitForPublishes();
}

Reply Leaderboard::ErrorPage(int status, std::string_view title, std::string_view message) {
    Reply reply = html(status, RenderErrorPage(title, message));
    reply.headers.emplace_back("Cache-Control", "no-store");
    return reply;
}

Reply Leaderboard::Publish(const std::optional<std::string>& code, const std::optional<std::string>& replay,
                           const std::string& address, Deadline deadline) {
    std::promise<Reply> reply;
    std::future<Reply> answered = reply.get_future();
    StartPublish(
        code, replay, address, deadline, [](std::function<void()> work) { work(); },
        [&reply](Reply answer) { reply.set_value(std::move(answer)); });
    return answered.get();
}

void Leaderboard::StartPublish(const std::optional<std::string>& code,
                               const std::optional<std::string>& replay, const std::string& address,
                               Deadline deadline, Post post, Answer answer) {
    if (!code)
        return answer(ErrorPage(400, "Bad score report",
                                "The address carries no score: it needs \"?e=\" and the score code."));
    Expected<NewRecord> record = ParsePublishCode(*code, m_clock.wallSeconds());
    if (!record) return answer(ErrorPage(400, "Bad score report", record.error()));

    const RateLimiter::Decision decision = m_limiter.Take(ClientKeyOf(address), m_clock.steadySeconds());
    if (!decision.allowed)
        return answer(TryAgainPage(
            429, "Too many scores",
            "Too many scores came from your address in the last minute. Please publish again in " +
                std::to_string(decision.retryAfterSeconds) + " seconds.",
            decision.retryAfterSeconds));

    const std::string_view text =
        store::TrimReplayText(replay ? std::string_view(*replay) : std::string_view());
    const std::optional<std::uint32_t> frames = ReplayFrames(text);
    if (!frames) {
        // No replay, or one judged without playing it: nobody's checks are waited for.
        if (!text.empty()) record->check = CheckReplay(text, record->level, record->score);
        return answer(Store(*record, deadline));
    }
    const RateLimiter::Decision budget = m_budget->Spend(address, *frames, m_clock.steadySeconds());
    if (!budget.allowed)
        return answer(
            TryAgainPage(429, "Too many games to check",
                         "The games from your address have had all the checking time the server gives an "
                         "address for now; nothing was stored. Please publish again in " +
                             std::to_string(budget.retryAfterSeconds) + " seconds.",
                         budget.retryAfterSeconds));

    {
        std::lock_guard lock(m_publishesLock);
        ++m_publishesInFlight;
    }
    const Deadline verifyBy = std::min(deadline, std::chrono::steady_clock::now() + kVerifyWait);
    // Counted until its answer, so that the leaderboard and the caller's pool outlive it.
    struct Uncounted {
        Leaderboard* board;
        ~Uncounted() {
            if (board) board->PublishEnded();
        }
    } uncounted{this};
    m_verifier->Submit(
        std::string(text), record->level, record->score, *frames, verifyBy,
        [this, record = std::move(*record), deadline, post, answer](std::optional<ReplayCheck> check) {
            post([this, record, check, deadline, answer] {
                try {
                    if (!check) {
                        answer(TryAgainPage(
                            503, "Too many games to check",
                            "The server is checking many games just now and could not check yours; "
                            "nothing was stored. Please publish it again in a minute.",
                            30));
                    } else {
                        NewRecord checked = record;
                        checked.check = *check;
                        answer(Store(checked, deadline));
                    }
                } catch (const std::exception& e) {
                    std::fprintf(stderr, "hoopstack-leaderboard: %s\n", e.what());
                    answer(ErrorPage(500, "Server error", "Something went wrong; please try again later."));
                }
                PublishEnded();
            });
        });
    uncounted.board = nullptr;
}

void Leaderboard::PublishEnded() {
    std::lock_guard lock(m_publishesLock);
    if (--m_publishesInFlight == 0) m_publishesDone.notify_all();
}

void Leaderboard::WaitForPublishes() {
    std::unique_lock lock(m_publishesLock);
    m_publishesDone.wait(lock, [this] { return m_publishesInFlight == 0; });
}

Reply Leaderboard::TryAgainPage(int status, std::string_view title, std::string_view message,
                                int retryAfterSeconds) {
    Reply reply = ErrorPage(status, title, message);
    reply.headers.emplace_back("Retry-After", std::to_string(retryAfterSeconds));
    return reply;
}

Reply Leaderboard::Store(const NewRecord& record, Deadline deadline) {
    const Expected<PublishResult> result = m_store.Publish(record, deadline);
    if (!result) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", result.error().c_str());
        return TryAgainPage(
            503, "Score not stored",
            "The score could not be stored just now; please publish it again later. It is never "
            "stored twice.",
            10);
    }
    // The answer shows the table with this record in it when it made the Top 10.
    m_tops.Changed(record.level);
    const Expected<std::vector<RankedRecord>> top = Top(record.level, kTopRows);
    if (!top) std::fprintf(stderr, "hoopstack-leaderboard: %s\n", top.error().c_str());
    Reply reply =
        html(200, RenderPublishPage(record, *result, top ? &*top : nullptr, m_store.VerifiedOnly()));
    reply.headers.emplace_back("Cache-Control", "no-store");
    return reply;
}

Reply Leaderboard::Index() {
    std::vector<std::vector<RankedRecord>> tops;
    for (int level = kFirstLevel; level <= kLastLevel; ++level) {
        Expected<std::vector<RankedRecord>> top = Top(level, kTopRows);
        if (!top) {
            std::fprintf(stderr, "hoopstack-leaderboard: %s\n", top.error().c_str());
            return ErrorPage(503, "Table unavailable", "The tables cannot be read just now; please try again later.");
        }
        tops.push_back(std::move(*top));
    }
    return html(200, RenderIndexPage(tops, Today()));
}

Reply Leaderboard::Level(std::string_view levelText) {
    const std::optional<int> level = ParseLevel(levelText);
    if (!level) return ErrorPage(404, "No such level", "The levels are 1 (Novice), 2 (Expert) and 3 (Master).");
    Expected<std::vector<RankedRecord>> records = Top(*level, kLevelPageRows);
    if (!records) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", records.error().c_str());
        return ErrorPage(503, "Table unavailable", "The table cannot be read just now; please try again later.");
    }
    return html(200, RenderLevelPage(*level, *records));
}

Reply Leaderboard::ApiTop(const std::optional<std::string>& levelText) {
    const std::optional<int> level = levelText ? ParseLevel(*levelText) : std::nullopt;
    if (!level) return {400, kJson, RenderJsonError("level must be 1, 2 or 3"), {}};
    Expected<std::vector<RankedRecord>> records = Top(*level, kTopRows);
    if (!records) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", records.error().c_str());
        return {503, kJson, RenderJsonError("the table cannot be read just now"), {}};
    }
    return {200, kJson, RenderTopJson(*level, *records), {}};
}

std::int64_t Leaderboard::Today() const {
    const std::int64_t now = m_clock.wallSeconds();
    return rules::DayOfUnixTime(now > 0 ? now : 0);
}

std::optional<std::int64_t> Leaderboard::PastDay(std::string_view dateText) const {
    const std::optional<rules::CalendarDate> date = rules::ParseCalendarDate(dateText);
    if (!date) return std::nullopt;
    const std::int64_t day = rules::DaysSinceEpoch(*date);
    if (day > Today()) return std::nullopt;
    return day;
}

Reply Leaderboard::Daily(std::optional<std::string_view> dateText) {
    const std::int64_t today = Today();
    const std::optional<std::int64_t> day = dateText ? PastDay(*dateText) : today;
    if (!day)
        return ErrorPage(
            404, "No such day",
            "A day's table is at /daily/YYYY-MM-DD, for a day from 1970-01-01 up to today (UTC).");
    const Expected<std::vector<RankedRecord>> rows = m_store.DailyTop(*day, 1, kDailyRows);
    if (!rows) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", rows.error().c_str());
        return ErrorPage(503, "Table unavailable",
                         "The table cannot be read just now; please try again later.");
    }
    const int level = int(rules::DailyLevel(*day)) + kFirstLevel;
    return html(200, RenderDailyPage(*day, level, DailyStartBoard(*day), *rows, today));
}

Reply Leaderboard::ApiDaily(const std::optional<std::string>& dateText) {
    std::optional<std::int64_t> day = Today();
    if (dateText) {
        if (!rules::ParseCalendarDate(*dateText))
            return {400, kJson, RenderJsonError("date must be a day as YYYY-MM-DD"), {}};
        day = PastDay(*dateText);
        if (!day) return {404, kJson, RenderJsonError("that day has not begun yet"), {}};
    }
    const Expected<std::vector<RankedRecord>> rows = m_store.DailyTop(*day, 1, kDailyRows);
    if (!rows) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", rows.error().c_str());
        return {503, kJson, RenderJsonError("the table cannot be read just now"), {}};
    }
    return {200, kJson, RenderDailyJson(*day, int(rules::DailyLevel(*day)) + kFirstLevel, *rows), {}};
}

Reply Leaderboard::ReplayFile(std::string_view fileName) {
    const Reply missing = ErrorPage(404, "No such replay", "Only verified records that are on the tables have a replay here.");
    if (fileName.size() <= kReplaySuffix.size() || fileName.substr(fileName.size() - kReplaySuffix.size()) != kReplaySuffix)
        return missing;
    const std::optional<std::int64_t> id = parseId(fileName.substr(0, fileName.size() - kReplaySuffix.size()));
    if (!id) return missing;
    const Expected<std::optional<StoredReplay>> found = m_store.Replay(*id);
    if (!found) {
        std::fprintf(stderr, "hoopstack-leaderboard: %s\n", found.error().c_str());
        return ErrorPage(503, "Replay unavailable", "The replay cannot be read just now; please try again later.");
    }
    if (!*found || (*found)->replay.empty()) return missing;
    const StoredReplay& file = **found;
    const std::string name = "hoopstack-" + lowerLevelName(file.level) + "-" + std::to_string(file.score) + "-" +
                             std::to_string(file.id) + std::string(kReplaySuffix);
    return {200, kReplayType, file.replay + "\n",
            {{"Content-Disposition", "attachment; filename=\"" + name + "\""}, {"Cache-Control", "max-age=300"}}};
}

Reply Leaderboard::Games() { return html(200, RenderGamesPage()); }

Reply Leaderboard::Style() {
    return {200, "text/css; charset=utf-8", StyleSheet(), {{"Cache-Control", "max-age=3600"}}};
}

Reply Leaderboard::NotFound() {
    return ErrorPage(404, "Not found", "There is no page at this address.");
}

} // namespace server
