// What a client is for every per-client limit (an IPv4 address or an IPv6 /64), and which
// X-Forwarded-For entries from the trusted proxy are believed: addresses in the forms proxies
// write, nothing else, whatever a stranger puts there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "server/ClientKey.hpp"
#include "server/ForwardedFor.hpp"
#include "server/RateLimiter.hpp"

using namespace server;

namespace {

TEST(ClientKey, AnIpv4AddressIsAClientOfItsOwn) {
    EXPECT_EQ(ClientKeyOf("192.0.2.7").Text(), "192.0.2.7");
    EXPECT_EQ(ClientKeyOf("192.0.2.7").family, ClientKey::Family::V4);
    EXPECT_NE(ClientKeyOf("192.0.2.7"), ClientKeyOf("192.0.2.8"));
    EXPECT_NE(ClientKeyOf("10.0.0.1"), ClientKeyOf("10.0.0.0")) << "no prefix is cut from IPv4";
}

TEST(ClientKey, AnIpv6SubscriberIsItsSlash64) {
    EXPECT_EQ(ClientKeyOf("2001:db8:0:1::1").Text(), "2001:0db8:0000:0001::/64");
    EXPECT_EQ(ClientKeyOf("2001:db8:0:1::1"), ClientKeyOf("2001:db8:0:1:ffff:ffff:ffff:ffff"));
    EXPECT_EQ(ClientKeyOf("2001:DB8:0:1:0:0:0:2"), ClientKeyOf("2001:db8::1:1:2:3:4"));
    EXPECT_NE(ClientKeyOf("2001:db8:0:1::1"), ClientKeyOf("2001:db8:0:2::1"));
    EXPECT_NE(ClientKeyOf("2001:db8:0:1::1"), ClientKeyOf("2001:db9:0:1::1"));
    EXPECT_EQ(ClientKeyOf("::1").Text(), "0000:0000:0000:0000::/64");
}

TEST(ClientKey, AMappedIpv4AddressIsTheIpv4One) {
    EXPECT_EQ(ClientKeyOf("::ffff:192.0.2.7"), ClientKeyOf("192.0.2.7"));
    EXPECT_EQ(ClientKeyOf("::FFFF:c000:0207"), ClientKeyOf("192.0.2.7"));
    // The IPv4 address 0.0.0.1 and the IPv6 prefix ::/64 are different clients.
    EXPECT_NE(ClientKeyOf("0.0.0.1"), ClientKeyOf("::1"));
    EXPECT_NE(ClientKeyOf("0.0.0.0"), ClientKeyOf("::"));
}

TEST(ClientKey, TextThatIsNoAddressIsOneClient) {
    const ClientKey none = ClientKeyOf("");
    EXPECT_EQ(none.family, ClientKey::Family::NotAnAddress);
    for (const std::string& junk : std::vector<std::string>{
             "localhost", "unknown", "192.0.2.7 ", " 192.0.2.7", "192.0.2.7:80", "[::1]", "fe80::1%lo",
             "192.0.2", "1.2.3.4.5", "::ffff:1.2.3.4.5", std::string("192.0.2.7\0junk", 14),
             std::string(16384, 'a'), "2001:db8:0:1:0:0:0:0:1", "0x7f.1"})
        EXPECT_EQ(ClientKeyOf(junk), none) << junk;
}

TEST(ClientKey, HashesSpreadTheSlash64sOfOneProvider) {
    // 4096 neighbouring /64s of one /48 fill as many buckets as a table of 8192 slots allows.
    std::unordered_set<std::size_t> slots;
    for (int i = 0; i < 4096; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, "2001:db8:1:%x::1", i);
        slots.insert(ClientKeyHash{}(ClientKeyOf(text)) % 8191);
    }
    EXPECT_GT(slots.size(), 3000u);
}

TEST(ForwardedFor, TheLastEntryIsTheClientInCanonicalText) {
    EXPECT_EQ(ForwardedClient("192.0.2.7"), "192.0.2.7");
    EXPECT_EQ(ForwardedClient("  192.0.2.7\t"), "192.0.2.7");
    EXPECT_EQ(ForwardedClient("10.9.9.9, 192.0.2.7"), "192.0.2.7");
    EXPECT_EQ(ForwardedClient("junk, 192.0.2.7"), "192.0.2.7") << "only the proxy's own entry counts";
    EXPECT_EQ(ForwardedClient("2001:DB8:0:0:0:0:0:1"), "2001:db8::1");
    EXPECT_EQ(ForwardedClient("::ffff:192.0.2.7"), "192.0.2.7");
}

TEST(ForwardedFor, PortsAndBracketsAsOtherProxiesWriteThem) {
    EXPECT_EQ(ForwardedClient("192.0.2.7:51000"), "192.0.2.7");
    EXPECT_EQ(ForwardedClient("[2001:db8::7]"), "2001:db8::7");
    EXPECT_EQ(ForwardedClient("[2001:db8::7]:443"), "2001:db8::7");
    EXPECT_EQ(ForwardedClient("[::ffff:192.0.2.7]:1"), "192.0.2.7");
}

TEST(ForwardedFor, AnythingElseIsNoClient) {
    for (const std::string& junk : std::vector<std::string>{"",
                                                            " ",
                                                            ",",
                                                            "192.0.2.7,",
                                                            "unknown",
                                                            "localhost",
                                                            "_hidden",
                                                            "for=192.0.2.7",
                                                            "192.0.2.7:",
                                                            "192.0.2.7:123456",
                                                            "192.0.2.7:80:80",
                                                            "192.0.2.7:x",
                                                            "[192.0.2.7]",
                                                            "[2001:db8::7",
                                                            "[2001:db8::7]:",
                                                            "[2001:db8::7]x",
                                                            "[2001:db8::7]:443:1",
                                                            "2001:db8::7]",
                                                            "fe80::1%eth0",
                                                            "[fe80::1%25eth0]",
                                                            "192.0.2.7 192.0.2.8",
                                                            "192.0.2.007",
                                                            "999.0.0.1",
                                                            "-1.0.0.0",
                                                            std::string("192.0.2.7\0", 10),
                                                            std::string(16000, '1'),
                                                            std::string(8000, ':') + "1"})
        EXPECT_EQ(ForwardedClient(junk), std::nullopt) << junk.substr(0, 40);
}

TEST(ForwardedFor, TwoHundredThousandStrangeEntriesKeepThePublishTableBounded) {
    // What the server does with a trusted proxy's header: junk is the proxy, an address its
    // client. Half the entries are distinct junk of up to 300 bytes, half distinct /64s in the
    // forms proxies write; the limiter's table stays within its bound in entries and bytes.
    constexpr std::size_t kMax = 1024;
    RateLimiter limiter(10, kMax);
    const std::string proxy = "127.0.0.1";
    std::size_t largest = 0, largestBytes = 0;
    for (std::uint32_t i = 0; i < 200'000; ++i) {
        std::string entry;
        if (i % 2) {
            char text[64];
            std::snprintf(text, sizeof text, i % 4 == 1 ? "2001:db8:%x:%x::1" : "[2001:db8:%x:%x::2]:8080",
                          i >> 16, i & 0xFFFF);
            entry = text;
        } else {
            entry = "client-" + std::to_string(i) + std::string(std::size_t(i % 300), 'x');
        }
        const std::optional<std::string> forwarded = ForwardedClient(entry);
        ASSERT_EQ(forwarded.has_value(), i % 2 == 1) << entry;
        limiter.Take(ClientKeyOf(forwarded.value_or(proxy)), 1.0 + i * 1e-6);
        if (i % 89 == 0) {
            largest = std::max(largest, limiter.Entries());
            largestBytes = std::max(largestBytes, limiter.Bytes());
        }
    }
    EXPECT_LE(largest, kMax);
    EXPECT_LE(largestBytes, RateLimiter::BytesBound(kMax));
    static_assert(sizeof(ClientKey) <= 16, "a key costs the same whatever text it came from");
}

} // namespace
