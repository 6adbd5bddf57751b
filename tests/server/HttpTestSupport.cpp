#include "HttpTestSupport.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <strings.h>

int ConnectLoopback(int port, const char* from, int timeoutMs) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    if (from) {
        sockaddr_in source{};
        source.sin_family = AF_INET;
        ::inet_pton(AF_INET, from, &source.sin_addr);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0) {
            ::close(fd);
            return -1;
        }
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string ExchangeRaw(int port, const std::string& request, std::size_t stopAfter) {
    const int fd = ConnectLoopback(port);
    std::string reply;
    if (fd < 0) return reply;
    std::size_t sent = 0;
    while (sent < request.size()) {
        const ssize_t n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += std::size_t(n);
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        reply.append(buffer, std::size_t(n));
        if (stopAfter && reply.size() >= stopAfter) break;
    }
    ::close(fd);
    return reply;
}

int StatusOf(const std::string& response) {
    if (response.rfind("HTTP/1.", 0) != 0 || response.size() < 12) return 0;
    return std::atoi(response.c_str() + 9);
}

std::string TestResponse::Header(const std::string& name) const {
    for (std::size_t at = head.find("\r\n"); at != std::string::npos; at = head.find("\r\n", at + 2)) {
        const std::size_t colon = head.find(':', at + 2);
        const std::size_t end = head.find("\r\n", at + 2);
        if (colon == std::string::npos || (end != std::string::npos && colon > end)) continue;
        if (colon - at - 2 == name.size() && ::strncasecmp(head.c_str() + at + 2, name.c_str(), name.size()) == 0) {
            std::size_t from = colon + 1;
            while (from < head.size() && head[from] == ' ') ++from;
            return head.substr(from, (end == std::string::npos ? head.size() : end) - from);
        }
    }
    return "";
}

TestClient::TestClient(int port, std::string from) : m_port(port), m_from(std::move(from)) {}

TestClient::~TestClient() {
    if (m_socket >= 0) ::close(m_socket);
}

std::optional<TestResponse> TestClient::Get(const std::string& path, const std::string& method) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const bool fresh = m_socket < 0;
        if (fresh) m_socket = ConnectLoopback(m_port, m_from.empty() ? nullptr : m_from.c_str());
        if (m_socket < 0) return std::nullopt;
        const std::string request = method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
        std::string data;
        bool ok = ::send(m_socket, request.data(), request.size(), MSG_NOSIGNAL) == ssize_t(request.size());
        std::size_t headEnd = std::string::npos;
        char buffer[8192];
        while (ok && (headEnd = data.find("\r\n\r\n")) == std::string::npos) {
            const ssize_t n = ::recv(m_socket, buffer, sizeof buffer, 0);
            if (n <= 0) ok = false;
            else data.append(buffer, std::size_t(n));
        }
        if (!ok) {
            ::close(m_socket);
            m_socket = -1;
            // A kept-alive connection the server closed meanwhile: once more on a new one.
            if (!fresh && data.empty()) continue;
            return std::nullopt;
        }
        TestResponse response;
        response.head = data.substr(0, headEnd);
        response.status = StatusOf(response.head);
        const std::size_t length = std::strtoul(response.Header("Content-Length").c_str(), nullptr, 10);
        response.body = data.substr(headEnd + 4);
        while (method != "HEAD" && response.body.size() < length) {
            const ssize_t n = ::recv(m_socket, buffer, sizeof buffer, 0);
            if (n <= 0) return std::nullopt;
            response.body.append(buffer, std::size_t(n));
        }
        if (response.Header("Connection") == "close") {
            ::close(m_socket);
            m_socket = -1;
        }
        return response;
    }
    return std::nullopt;
}
