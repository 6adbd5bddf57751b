// Open connections capped per client (IPv4 address or IPv6 /64) and in all, and the table of
// clients bounded by the connections open, whatever addresses a flood brings.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "server/ConnectionCounter.hpp"

using namespace server;

namespace {

TEST(ConnectionCounter, CapsPerClientAndInAll) {
    ConnectionCounter counter(5, 2, "127.0.0.1");
    EXPECT_TRUE(counter.Acquire("127.0.0.7"));
    EXPECT_TRUE(counter.Acquire("127.0.0.7"));
    EXPECT_FALSE(counter.Acquire("127.0.0.7"));
    // One IPv6 /64 is one client; the next /64 another.
    EXPECT_TRUE(counter.Acquire("2001:db8:0:1::1"));
    EXPECT_TRUE(counter.Acquire("2001:db8:0:1:ffff::2"));
    EXPECT_FALSE(counter.Acquire("2001:db8:0:1::3"));
    // The trusted proxy has only the total cap.
    EXPECT_TRUE(counter.Acquire("127.0.0.1"));
    EXPECT_FALSE(counter.Acquire("127.0.0.1"));
    counter.Release("127.0.0.7");
    EXPECT_TRUE(counter.Acquire("::ffff:127.0.0.7")) << "a mapped address is the IPv4 one";
    EXPECT_EQ(counter.Total(), 5u);
    EXPECT_EQ(counter.Entries(), 2u);
}

TEST(ConnectionCounter, OnlyTheProxyItselfIsExemptNotItsSlash64) {
    ConnectionCounter counter(100, 1, "2001:db8::1");
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(counter.Acquire("2001:db8:0:0:0:0:0:1"));
    EXPECT_TRUE(counter.Acquire("2001:db8::2"));
    EXPECT_FALSE(counter.Acquire("2001:db8::3")) << "a neighbour of the proxy is an ordinary client";
    EXPECT_EQ(counter.Entries(), 1u);
    for (int i = 0; i < 10; ++i) counter.Release("2001:db8::1");
    counter.Release("2001:db8::1"); // one too many changes nothing
    EXPECT_EQ(counter.Total(), 1u);
    counter.Release("2001:db8::2");
    EXPECT_EQ(counter.Total(), 0u);
    EXPECT_EQ(counter.Entries(), 0u);
}

TEST(ConnectionCounter, ReleasesOfUnknownClientsAndJunkChangeNothing) {
    ConnectionCounter counter(10, 0);
    EXPECT_FALSE(counter.Acquire("192.0.2.1")) << "a per-client cap of 0 admits nobody";
    EXPECT_EQ(counter.Entries(), 0u);
    ConnectionCounter other(10, 2);
    EXPECT_TRUE(other.Acquire("192.0.2.1"));
    other.Release("192.0.2.2");
    other.Release("junk");
    EXPECT_EQ(other.Total(), 1u);
    // Text that is no address is one client.
    EXPECT_TRUE(other.Acquire("junk-a"));
    EXPECT_TRUE(other.Acquire("junk-b"));
    EXPECT_FALSE(other.Acquire("junk-c"));
}

TEST(ConnectionCounter, TwoHundredThousandDistinctClientsNeverGrowTheTablePastTheTotalCap) {
    constexpr std::size_t kTotal = 1000;
    ConnectionCounter counter(kTotal, 4);
    std::size_t admitted = 0, largestBytes = 0;
    char text[64];
    for (std::uint32_t i = 0; i < 200'000; ++i) {
        if (i % 2)
            std::snprintf(text, sizeof text, "2001:db8:%x:%x::%x", i >> 16, i & 0xFFFF, i);
        else
            std::snprintf(text, sizeof text, "10.%u.%u.%u", (i >> 16) & 255, (i >> 8) & 255, i & 255);
        admitted += counter.Acquire(text);
        // Connections come and go: every third one ends at once.
        if (i % 3 == 0) counter.Release(text);
        if (i % 101 == 0) largestBytes = std::max(largestBytes, counter.Bytes());
        ASSERT_LE(counter.Entries(), kTotal);
    }
    EXPECT_EQ(counter.Total(), kTotal);
    EXPECT_GT(admitted, kTotal);
    // About a hundred bytes a client, table included.
    EXPECT_LE(largestBytes, kTotal * 128);
}

} // namespace
