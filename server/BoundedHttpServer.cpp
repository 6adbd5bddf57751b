#include "BoundedHttpServer.hpp"

#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "server/LimitedSocketStream.hpp"

namespace server {

namespace {

std::string refusalResponse() {
    const std::string body = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Request too "
                             "large</title></head><body><h1>Request too large</h1><p>Requests to this server may "
                             "hold at most 8 KiB.</p></body></html>\n";
    std::string response = "HTTP/1.1 431 Request Header Fields Too Large\r\n";
    for (const auto& [name, value] : SecurityHeaders()) response += name + ": " + value + "\r\n";
    response += "Content-Type: text/html; charset=utf-8\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\nConnection: close\r\n\r\n" + body;
    return response;
}

} // namespace

BoundedHttpServer::BoundedHttpServer(HttpLimits limits, int threads)
    : m_limits(limits), m_refusal(refusalResponse()), m_stopFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    const std::size_t count = threads > 0 ? std::size_t(threads) : 1;
    new_task_queue = [count] { return new httplib::ThreadPool(count); };
    set_payload_max_length(m_limits.maxRequestBytes);
    // A response goes out as head and body; without this the body can wait for the delayed
    // acknowledgement of the head.
    set_tcp_nodelay(true);
    // Only the values the library writes into its Keep-Alive header; ServeConnection applies them.
    set_keep_alive_max_count(m_limits.keepAliveRequests);
    set_keep_alive_timeout(std::max(1, m_limits.keepAliveMs / 1000));
    set_socket_options([this](socket_t socket) {
        httplib::default_socket_options(socket);
        m_listenSocket = socket;
    });
    httplib::Headers headers;
    for (const auto& [name, value] : SecurityHeaders()) headers.emplace(name, value);
    set_default_headers(std::move(headers));
}

BoundedHttpServer::~BoundedHttpServer() {
    if (m_stopFd >= 0) ::close(m_stopFd);
}

int BoundedHttpServer::Bind(const std::string& address, int port) {
    const int bound = port == 0 ? bind_to_any_port(address) : (bind_to_port(address, port) ? port : -1);
    if (bound >= 0 && m_listenSocket >= 0) ::listen(m_listenSocket, SOMAXCONN);
    return bound;
}

void BoundedHttpServer::Stop() {
    m_stopping = true;
    if (m_stopFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_stopFd, &one, sizeof one);
    }
    stop();
}

bool BoundedHttpServer::ServeConnection(socket_t socket) {
    bool answered = false;
    {
        LimitedSocketStream stream(socket, m_stopFd, m_limits, m_refusal);
        for (std::size_t left = m_limits.keepAliveRequests; left > 0 && !m_stopping && stream.WaitForRequest(); --left) {
            bool closed = false;
            answered = process_request(stream, left == 1, closed, nullptr);
            if (!answered || closed || stream.Refused()) break;
        }
        if (stream.Refused()) stream.DrainAfterRefusal();
    }
    ::shutdown(socket, SHUT_RDWR);
    ::close(socket);
    return answered;
}

bool BoundedHttpServer::process_and_close_socket(socket_t socket) { return ServeConnection(socket); }

} // namespace server
