#pragma once

#include <httplib.h>

#include <array>
#include <string>

#include "server/HttpLimits.hpp"

namespace server {

// A connected socket as the HTTP library reads and writes it, with a budget: one request
// may bring at most HttpLimits::maxRequestBytes. A request that goes beyond gets
// `refusal` (a complete response) and the connection ends. The budget starts afresh with
// each request, that is at the first read after a response has been written. Every wait
// also ends when `stopFd` becomes readable.
class LimitedSocketStream final : public httplib::Stream {
public:
    LimitedSocketStream(int socket, int stopFd, const HttpLimits& limits, const std::string& refusal);

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return m_socket; }

    // Waits for the first byte of the next request; false when the peer closed, the server
    // stops or the keep-alive time passes.
    bool WaitForRequest();
    // True once a request was refused for its size.
    bool Refused() const { return m_refused; }
    // After a refusal: ends the sending side and reads what the client still sends, up to a
    // bound, so that closing does not reset the connection before the refusal is read.
    void DrainAfterRefusal();

private:
    // Waits up to `timeoutMs` for `events` on the socket; false on time-out, stop or error.
    bool WaitFor(short events, int timeoutMs) const;
    void Refuse();

    int m_socket;
    int m_stopFd;
    const HttpLimits& m_limits;
    const std::string& m_refusal;
    std::array<char, 4096> m_buffer{};
    std::size_t m_begin = 0, m_end = 0;
    std::size_t m_requestBytes = 0;
    bool m_wroteResponse = false;
    bool m_refused = false;
};

} // namespace server
