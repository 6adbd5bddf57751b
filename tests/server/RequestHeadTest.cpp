// The pieces under the HTTP server that need no socket: where a head ends, what a good head
// parses to and the target's path and parameters.
#include <gtest/gtest.h>

#include "server/RequestHead.hpp"
#include "server/RequestTarget.hpp"

using namespace server;

namespace {

TEST(HeadLength, WaitsForTheEmptyLineAndStopsAtBytesNoHeadMayHold) {
    const std::string head = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
    EXPECT_EQ(HeadLength(head + "GET /next"), head.size());
    for (std::size_t cut = 0; cut < head.size(); ++cut) EXPECT_EQ(HeadLength(head.substr(0, cut)), 0u) << cut;
    // Resuming where the last look stopped finds the same end.
    EXPECT_EQ(HeadLength(head, head.size() - 2), head.size());
    EXPECT_EQ(HeadLength("GET / HTTP/1.1\nHost"), 15u);           // bare LF
    EXPECT_EQ(HeadLength("GET / HTTP/1.1\rHost"), 16u);           // bare CR
    EXPECT_EQ(HeadLength(std::string("GET /\0 HTTP", 11)), 6u);  // NUL
}

TEST(ParseRequestHead, ParsesAGoodHead) {
    const ParsedHead parsed = ParseRequestHead(
        "GET /level/1?x=1 HTTP/1.1\r\nHost: a\r\nX-Forwarded-For: 127.0.0.9 \r\nConnection: close\r\n\r\n");
    ASSERT_TRUE(parsed.head) << parsed.refusal.reason;
    EXPECT_EQ(parsed.head->method, "GET");
    EXPECT_EQ(parsed.head->target, "/level/1?x=1");
    EXPECT_EQ(parsed.head->minorVersion, 1);
    EXPECT_FALSE(parsed.head->keepAlive);
    EXPECT_EQ(parsed.head->forwardedFor, "127.0.0.9");
    const ParsedHead old = ParseRequestHead("HEAD / HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(old.head);
    EXPECT_EQ(old.head->minorVersion, 0);
    EXPECT_FALSE(old.head->keepAlive);
    EXPECT_TRUE(ParseRequestHead("GET / HTTP/1.0\r\nConnection: keep-alive\r\n\r\n").head->keepAlive);
}

TEST(ParseRequestHead, RefusesWithTheRightStatus) {
    EXPECT_EQ(ParseRequestHead("POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 3\r\n\r\n").refusal.status, 405);
    EXPECT_EQ(ParseRequestHead("BREW / HTTP/1.1\r\nHost: a\r\n\r\n").refusal.status, 405);
    // A framing fault wins over the method: the body's end is unknown either way.
    EXPECT_EQ(ParseRequestHead("POST / HTTP/1.1\r\nHost: a\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n").refusal.status, 400);
    EXPECT_EQ(ParseRequestHead("GET / HTTP/1.1\r\nHost: a\r\nContent-Length: 99999999999999999999\r\n\r\n").refusal.status, 400);
    EXPECT_EQ(ParseRequestHead("GET / HTTP/1.1\r\nHost: a\r\nX\x01Y: 1\r\n\r\n").refusal.status, 400);
    EXPECT_EQ(ParseRequestHead("GET / HTTP/1.1\r\nHost: a\r\n: empty\r\n\r\n").refusal.status, 400);
    EXPECT_EQ(ParseRequestHead("GET /caf\xC3\xA9 HTTP/1.1\r\nHost: a\r\n\r\n").refusal.status, 400);
    EXPECT_EQ(ParseRequestHead("\r\n\r\n").refusal.status, 400);
}

TEST(ParseRequestTarget, SplitsAndDecodes) {
    const RequestTarget target = ParseRequestTarget("/a%20b/c?e=0%3D1&level=2&flag&x=a+b&e=second#frag");
    EXPECT_EQ(target.path, "/a b/c");
    EXPECT_EQ(target.Parameter("e"), "0=1");
    EXPECT_EQ(target.Parameter("level"), "2");
    EXPECT_EQ(target.Parameter("flag"), "");
    EXPECT_EQ(target.Parameter("x"), "a b");
    EXPECT_FALSE(target.Parameter("missing"));
    EXPECT_EQ(ParseRequestTarget("/bad%zz%4").path, "/bad%zz%4");
}

} // namespace
