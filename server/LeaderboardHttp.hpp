#pragma once

#include <string>

#include "server/BoundedHttpServer.hpp"
#include "server/Expected.hpp"
#include "server/HttpLimits.hpp"

namespace server {

class Leaderboard;

// The leaderboard's web addresses on a BoundedHttpServer:
//   /cgi-bin/gameres.pl?e=CODE, /, /level/N, /api/top?level=N, /cgi-bin/screen.pl/games.shtml,
//   /style.css; everything else is 404.
class LeaderboardHttp {
public:
    LeaderboardHttp(Leaderboard& board, HttpLimits limits, int threads);

    // Binds the listening socket; port 0 takes any free one. The value is the bound port.
    Expected<int> Bind(const std::string& address, int port);
    // Serves until Stop; false when listening failed.
    bool Run();
    // Ends Run; safe from any thread.
    void Stop();

    BoundedHttpServer& Server() { return m_server; }

private:
    Leaderboard& m_board;
    BoundedHttpServer m_server;
};

} // namespace server
