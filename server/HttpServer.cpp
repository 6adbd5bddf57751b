#include "HttpServer.hpp"

#include <boost/asio/dispatch.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/strand.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>
#include <thread>
#include <vector>

#include "server/ForwardedFor.hpp"
#include "server/HttpConnection.hpp"

namespace server {

namespace {

namespace asio = boost::asio;
using asio::ip::tcp;

std::string busyResponse() {
    const std::string body = "The server has too many connections just now; please try again later.\n";
    std::string response = "HTTP/1.1 503 Service Unavailable\r\n";
    for (const auto& [name, value] : SecurityHeaders()) response += name + ": " + value + "\r\n";
    response += "Content-Type: text/plain; charset=utf-8\r\nRetry-After: 10\r\nContent-Length: " +
                std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    return response;
}

// The limits with the trusted proxy in the canonical text that peers' addresses are compared in.
HttpLimits withCanonicalProxy(HttpLimits limits) {
    if (std::optional<std::string> proxy = CanonicalAddress(limits.trustedProxy))
        limits.trustedProxy = *proxy;
    return limits;
}

} // namespace

HttpServer::HttpServer(HttpLimits limits, int ioThreads, Handler handler)
    : m_limits(withCanonicalProxy(std::move(limits))),
      m_ioThreads(std::max(1, ioThreads)),
      m_handler(std::move(handler)),
      m_counter(m_limits.maxConnections, m_limits.maxConnectionsPerClient, m_limits.trustedProxy),
      m_io(m_ioThreads),
      m_work(asio::make_work_guard(m_io)),
      m_acceptor(asio::make_strand(m_io)),
      m_retry(m_io),
      m_stopTimer(m_io) {}

HttpServer::~HttpServer() { m_io.stop(); }

Expected<int> HttpServer::Bind(const std::string& address, int port) {
    boost::system::error_code error;
    tcp::endpoint endpoint;
    const asio::ip::address literal = asio::ip::make_address(address, error);
    if (!error) {
        endpoint = tcp::endpoint(literal, std::uint16_t(port));
    } else {
        tcp::resolver resolver(m_io);
        const auto results = resolver.resolve(address, std::to_string(port), error);
        if (error || results.empty()) return Error{"cannot resolve " + address + ": " + error.message()};
        endpoint = results.begin()->endpoint();
    }
    const std::string where = address + " port " + std::to_string(port);
    m_acceptor.open(endpoint.protocol(), error);
    if (!error) m_acceptor.set_option(tcp::acceptor::reuse_address(true), error);
    if (!error) m_acceptor.bind(endpoint, error);
    if (!error) m_acceptor.listen(asio::socket_base::max_listen_connections, error);
    if (error) {
        boost::system::error_code ignored;
        m_acceptor.close(ignored);
        return Error{"cannot listen on " + where + ": " + error.message()};
    }
    m_bound = true;
    return int(m_acceptor.local_endpoint().port());
}

bool HttpServer::Run() {
    if (!m_bound) return false;
    asio::post(m_acceptor.get_executor(), [this] { Accept(); });
    std::vector<std::thread> threads;
    for (int i = 1; i < m_ioThreads; ++i) threads.emplace_back([this] { m_io.run(); });
    m_io.run();
    for (std::thread& thread : threads) thread.join();
    return true;
}

void HttpServer::Stop() {
    asio::post(m_acceptor.get_executor(), [this] {
        std::vector<std::shared_ptr<HttpConnection>> open;
        {
            std::lock_guard lock(m_lock);
            if (m_stopping) return;
            m_stopping = true;
            for (auto& [raw, weak] : m_connections)
                if (auto connection = weak.lock()) open.push_back(std::move(connection));
            if (m_connections.empty()) m_io.stop();
        }
        boost::system::error_code ignored;
        m_acceptor.close(ignored);
        m_retry.cancel();
        for (auto& connection : open)
            asio::post(connection->Executor(), [connection] { connection->Stop(); });
        m_stopTimer.expires_after(std::chrono::milliseconds(m_limits.stopMs));
        m_stopTimer.async_wait([this](boost::system::error_code error) {
            if (!error) m_io.stop();
        });
    });
}

void HttpServer::Accept() {
    m_acceptor.async_accept(asio::make_strand(m_io), [this](boost::system::error_code error, tcp::socket socket) {
        if (!m_acceptor.is_open()) return;
        if (error) {
            // Out of file descriptors or memory: try again shortly instead of spinning.
            m_retry.expires_after(std::chrono::milliseconds(50));
            m_retry.async_wait([this](boost::system::error_code e) {
                if (!e) Accept();
            });
            return;
        }
        Admit(std::move(socket));
        Accept();
    });
}

void HttpServer::Admit(tcp::socket socket) {
    boost::system::error_code error;
    const tcp::endpoint peer = socket.remote_endpoint(error);
    if (error) return;
    // The peer's address as canonical text: a mapped IPv4 address as the IPv4 one, no zone.
    std::string address = peer.address().to_string();
    if (peer.address().is_v6()) {
        asio::ip::address_v6 v6 = peer.address().to_v6();
        v6.scope_id(0);
        address = v6.is_v4_mapped() ? asio::ip::make_address_v4(asio::ip::v4_mapped, v6).to_string()
                                    : v6.to_string();
    }
    if (!m_counter.Acquire(address)) {
        static const std::string busy = busyResponse();
        socket.non_blocking(true, error);
        socket.write_some(asio::buffer(busy), error);
        socket.shutdown(tcp::socket::shutdown_send, error);
        return;
    }
    socket.set_option(tcp::no_delay(true), error);
    auto connection = std::make_shared<HttpConnection>(std::move(socket), *this, address);
    {
        std::lock_guard lock(m_lock);
        if (m_stopping) return;  // the connection's end frees its place
        m_connections.emplace(connection.get(), connection);
    }
    asio::dispatch(connection->Executor(), [connection] { connection->Start(); });
}

void HttpServer::Forget(HttpConnection* connection, const std::string& peer) {
    m_counter.Release(peer);
    std::lock_guard lock(m_lock);
    m_connections.erase(connection);
    if (m_stopping && m_connections.empty()) m_io.stop();
}

} // namespace server
