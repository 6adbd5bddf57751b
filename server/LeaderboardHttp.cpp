#include "LeaderboardHttp.hpp"

#include <boost/asio/post.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "server/Leaderboard.hpp"
#include "server/Pages.hpp"

namespace server {

namespace {

constexpr std::string_view kPublishPath = "/cgi-bin/gameres.pl";
constexpr std::string_view kLevelPrefix = "/level/";
constexpr std::string_view kReplayPrefix = "/replay/";

int ioThreads() { return int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u)); }

bool readsDatabase(const std::string& path) {
    return path == "/" || path == "/api/top" || path.rfind(kLevelPrefix, 0) == 0 || path.rfind(kReplayPrefix, 0) == 0;
}

Reply serverError(const std::exception& e) {
    std::fprintf(stderr, "hoopstack-leaderboard: %s\n", e.what());
    return {500, "text/html; charset=utf-8", RenderErrorPage("Server error", "Something went wrong; please try again later."),
            {}};
}

} // namespace

LeaderboardHttp::LeaderboardHttp(Leaderboard& board, HttpLimits limits, int threads)
    : m_board(board),
      m_server(std::move(limits), ioThreads(),
               [this](const HttpRequest& request, HttpServer::Respond respond) { Handle(request, std::move(respond)); }),
      m_pages(std::size_t(std::max(1, threads))),
      m_publishes(std::size_t(std::max(1, threads))) {}

LeaderboardHttp::~LeaderboardHttp() {
    m_pages.join();
    m_publishes.join();
}

Reply LeaderboardHttp::Route(const HttpRequest& request) {
    // Nothing below throws but for want of memory; that is an answer too, not a lost connection.
    try {
        return RouteUnguarded(request);
    } catch (const std::exception& e) {
        return serverError(e);
    }
}

Reply LeaderboardHttp::RouteUnguarded(const HttpRequest& request) {
    const std::string& path = request.target.path;
    if (path == kPublishPath)
        return m_board.Publish(request.target.Parameter("e"), request.target.Parameter("r"), request.client,
                               std::chrono::steady_clock::now() + kPublishWait);
    if (path == "/") return m_board.Index();
    if (path.rfind(kLevelPrefix, 0) == 0) return m_board.Level(std::string_view(path).substr(kLevelPrefix.size()));
    if (path == "/api/top") return m_board.ApiTop(request.target.Parameter("level"));
    if (path.rfind(kReplayPrefix, 0) == 0) return m_board.ReplayFile(std::string_view(path).substr(kReplayPrefix.size()));
    if (path == "/cgi-bin/screen.pl/games.shtml") return m_board.Games();
    if (path == "/style.css") return m_board.Style();
    return m_board.NotFound();
}

void LeaderboardHttp::Handle(const HttpRequest& request, HttpServer::Respond respond) {
    const std::string& path = request.target.path;
    if (path == kPublishPath) {
        // The wait for the database counts from here, the queue included.
        const auto deadline = std::chrono::steady_clock::now() + kPublishWait;
        boost::asio::post(m_publishes, [this, request, deadline, respond = std::move(respond)] {
            try {
                respond(m_board.Publish(request.target.Parameter("e"), request.target.Parameter("r"), request.client,
                                        deadline));
            } catch (const std::exception& e) {
                respond(serverError(e));
            }
        });
    } else if (readsDatabase(path)) {
        boost::asio::post(m_pages, [this, request, respond = std::move(respond)] { respond(Route(request)); });
    } else {
        respond(Route(request));
    }
}

Expected<int> LeaderboardHttp::Bind(const std::string& address, int port) { return m_server.Bind(address, port); }

bool LeaderboardHttp::Run() { return m_server.Run(); }

void LeaderboardHttp::Stop() { m_server.Stop(); }

} // namespace server
