#pragma once

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "server/ConnectionCounter.hpp"
#include "server/Expected.hpp"
#include "server/HttpLimits.hpp"
#include "server/Reply.hpp"
#include "server/RequestHead.hpp"
#include "server/RequestTarget.hpp"

namespace server {

class HttpConnection;

// A request that passed the framing checks, with the client it came from.
struct HttpRequest {
    RequestHead head;
    RequestTarget target;
    // The peer's address, or the one the trusted proxy names in X-Forwarded-For (see
    // ForwardedClient); canonical text either way.
    std::string client;
};

// HTTP/1.1 on Boost.Beast over an Asio event loop run by a few threads: a connection costs
// memory, not a thread, whether it is idle, slow or busy. Every request must come whole within
// HttpLimits::requestMs of its first byte and be answered in that time, a kept-alive connection
// may be silent for idleMs, open connections are capped in all and per client, and a head may
// hold maxHeadBytes. Answers of 400 and above close the connection.
class HttpServer {
public:
    // Called on an I/O thread for every request; it must call the Respond exactly once, from
    // any thread, and should hand slow work to threads of its own.
    using Respond = std::function<void(Reply)>;
    using Handler = std::function<void(const HttpRequest&, Respond)>;

    HttpServer(HttpLimits limits, int ioThreads, Handler handler);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Listens on the address (a literal or a host name); port 0 takes any free one. The
    // value is the bound port.
    Expected<int> Bind(const std::string& address, int port);
    // Serves until a Stop has finished; false when nothing was bound.
    bool Run();
    // Stops accepting, closes idle connections and lets the requests in hand be answered,
    // for at most HttpLimits::stopMs; then Run returns. Safe from any thread, returns at once.
    void Stop();

    const HttpLimits& Limits() const { return m_limits; }
    std::size_t OpenConnections() const { return m_counter.Total(); }

private:
    friend class HttpConnection;
    void Accept();
    void Admit(boost::asio::ip::tcp::socket socket);
    // A connection's end: frees its place and ends a stop when it was the last.
    void Forget(HttpConnection* connection, const std::string& peer);

    HttpLimits m_limits;
    int m_ioThreads;
    Handler m_handler;
    // Declared before the io_context: handlers it still holds at its end free connections,
    // which come back here.
    ConnectionCounter m_counter;
    std::mutex m_lock;
    bool m_stopping = false;
    bool m_bound = false;
    std::unordered_map<HttpConnection*, std::weak_ptr<HttpConnection>> m_connections;
    boost::asio::io_context m_io;
    boost::asio::executor_work_guard<boost::asio::io_context::executor_type> m_work;
    boost::asio::ip::tcp::acceptor m_acceptor;
    boost::asio::steady_timer m_retry;
    boost::asio::steady_timer m_stopTimer;
};

} // namespace server
