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

int ioThreads() {
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

// Where an answer is made.
enum class RouteThread {
    Publishes, // on the publishes' pool: it may wait for the database, never for a check
    Pages,     // on the pages' pool: it reads the database
    Io,        // at once, on the I/O thread: it needs no database
};

// One web address: a path, or with `prefix` every path it begins, whose rest goes to the
// answer.
struct RouteEntry {
    std::string_view path;
    bool prefix;
    RouteThread thread;
    Reply (*answer)(Leaderboard& board, const HttpRequest& request, std::string_view rest, Deadline deadline);
};

// The leaderboard's web addresses; every other path is 404.
constexpr RouteEntry kRoutes[] = {
    {"/cgi-bin/gameres.pl", false, RouteThread::Publishes,
     [](Leaderboard& board, const HttpRequest& request, std::string_view, Deadline deadline) {
         return board.Publish(request.target.Parameter("e"), request.target.Parameter("r"), request.client,
                              deadline);
     }},
    {"/", false, RouteThread::Pages,
     [](Leaderboard& board, const HttpRequest&, std::string_view, Deadline) { return board.Index(); }},
    {"/level/", true, RouteThread::Pages,
     [](Leaderboard& board, const HttpRequest&, std::string_view rest, Deadline) {
         return board.Level(rest);
     }},
    {"/api/top", false, RouteThread::Pages,
     [](Leaderboard& board, const HttpRequest& request, std::string_view, Deadline) {
         return board.ApiTop(request.target.Parameter("level"));
     }},
    {"/daily", false, RouteThread::Pages,
     [](Leaderboard& board, const HttpRequest&, std::string_view, Deadline) {
         return board.Daily(std::nullopt);
     }},
    {"/daily/", true, RouteThread::Pages,
     [](Leaderboard& board, const HttpRequest&, std::string_view rest, Deadline) {
         return board.Daily(rest);
     }},
    {"/api/daily", false, RouteThread::Pages,
     [](Leaderboard& board, const HttpRequest& request, std::string_view, Deadline) {
         return board.ApiDaily(request.target.Parameter("date"));
     }},
    {"/replay/", true, RouteThread::Pages,
     [](Leaderboard& board, const HttpRequest&, std::string_view rest, Deadline) {
         return board.ReplayFile(rest);
     }},
    {"/cgi-bin/screen.pl/games.shtml", false, RouteThread::Io,
     [](Leaderboard& board, const HttpRequest&, std::string_view, Deadline) { return board.Games(); }},
    {"/style.css", false, RouteThread::Io,
     [](Leaderboard& board, const HttpRequest&, std::string_view, Deadline) { return board.Style(); }},
};

// The route of a path, null for none.
const RouteEntry* findRoute(std::string_view path) {
    for (const RouteEntry& route : kRoutes)
        if (route.prefix ? path.substr(0, route.path.size()) == route.path : path == route.path)
            return &route;
    return nullptr;
}

Reply serverError(const std::exception& e) {
    std::fprintf(stderr, "hoopstack-leaderboard: %s\n", e.what());
    return {500,
            "text/html; charset=utf-8",
            RenderErrorPage("Server error", "Something went wrong; please try again later."),
            {}};
}

} // namespace

LeaderboardHttp::LeaderboardHttp(Leaderboard& board, HttpLimits limits, int threads)
    : m_board(board),
      m_server(std::move(limits), ioThreads(),
               [this](const HttpRequest& request, HttpServer::Respond respond) {
                   Handle(request, std::move(respond));
               }),
      m_pages(std::size_t(std::max(1, threads))),
      m_publishes(std::size_t(std::max(1, threads))) {}

LeaderboardHttp::~LeaderboardHttp() {
    // The publishes being checked come back to the publishes' pool; it must outlive them.
    m_board.WaitForPublishes();
    m_pages.join();
    m_publishes.join();
}

Reply LeaderboardHttp::Route(const HttpRequest& request) {
    return Answer(request, std::chrono::steady_clock::now() + kPublishWait);
}

Reply LeaderboardHttp::Answer(const HttpRequest& request, Deadline deadline) {
    // Nothing below throws but for want of memory; that is an answer too, not a lost connection.
    try {
        const std::string_view path = request.target.path;
        const RouteEntry* route = findRoute(path);
        if (!route) return m_board.NotFound();
        return route->answer(m_board, request,
                             route->prefix ? path.substr(route->path.size()) : std::string_view(), deadline);
    } catch (const std::exception& e) {
        return serverError(e);
    }
}

void LeaderboardHttp::Handle(const HttpRequest& request, HttpServer::Respond respond) {
    const RouteEntry* route = findRoute(request.target.path);
    // The wait for the database counts from here, the queue included.
    const Deadline deadline = std::chrono::steady_clock::now() + kPublishWait;
    const RouteThread thread = route ? route->thread : RouteThread::Io;
    if (thread == RouteThread::Io) {
        respond(Answer(request, deadline));
        return;
    }
    if (thread == RouteThread::Publishes) {
        // A publish whose replay is checked holds no thread meanwhile: its storing comes back
        // to this pool once the check is done.
        boost::asio::post(m_publishes, [this, request, deadline, respond = std::move(respond)] {
            try {
                m_board.StartPublish(
                    request.target.Parameter("e"), request.target.Parameter("r"), request.client, deadline,
                    [this](std::function<void()> work) { boost::asio::post(m_publishes, std::move(work)); },
                    respond);
            } catch (const std::exception& e) {
                respond(serverError(e));
            }
        });
        return;
    }
    boost::asio::post(
        thread == RouteThread::Publishes ? m_publishes : m_pages,
        [this, request, deadline, respond = std::move(respond)] { respond(Answer(request, deadline)); });
}

Expected<int> LeaderboardHttp::Bind(const std::string& address, int port) {
    return m_server.Bind(address, port);
}

bool LeaderboardHttp::Run() {
    return m_server.Run();
}

void LeaderboardHttp::Stop() {
    m_server.Stop();
}

} // namespace server
