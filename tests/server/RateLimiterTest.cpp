// The per-client publish limit: a burst of a minute's worth, then one token per share of
// the minute, each client (IPv4 address or IPv6 /64) on its own, memory bounded under floods.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "server/RateLimiter.hpp"

using server::ClientKeyOf;
using server::RateLimiter;

namespace {

int allowedInARow(RateLimiter& limiter, const std::string& address, double now) {
    int n = 0;
    while (limiter.Take(ClientKeyOf(address), now).allowed) ++n;
    return n;
}

bool takes(RateLimiter& limiter, const std::string& address, double now) {
    return limiter.Take(ClientKeyOf(address), now).allowed;
}

// The i-th of many distinct IPv6 /64s, or of many IPv4 addresses.
std::string slash64(std::uint32_t i) {
    char text[64];
    std::snprintf(text, sizeof text, "2001:db8:%x:%x::1", i >> 16, i & 0xFFFF);
    return text;
}
std::string ipv4(std::uint32_t i) {
    return "10." + std::to_string((i >> 16) & 255) + "." + std::to_string((i >> 8) & 255) + "." +
           std::to_string(i & 255);
}

TEST(RateLimiter, AllowsAMinutesWorthAtOnceThenRefillsEvenly) {
    RateLimiter limiter(6);
    EXPECT_EQ(allowedInARow(limiter, "192.0.2.1", 100.0), 6);
    const RateLimiter::Decision refused = limiter.Take(ClientKeyOf("192.0.2.1"), 100.0);
    EXPECT_FALSE(refused.allowed);
    EXPECT_EQ(refused.retryAfterSeconds, 10);
    EXPECT_FALSE(takes(limiter, "192.0.2.1", 109.0));
    EXPECT_TRUE(takes(limiter, "192.0.2.1", 110.0));
    EXPECT_FALSE(takes(limiter, "192.0.2.1", 110.0));
    // A long pause refills no more than the burst.
    EXPECT_EQ(allowedInARow(limiter, "192.0.2.1", 10000.0), 6);
}

TEST(RateLimiter, KeepsClientsApart) {
    RateLimiter limiter(2);
    EXPECT_EQ(allowedInARow(limiter, "10.0.0.1", 0.0), 2);
    EXPECT_EQ(allowedInARow(limiter, "10.0.0.2", 0.0), 2);
    EXPECT_EQ(allowedInARow(limiter, "::1", 0.0), 2);
    EXPECT_EQ(allowedInARow(limiter, "2001:db8:0:2::1", 0.0), 2);
}

TEST(RateLimiter, OneSlash64SharesOneAllowance) {
    RateLimiter limiter(3);
    EXPECT_TRUE(takes(limiter, "2001:db8:0:1::1", 0.0));
    EXPECT_TRUE(takes(limiter, "2001:db8:0:1::2", 0.0));
    EXPECT_TRUE(takes(limiter, "2001:db8:0:1:ffff:ffff:ffff:ffff", 0.0));
    // Every other address of the /64 is refused now, the next /64 is not.
    for (std::uint32_t i = 0; i < 1000; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, "2001:db8:0:1:%x:%x::", (i * 7919) & 0xFFFF, i);
        ASSERT_FALSE(takes(limiter, text, 1.0)) << text;
    }
    EXPECT_EQ(limiter.Entries(), 1u);
    EXPECT_TRUE(takes(limiter, "2001:db8:0:2::1", 1.0));
    // A mapped IPv4 address is the IPv4 client.
    EXPECT_EQ(allowedInARow(limiter, "192.0.2.9", 1.0), 3);
    EXPECT_FALSE(takes(limiter, "::ffff:192.0.2.9", 1.0));
}

TEST(RateLimiter, ZeroSwitchesTheLimitOff) {
    RateLimiter limiter(0);
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(takes(limiter, ipv4(std::uint32_t(i)), 0.0));
    EXPECT_EQ(limiter.Entries(), 0u);
}

TEST(RateLimiter, AClockGoingBackwardsGivesNoTokens) {
    RateLimiter limiter(1);
    EXPECT_TRUE(takes(limiter, "10.0.0.1", 500.0));
    EXPECT_FALSE(takes(limiter, "10.0.0.1", 100.0));
    EXPECT_FALSE(takes(limiter, "10.0.0.1", 530.0));
    EXPECT_TRUE(takes(limiter, "10.0.0.1", 560.0));
}

TEST(RateLimiter, AFloodOfAddressesForgetsOthersButNotTheBusiest) {
    RateLimiter limiter(1, 100);
    EXPECT_TRUE(takes(limiter, "10.1.1.1", 0.0));
    // Addresses that come back refilled are forgotten without changing any answer.
    for (std::uint32_t i = 0; i < 1000; ++i) EXPECT_TRUE(takes(limiter, ipv4(i), 1.0 + i));
    EXPECT_TRUE(takes(limiter, "10.1.1.1", 1001.0));
    EXPECT_FALSE(takes(limiter, "10.1.1.1", 1001.0));
    // A client that keeps trying stays limited through a flood of new ones within a second:
    // what is forgotten is the half used longest ago.
    for (std::uint32_t i = 0; i < 1000; ++i) {
        const double now = 1001.5 + i * 1e-4;
        ASSERT_TRUE(takes(limiter, slash64(i), now));
        if (i % 10 == 0) {
            ASSERT_FALSE(takes(limiter, "10.1.1.1", now)) << i;
        }
    }
    EXPECT_LE(limiter.Entries(), 100u);
}

TEST(RateLimiter, TwoHundredThousandClientsStayWithinTheBound) {
    // IPv6 /64s and IPv4 addresses at once, all within one second: nothing refills, so every
    // bucket is live when the table is full.
    constexpr std::size_t kMax = 4096;
    RateLimiter limiter(10, kMax);
    const auto start = std::chrono::steady_clock::now();
    std::size_t largest = 0, largestBytes = 0;
    for (std::uint32_t i = 0; i < 200'000; ++i) {
        ASSERT_TRUE(takes(limiter, i % 2 ? slash64(i) : ipv4(i), 5.0 + i * 1e-6));
        if (i % 97 == 0) {
            largest = std::max(largest, limiter.Entries());
            largestBytes = std::max(largestBytes, limiter.Bytes());
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LE(largest, kMax);
    EXPECT_LE(limiter.Entries(), kMax);
    EXPECT_LE(largestBytes, RateLimiter::BytesBound(kMax));
    EXPECT_LE(RateLimiter::BytesBound(kMax), kMax * 128) << "about a hundred bytes a client";
    // Forgetting frees a quarter at least each time: no table scan per new client.
    EXPECT_LT(seconds, 5.0);
    // The default table: 65,536 clients in a few MiB.
    EXPECT_LE(RateLimiter::BytesBound(RateLimiter::kDefaultMaxClients), std::size_t(8) << 20);
}

TEST(RateLimiter, JunkThatIsNoAddressIsOneClient) {
    RateLimiter limiter(2);
    EXPECT_TRUE(takes(limiter, "junk-1", 0.0));
    EXPECT_TRUE(takes(limiter, std::string(16000, 'j'), 0.0));
    EXPECT_FALSE(takes(limiter, "junk-3", 0.0));
    EXPECT_EQ(limiter.Entries(), 1u);
}

} // namespace
