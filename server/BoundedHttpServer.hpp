#pragma once

#include <httplib.h>

#include <atomic>
#include <string>

#include "server/HttpLimits.hpp"

namespace server {

// An httplib server whose connections are served through LimitedSocketStream: requests over
// the size limit are refused with 431, every wait is bounded, and Stop ends the waits of idle
// connections at once instead of after their keep-alive time. Handlers run on a pool of
// `threads` threads, one connection each.
class BoundedHttpServer : public httplib::Server {
public:
    BoundedHttpServer(HttpLimits limits, int threads);
    ~BoundedHttpServer() override;
    BoundedHttpServer(const BoundedHttpServer&) = delete;
    BoundedHttpServer& operator=(const BoundedHttpServer&) = delete;

    // Binds the listening socket with a backlog as long as the system allows (the library's
    // own is five, which drops connections that arrive together). Port 0 takes any free
    // one; the value is the bound port, or -1.
    int Bind(const std::string& address, int port);
    // Serves every request that arrives on a connected socket, then closes it. Returns
    // whether the last request was answered in order.
    bool ServeConnection(socket_t socket);
    // Ends listen_after_bind and the connections' waits; safe from any thread.
    void Stop();

private:
    bool process_and_close_socket(socket_t socket) override;

    HttpLimits m_limits;
    std::string m_refusal;
    int m_stopFd;
    int m_listenSocket = -1;
    std::atomic<bool> m_stopping{false};
};

} // namespace server
