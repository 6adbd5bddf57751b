#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/RateLimiter.hpp"
#include "server/RecordStore.hpp"
#include "server/Reply.hpp"
#include "server/TopCache.hpp"

namespace server {

class ReplayVerifier;
class VerificationBudget;

// The longest a publish's replay may wait for and take on the verification workers; the
// rest of the publish's time is the database's.
inline constexpr std::chrono::seconds kVerifyWait{3};

// What each address of the leaderboard answers, without any network: the HTTP layer only
// hands over the parameters and sends the Reply back.
class Leaderboard {
public:
    struct Clock {
        std::function<std::int64_t()> wallSeconds;  // dates of records
        std::function<double()> steadySeconds;      // the rate limit
    };
    static Clock SystemClock();

    // Without a verifier of its own the leaderboard starts one with a single worker; without
    // a budget, one of the default size.
    Leaderboard(RecordStore& store, RateLimiter& limiter, Clock clock = SystemClock(),
                ReplayVerifier* verifier = nullptr, VerificationBudget* budget = nullptr);
    // Waits for the publishes still being checked (WaitForPublishes).
    ~Leaderboard();

    // Runs the rest of a publish once its replay is checked, where the caller wants it.
    using Post = std::function<void(std::function<void()>)>;
    using Answer = std::function<void(Reply)>;

    // /cgi-bin/gameres.pl?e=CODE&r=REPLAY from `address`: 400 for a bad code, 429 over the
    // rate limit or the address's checking time (VerificationBudget), 503 when the replay
    // could not be checked in time or the record could not be stored by the deadline, else
    // 200 with the rank, whether the record is verified (and why not) and the Top 10. Without
    // a replay the record is unverified. The answer comes exactly once: at once on the calling
    // thread when no replay is to be played, else from a work given to `post` after the check,
    // so that no thread waits for it.
    void StartPublish(const std::optional<std::string>& code, const std::optional<std::string>& replay,
                      const std::string& address, Deadline deadline, Post post, Answer answer);
    // Waits until every publish started has been answered; none may start meanwhile.
    void WaitForPublishes();
    // StartPublish, waiting for its answer on the calling thread.
    Reply Publish(const std::optional<std::string>& code, const std::optional<std::string>& replay,
                  const std::string& address, Deadline deadline);
    Reply Publish(const std::optional<std::string>& code, const std::string& address, Deadline deadline) {
        return Publish(code, std::nullopt, address, deadline);
    }
    Reply Publish(const std::optional<std::string>& code, const std::string& address) {
        return Publish(code, std::nullopt, address, std::chrono::steady_clock::now() + kPublishWait);
    }
    Reply Publish(const std::optional<std::string>& code, const std::optional<std::string>& replay,
                  const std::string& address) {
        return Publish(code, replay, address, std::chrono::steady_clock::now() + kPublishWait);
    }
    // "/": the Top 10 of every level.
    Reply Index();
    // /level/N: 404 unless N is 1-3.
    Reply Level(std::string_view levelText);
    // /api/top?level=N: JSON; 400 unless N is 1-3.
    Reply ApiTop(const std::optional<std::string>& levelText);
    // /daily (no date) and /daily/YYYY-MM-DD: the table of today (UTC) or of a day before it;
    // 404 for a day after today or anything but an exact date from 1970-01-01.
    Reply Daily(std::optional<std::string_view> dateText);
    // /api/daily?date=YYYY-MM-DD: JSON, today's without a date; 400 for a bad date, 404 for a
    // day after today.
    Reply ApiDaily(const std::optional<std::string>& dateText);
    // /replay/ID.hoopstack-replay: a verified record's replay as a file to download; 404
    // for any other id (unknown, unverified or hidden) or a malformed name.
    Reply ReplayFile(std::string_view fileName);
    // /cgi-bin/screen.pl/games.shtml
    Reply Games();
    Reply Style();
    Reply NotFound();

    // The tables the pages show, for a watcher that notices other writers' changes.
    TopCache& Tops() { return m_tops; }

private:
    // Today's day number by the leaderboard's clock.
    std::int64_t Today() const;
    // The day a date names, nothing for a bad date or a day after today.
    std::optional<std::int64_t> PastDay(std::string_view dateText) const;
    // The first `count` rows of a level's table, from memory.
    Expected<std::vector<RankedRecord>> Top(int level, int count);

    Reply ErrorPage(int status, std::string_view title, std::string_view message);
    Reply TryAgainPage(int status, std::string_view title, std::string_view message, int retryAfterSeconds);
    // Stores the record and answers with its page.
    Reply Store(const NewRecord& record, Deadline deadline);
    void PublishEnded();

    RecordStore& m_store;
    RateLimiter& m_limiter;
    Clock m_clock;
    std::unique_ptr<ReplayVerifier> m_ownVerifier;
    ReplayVerifier* m_verifier;
    std::unique_ptr<VerificationBudget> m_ownBudget;
    VerificationBudget* m_budget;
    TopCache m_tops;
    std::mutex m_publishesLock;
    std::condition_variable m_publishesDone;
    int m_publishesInFlight = 0;
};

} // namespace server
