#include "LimitedSocketStream.hpp"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace server {

namespace {

void addressOf(const sockaddr_storage& address, socklen_t length, std::string& ip, int& port) {
    char host[NI_MAXHOST] = "";
    char service[NI_MAXSERV] = "";
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&address), length, host, sizeof host, service, sizeof service,
                    NI_NUMERICHOST | NI_NUMERICSERV) == 0) {
        ip = host;
        port = std::atoi(service);
    } else {
        ip.clear();
        port = 0;
    }
}

} // namespace

LimitedSocketStream::LimitedSocketStream(int socket, int stopFd, const HttpLimits& limits, const std::string& refusal)
    : m_socket(socket), m_stopFd(stopFd), m_limits(limits), m_refusal(refusal) {}

bool LimitedSocketStream::WaitFor(short events, int timeoutMs) const {
    pollfd fds[2] = {{m_socket, events, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, m_stopFd >= 0 ? 2 : 1, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        if (m_stopFd >= 0 && (fds[1].revents & POLLIN)) return false;
        return (fds[0].revents & (events | POLLHUP | POLLERR)) != 0;
    }
}

bool LimitedSocketStream::is_readable() const {
    return m_begin < m_end || WaitFor(POLLIN, m_limits.readTimeoutMs);
}

bool LimitedSocketStream::is_writable() const { return !m_refused && WaitFor(POLLOUT, m_limits.writeTimeoutMs); }

bool LimitedSocketStream::WaitForRequest() {
    return !m_refused && (m_begin < m_end || WaitFor(POLLIN, m_limits.keepAliveMs));
}

ssize_t LimitedSocketStream::read(char* ptr, size_t size) {
    if (m_refused) return -1;
    if (m_wroteResponse) {
        m_wroteResponse = false;
        m_requestBytes = 0;
    }
    if (m_requestBytes >= m_limits.maxRequestBytes) {
        Refuse();
        return -1;
    }
    if (m_begin == m_end) {
        if (!WaitFor(POLLIN, m_limits.readTimeoutMs)) return -1;
        ssize_t got;
        do got = ::recv(m_socket, m_buffer.data(), m_buffer.size(), 0);
        while (got < 0 && errno == EINTR);
        if (got <= 0) return got;
        m_begin = 0;
        m_end = std::size_t(got);
    }
    const std::size_t n = std::min({size, m_end - m_begin, m_limits.maxRequestBytes - m_requestBytes});
    std::memcpy(ptr, m_buffer.data() + m_begin, n);
    m_begin += n;
    m_requestBytes += n;
    return ssize_t(n);
}

ssize_t LimitedSocketStream::write(const char* ptr, size_t size) {
    // After a refusal the library still answers the broken request; that answer is dropped.
    if (m_refused) return ssize_t(size);
    m_wroteResponse = true;
    if (!WaitFor(POLLOUT, m_limits.writeTimeoutMs)) return -1;
    ssize_t sent;
    do sent = ::send(m_socket, ptr, size, MSG_NOSIGNAL);
    while (sent < 0 && errno == EINTR);
    return sent;
}

void LimitedSocketStream::Refuse() {
    m_refused = true;
    std::size_t done = 0;
    while (done < m_refusal.size() && WaitFor(POLLOUT, m_limits.writeTimeoutMs)) {
        const ssize_t sent = ::send(m_socket, m_refusal.data() + done, m_refusal.size() - done, MSG_NOSIGNAL);
        if (sent <= 0) break;
        done += std::size_t(sent);
    }
}

void LimitedSocketStream::DrainAfterRefusal() {
    ::shutdown(m_socket, SHUT_WR);
    std::size_t drained = 0;
    while (drained < 16 * m_limits.maxRequestBytes && WaitFor(POLLIN, m_limits.readTimeoutMs / 5)) {
        const ssize_t got = ::recv(m_socket, m_buffer.data(), m_buffer.size(), 0);
        if (got <= 0) break;
        drained += std::size_t(got);
    }
}

void LimitedSocketStream::get_remote_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getpeername(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
        (address.ss_family == AF_INET || address.ss_family == AF_INET6)) {
        addressOf(address, length, ip, port);
    } else {
        ip.clear();
        port = 0;
    }
}

void LimitedSocketStream::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0 &&
        (address.ss_family == AF_INET || address.ss_family == AF_INET6)) {
        addressOf(address, length, ip, port);
    } else {
        ip.clear();
        port = 0;
    }
}

} // namespace server
