#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/RateLimiter.hpp"
#include "server/RecordStore.hpp"
#include "server/Reply.hpp"

namespace server {

// What each address of the leaderboard answers, without any network: the HTTP layer only
// hands over the parameters and sends the Reply back.
class Leaderboard {
public:
    struct Clock {
        std::function<std::int64_t()> wallSeconds;  // dates of records
        std::function<double()> steadySeconds;      // the rate limit
    };
    static Clock SystemClock();

    Leaderboard(RecordStore& store, RateLimiter& limiter, Clock clock = SystemClock());

    // /cgi-bin/gameres.pl?e=CODE from `address`: 400 for a bad code, 429 over the rate
    // limit, 503 when the record could not be stored by the deadline, else 200 with the rank
    // and Top 10.
    Reply Publish(const std::optional<std::string>& code, const std::string& address, Deadline deadline);
    Reply Publish(const std::optional<std::string>& code, const std::string& address) {
        return Publish(code, address, std::chrono::steady_clock::now() + kPublishWait);
    }
    // "/": the Top 10 of every level.
    Reply Index();
    // /level/N: 404 unless N is 1-3.
    Reply Level(std::string_view levelText);
    // /api/top?level=N: JSON; 400 unless N is 1-3.
    Reply ApiTop(const std::optional<std::string>& levelText);
    // /cgi-bin/screen.pl/games.shtml
    Reply Games();
    Reply Style();
    Reply NotFound();

private:
    Reply ErrorPage(int status, std::string_view title, std::string_view message);

    RecordStore& m_store;
    RateLimiter& m_limiter;
    Clock m_clock;
};

} // namespace server
