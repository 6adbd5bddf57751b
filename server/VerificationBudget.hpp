#pragma once

#include <cstdint>
#include <string_view>

#include "server/ClientKey.hpp"
#include "rules/ReplayPlayer.hpp"
#include "server/RateLimiter.hpp"

namespace server {

// The replay frames each client may have checked, so that what a client spends is the
// verification time it costs rather than a count of publishes: a client (an IPv4 address or
// an IPv6 /64) may spend `clientFramesPerMinute`, and every client of one IPv4 /24 or IPv6
// /48 together `groupFramesPerMinute`, each refilling evenly over a minute. Safe to call from
// many threads; its tables are bounded as the rate limiter's are.
class VerificationBudget {
public:
    // Four of the longest replays a minute per client, sixteen per group: a real game is
    // seldom a tenth of one, so no player comes near them.
    static constexpr int kDefaultClientFrames = 4 * int(rules::kReplayTickBudget);
    static constexpr int kDefaultGroupFrames = 16 * int(rules::kReplayTickBudget);

    // Both at least the longest replay played; 0 for either allows everything.
    VerificationBudget(int clientFramesPerMinute, int groupFramesPerMinute);

    // Spends `frames` for the address at `nowSeconds` (a steady clock): refused, spending
    // nothing of the group's, when the client's or its group's budget cannot pay them now.
    RateLimiter::Decision Spend(std::string_view address, std::uint64_t frames, double nowSeconds);

    int ClientFramesPerMinute() const { return m_clients.PerMinute(); }
    int GroupFramesPerMinute() const { return m_groups.PerMinute(); }

private:
    RateLimiter m_clients;
    RateLimiter m_groups;
};

} // namespace server
