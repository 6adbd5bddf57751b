#include "HttpTestSupport.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

std::string ExchangeRaw(int port, const std::string& request, std::size_t stopAfter) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
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
    }
    ::close(fd);
    return reply;
}

int StatusOf(const std::string& response) {
    if (response.rfind("HTTP/1.1 ", 0) != 0 || response.size() < 12) return 0;
    return std::stoi(response.substr(9, 3));
}
