#pragma once

#include <boost/asio/thread_pool.hpp>

#include <string>

#include "server/Expected.hpp"
#include "server/HttpLimits.hpp"
#include "server/HttpServer.hpp"
#include "server/RecordStore.hpp"

namespace server {

class Leaderboard;

// The leaderboard's web addresses on an HttpServer, listed in one table in the source:
//   /cgi-bin/gameres.pl?e=CODE[&r=REPLAY], /, /level/N, /api/top?level=N,
//   /replay/ID.hoopstack-replay, /cgi-bin/screen.pl/games.shtml, /style.css; everything else
// is 404. Replays are checked on the Leaderboard's verification workers, and a publish waiting for its
// check holds no thread. Pages that read the database run on a pool of `threads` threads, publishes on a
// pool of their own, so that publishes waiting for the database never hold up the pages; answers that
// need no database come from the I/O threads.
class LeaderboardHttp {
public:
    LeaderboardHttp(Leaderboard& board, HttpLimits limits, int threads);
    ~LeaderboardHttp();

    // Binds the listening socket; port 0 takes any free one. The value is the bound port.
    Expected<int> Bind(const std::string& address, int port);
    // Serves until Stop has finished; false when listening failed.
    bool Run();
    // Stops accepting and ends Run once the requests in hand are answered; safe from any thread.
    void Stop();

    // The answer to one request, on the calling thread.
    Reply Route(const HttpRequest& request);

    HttpServer& Server() { return m_server; }

private:
    void Handle(const HttpRequest& request, HttpServer::Respond respond);
    // The answer to one request, whose database wait ends at the deadline.
    Reply Answer(const HttpRequest& request, Deadline deadline);

    Leaderboard& m_board;
    HttpServer m_server;
    // Declared after the server, so they end first: their jobs answer through its connections.
    boost::asio::thread_pool m_pages;
    boost::asio::thread_pool m_publishes;
};

} // namespace server
