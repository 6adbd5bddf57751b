// leaderboard_idle_clients PORT COUNT SECONDS: opens COUNT connections to 127.0.0.1:PORT,
// spread over the loopback addresses 127.0.3.1, 127.0.3.2, ... (200 each, below the server's
// cap per client), sends nothing, prints "held N" once they are open, and for SECONDS opens
// again each one the server closes at its idle deadline, so that COUNT stay open. Raises its
// open-file limit to the hard limit first.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: leaderboard_idle_clients PORT COUNT SECONDS\n");
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const int count = std::atoi(argv[2]);
    const int seconds = std::atoi(argv[3]);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);

    const auto open = [port](int i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return -1;
        sockaddr_in source{};
        source.sin_family = AF_INET;
        const std::string from = "127.0.3." + std::to_string(1 + i / 200);
        ::inet_pton(AF_INET, from.c_str(), &source.sin_addr);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(std::uint16_t(port));
        target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0 ||
            ::connect(fd, reinterpret_cast<sockaddr*>(&target), sizeof target) != 0) {
            ::close(fd);
            return -1;
        }
        return fd;
    };
    std::vector<pollfd> held;
    for (int i = 0; i < count; ++i) {
        const int fd = open(i);
        if (fd < 0) break;
        held.push_back({fd, POLLIN, 0});
    }
    std::printf("held %zu\n", held.size());
    std::fflush(stdout);
    std::size_t reopened = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        if (::poll(held.data(), held.size(), 0) <= 0) continue;
        for (std::size_t i = 0; i < held.size(); ++i) {
            if (held[i].revents == 0) continue;
            ::close(held[i].fd);
            held[i].fd = open(int(i));
            held[i].revents = 0;
            ++reopened;
        }
    }
    for (const pollfd& p : held)
        if (p.fd >= 0) ::close(p.fd);
    std::printf("reopened %zu\n", reopened);
    return held.size() == std::size_t(count) ? 0 : 1;
}
