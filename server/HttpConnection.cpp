#include "HttpConnection.hpp"

#include <boost/asio/post.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <mutex>

#include "server/ForwardedFor.hpp"
#include "server/HttpServer.hpp"
#include "server/Pages.hpp"
#include "server/RequestHead.hpp"

namespace server {

namespace {

namespace asio = boost::asio;
namespace http = boost::beast::http;

constexpr std::size_t kReadChunk = 1024;
constexpr std::size_t kMaxDrainBytes = 64 * 1024;
constexpr auto kDrainTime = std::chrono::seconds(2);

const char* titleOf(int status) {
    switch (status) {
    case 400: return "Bad request";
    case 405: return "Method not allowed";
    case 431: return "Request too large";
    default: return "Cannot answer";
    }
}

// Tells the operator, once per process, that the trusted proxy sent an X-Forwarded-For entry
// that is no address: its requests then count as the proxy's own, which usually means the
// proxy is set up wrongly. Only the start of the entry is shown, and only printable bytes.
void reportUnreadableForwardedFor(const std::string& value) {
    static std::once_flag reported;
    std::call_once(reported, [&] {
        std::string shown;
        for (const char c : value.substr(0, 64)) shown += c >= ' ' && c <= '~' ? c : '?';
        std::fprintf(
            stderr,
            "hoopstack-leaderboard: the trusted proxy sent X-Forwarded-For \"%s\"%s, whose last entry "
            "is no address; such requests count as the proxy's own (reported once)\n",
            shown.c_str(), value.size() > 64 ? "..." : "");
    });
}

} // namespace

HttpConnection::HttpConnection(asio::ip::tcp::socket socket, HttpServer& server, std::string peer)
    : m_stream(std::move(socket)), m_server(server), m_peer(std::move(peer)) {}

HttpConnection::~HttpConnection() { m_server.Forget(this, m_peer); }

void HttpConnection::Start() { AwaitRequest(); }

void HttpConnection::Stop() {
    m_stopping = true;
    if (m_state == State::Idle) m_stream.cancel();
}

void HttpConnection::AwaitRequest() {
    m_scanned = 0;
    if (m_stopping) return Close();
    if (!m_buffer.empty()) {
        // A pipelined request is already here.
        m_state = State::Reading;
        m_stream.expires_after(std::chrono::milliseconds(m_server.Limits().requestMs));
        return Examine();
    }
    m_state = State::Idle;
    m_buffer.shrink_to_fit();
    m_stream.expires_after(std::chrono::milliseconds(m_server.Limits().idleMs));
    ReadMore();
}

void HttpConnection::ReadMore() {
    const std::size_t old = m_buffer.size();
    const std::size_t room = m_server.Limits().maxHeadBytes + 1 - std::min(old, m_server.Limits().maxHeadBytes);
    const std::size_t chunk = std::min(room, kReadChunk);
    m_buffer.resize(old + chunk);
    m_stream.async_read_some(asio::buffer(m_buffer.data() + old, chunk),
                             [self = shared_from_this(), old](boost::beast::error_code error, std::size_t count) {
                                 self->m_buffer.resize(old + count);
                                 if (error) return self->Finish();
                                 if (self->m_state == State::Idle) {
                                     // The first byte starts the whole request's deadline.
                                     self->m_state = State::Reading;
                                     self->m_stream.expires_after(
                                         std::chrono::milliseconds(self->m_server.Limits().requestMs));
                                 }
                                 self->Examine();
                             });
}

void HttpConnection::Examine() {
    const std::size_t limit = m_server.Limits().maxHeadBytes;
    const std::size_t length = HeadLength(m_buffer, m_scanned);
    if (length == 0) {
        if (m_buffer.size() > limit) return Refuse(431, "The request head is larger than 16 KiB.");
        m_scanned = m_buffer.empty() ? 0 : m_buffer.size() - 1;
        return ReadMore();
    }
    if (length > limit) return Refuse(431, "The request head is larger than 16 KiB.");
    Dispatch(length);
}

void HttpConnection::Dispatch(std::size_t headLength) {
    const std::string text = m_buffer.substr(0, headLength);
    m_buffer.erase(0, headLength);
    ParsedHead parsed = ParseRequestHead(text);
    if (!parsed.head) return Refuse(parsed.refusal.status, "The request was refused: " + parsed.refusal.reason + ".");

    HttpRequest request;
    request.head = std::move(*parsed.head);
    request.target = ParseRequestTarget(request.head.target);
    request.client = m_peer;
    const std::string& proxy = m_server.Limits().trustedProxy;
    if (!proxy.empty() && m_peer == proxy && !request.head.forwardedFor.empty()) {
        if (std::optional<std::string> forwarded = ForwardedClient(request.head.forwardedFor))
            request.client = std::move(*forwarded);
        else
            reportUnreadableForwardedFor(request.head.forwardedFor);
    }

    m_state = State::Handling;
    const int minor = request.head.minorVersion;
    const bool headOnly = request.head.method == "HEAD";
    const bool keepAlive = request.head.keepAlive;
    m_server.m_handler(request, [self = shared_from_this(), minor, headOnly, keepAlive](Reply reply) {
        asio::post(self->Executor(), [self, reply = std::move(reply), minor, headOnly, keepAlive]() mutable {
            self->Answer(std::move(reply), minor, headOnly, keepAlive);
        });
    });
}

void HttpConnection::Refuse(int status, const std::string& reason) {
    Reply reply{status, "text/html; charset=utf-8", RenderErrorPage(titleOf(status), reason), {}};
    if (status == 405) reply.headers.emplace_back("Allow", "GET, HEAD");
    Answer(std::move(reply), 1, false, false);
}

void HttpConnection::Answer(Reply reply, int minorVersion, bool headOnly, bool keepAlive) {
    const bool close = !keepAlive || reply.status >= 400 || m_stopping;
    // Answers are HTTP/1.1, the highest version this server speaks, also to HTTP/1.0 requests;
    // those are told explicitly when the connection stays open.
    auto response = std::make_shared<http::response<http::string_body>>(static_cast<http::status>(reply.status), 11);
    for (const auto& [name, value] : SecurityHeaders()) response->set(name, value);
    response->set(http::field::content_type, reply.contentType);
    for (const auto& [name, value] : reply.headers) response->set(name, value);
    response->keep_alive(!close);
    if (!close && minorVersion == 0) response->set(http::field::connection, "keep-alive");
    if (headOnly) {
        response->content_length(reply.body.size());
    } else {
        response->body() = std::move(reply.body);
        response->prepare_payload();
    }
    m_state = State::Writing;
    http::async_write(m_stream, *response,
                      [self = shared_from_this(), response, close](boost::beast::error_code error, std::size_t) {
                          if (error) return self->Finish();
                          if (close) return self->Close();
                          self->AwaitRequest();
                      });
}

void HttpConnection::Close() {
    m_state = State::Closing;
    boost::beast::error_code ignored;
    m_stream.socket().shutdown(asio::ip::tcp::socket::shutdown_send, ignored);
    m_stream.expires_after(kDrainTime);
    Drain();
}

void HttpConnection::Drain() {
    m_buffer.resize(4096);
    m_stream.async_read_some(asio::buffer(m_buffer),
                             [self = shared_from_this()](boost::beast::error_code error, std::size_t count) {
                                 self->m_drained += count;
                                 if (error || self->m_drained > kMaxDrainBytes) return self->Finish();
                                 self->Drain();
                             });
}

void HttpConnection::Finish() {
    m_state = State::Closing;
    boost::beast::error_code ignored;
    m_stream.socket().close(ignored);
}

} // namespace server
