// The per-address publish limit: a burst of a minute's worth, then one token per share of
// the minute, each address on its own, memory bounded.
#include <gtest/gtest.h>

#include "server/RateLimiter.hpp"

using server::RateLimiter;

namespace {

int allowedInARow(RateLimiter& limiter, const std::string& address, double now) {
    int n = 0;
    while (limiter.Take(address, now).allowed) ++n;
    return n;
}

TEST(RateLimiter, AllowsAMinutesWorthAtOnceThenRefillsEvenly) {
    RateLimiter limiter(6);
    EXPECT_EQ(allowedInARow(limiter, "a", 100.0), 6);
    const RateLimiter::Decision refused = limiter.Take("a", 100.0);
    EXPECT_FALSE(refused.allowed);
    EXPECT_EQ(refused.retryAfterSeconds, 10);
    EXPECT_FALSE(limiter.Take("a", 109.0).allowed);
    EXPECT_TRUE(limiter.Take("a", 110.0).allowed);
    EXPECT_FALSE(limiter.Take("a", 110.0).allowed);
    // A long pause refills no more than the burst.
    EXPECT_EQ(allowedInARow(limiter, "a", 10000.0), 6);
}

TEST(RateLimiter, KeepsAddressesApart) {
    RateLimiter limiter(2);
    EXPECT_EQ(allowedInARow(limiter, "10.0.0.1", 0.0), 2);
    EXPECT_EQ(allowedInARow(limiter, "10.0.0.2", 0.0), 2);
    EXPECT_EQ(allowedInARow(limiter, "::1", 0.0), 2);
}

TEST(RateLimiter, ZeroSwitchesTheLimitOff) {
    RateLimiter limiter(0);
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(limiter.Take("a", 0.0).allowed);
}

TEST(RateLimiter, AClockGoingBackwardsGivesNoTokens) {
    RateLimiter limiter(1);
    EXPECT_TRUE(limiter.Take("a", 500.0).allowed);
    EXPECT_FALSE(limiter.Take("a", 100.0).allowed);
    EXPECT_FALSE(limiter.Take("a", 530.0).allowed);
    EXPECT_TRUE(limiter.Take("a", 560.0).allowed);
}

TEST(RateLimiter, AFloodOfAddressesForgetsOthersButNotTheBusiest) {
    RateLimiter limiter(1, 100);
    EXPECT_TRUE(limiter.Take("busy", 0.0).allowed);
    // Addresses that come back refilled are forgotten without changing any answer.
    for (int i = 0; i < 1000; ++i) EXPECT_TRUE(limiter.Take("flood" + std::to_string(i), 1.0 + i).allowed);
    EXPECT_TRUE(limiter.Take("busy", 1001.0).allowed);
    EXPECT_FALSE(limiter.Take("busy", 1001.0).allowed);
}

} // namespace
