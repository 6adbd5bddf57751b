#include "LeaderboardHttp.hpp"

#include <optional>

#include "server/Leaderboard.hpp"
#include "server/Pages.hpp"

namespace server {

namespace {

void send(const Reply& reply, httplib::Response& response) {
    response.status = reply.status;
    for (const auto& [name, value] : reply.headers) response.set_header(name.c_str(), value);
    response.set_content(reply.body, reply.contentType.c_str());
}

std::optional<std::string> parameter(const httplib::Request& request, const char* name) {
    if (!request.has_param(name)) return std::nullopt;
    return request.get_param_value(name);
}

} // namespace

LeaderboardHttp::LeaderboardHttp(Leaderboard& board, HttpLimits limits, int threads)
    : m_board(board), m_server(limits, threads) {
    m_server.Get("/cgi-bin/gameres.pl", [this](const httplib::Request& request, httplib::Response& response) {
        send(m_board.Publish(parameter(request, "e"), request.remote_addr), response);
    });
    m_server.Get("/", [this](const httplib::Request&, httplib::Response& response) { send(m_board.Index(), response); });
    m_server.Get("/level/([^/]*)", [this](const httplib::Request& request, httplib::Response& response) {
        send(m_board.Level(request.matches[1].str()), response);
    });
    m_server.Get("/api/top", [this](const httplib::Request& request, httplib::Response& response) {
        send(m_board.ApiTop(parameter(request, "level")), response);
    });
    m_server.Get("/cgi-bin/screen.pl/games.shtml", [this](const httplib::Request&, httplib::Response& response) {
        send(m_board.Games(), response);
    });
    m_server.Get("/style.css", [this](const httplib::Request&, httplib::Response& response) {
        send(m_board.Style(), response);
    });
    // Answers the library makes up itself (no route, a bad request, a too large body) get
    // a page of ours; answers with a body of their own are left alone.
    m_server.set_error_handler(httplib::Server::HandlerWithResponse([this](const httplib::Request&,
                                                                           httplib::Response& response) {
        if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        Reply reply = m_board.NotFound();
        if (response.status != 404) {
            reply.body = RenderErrorPage(response.status == 413 ? "Request too large" : "Bad request",
                                         "This server cannot answer that request.");
        }
        response.set_content(reply.body, reply.contentType.c_str());
        return httplib::Server::HandlerResponse::Handled;
    }));
    m_server.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
        response.status = 500;
        response.set_content(RenderErrorPage("Server error", "Something went wrong; please try again later."),
                             "text/html; charset=utf-8");
    });
}

Expected<int> LeaderboardHttp::Bind(const std::string& address, int port) {
    const int bound = m_server.Bind(address, port);
    if (bound < 0) return Error{"cannot listen on " + address + " port " + std::to_string(port)};
    return bound;
}

bool LeaderboardHttp::Run() { return m_server.listen_after_bind(); }

void LeaderboardHttp::Stop() { m_server.Stop(); }

} // namespace server
