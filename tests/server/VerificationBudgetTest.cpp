// The checking time clients spend: their own, their group's, and what a refusal costs.
#include <gtest/gtest.h>

#include "server/ClientKey.hpp"
#include "server/RateLimiter.hpp"
#include "server/VerificationBudget.hpp"

using namespace server;

TEST(VerificationBudget, AClientAndItsGroupEachPayUpToTheirShareAMinute) {
    VerificationBudget budget(1000, 2500);
    EXPECT_TRUE(budget.Spend("10.0.0.1", 600, 0).allowed);
    const RateLimiter::Decision refused = budget.Spend("10.0.0.1", 600, 0);
    EXPECT_FALSE(refused.allowed);
    // 200 frames short at 1000 a minute: 12 seconds.
    EXPECT_EQ(refused.retryAfterSeconds, 12);
    // Addresses of one IPv6 /64 are one client.
    EXPECT_TRUE(budget.Spend("2001:db8:1:2::1", 1000, 0).allowed);
    EXPECT_FALSE(budget.Spend("2001:db8:1:2:ffff::9", 1, 0).allowed);
    // The /24's neighbours share its 2500; the refused spend above took nothing of it.
    EXPECT_TRUE(budget.Spend("10.0.0.2", 1000, 0).allowed);
    EXPECT_TRUE(budget.Spend("10.0.0.3", 900, 0).allowed);
    EXPECT_FALSE(budget.Spend("10.0.0.4", 1, 0).allowed);
    // Another /24 and another /48 have budgets of their own.
    EXPECT_TRUE(budget.Spend("10.0.1.4", 1000, 0).allowed);
    EXPECT_TRUE(budget.Spend("2001:db8:2::1", 1000, 0).allowed);
    // A minute later everything is back.
    EXPECT_TRUE(budget.Spend("10.0.0.1", 1000, 60).allowed);
    EXPECT_TRUE(budget.Spend("10.0.0.4", 1000, 60).allowed);
}

TEST(VerificationBudget, GroupsAreIPv4Slash24AndIPv6Slash48) {
    EXPECT_EQ(ClientGroupOf(ClientKeyOf("192.0.2.77")), ClientGroupOf(ClientKeyOf("192.0.2.1")));
    EXPECT_NE(ClientGroupOf(ClientKeyOf("192.0.3.77")), ClientGroupOf(ClientKeyOf("192.0.2.1")));
    EXPECT_EQ(ClientGroupOf(ClientKeyOf("2001:db8:5:ffff::1")), ClientGroupOf(ClientKeyOf("2001:db8:5::2")));
    EXPECT_NE(ClientGroupOf(ClientKeyOf("2001:db8:6::1")), ClientGroupOf(ClientKeyOf("2001:db8:5::2")));
    EXPECT_EQ(ClientGroupOf(ClientKeyOf("::ffff:192.0.2.9")), ClientGroupOf(ClientKeyOf("192.0.2.1")));
}

TEST(VerificationBudget, TheDefaultsLetARealPlayerPublishFreely) {
    VerificationBudget budget(VerificationBudget::kDefaultClientFrames,
                              VerificationBudget::kDefaultGroupFrames);
    // Ten long real games a minute (the publish limit's worth) from one address.
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(budget.Spend("198.51.100.7", 70000, 0).allowed) << i;
}
