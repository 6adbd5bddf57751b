#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/tcp_stream.hpp>

#include <memory>
#include <string>

#include "server/Reply.hpp"

namespace server {

class HttpServer;

// One client connection of an HttpServer, driven by its own strand: it reads a head at a
// time (pipelined bytes wait in its buffer), hands the request to the server's handler and
// writes the answer, under the request and idle deadlines.
class HttpConnection : public std::enable_shared_from_this<HttpConnection> {
public:
    HttpConnection(boost::asio::ip::tcp::socket socket, HttpServer& server, std::string peer);
    ~HttpConnection();

    // Both run on the connection's strand.
    void Start();
    // The server stops: an idle connection closes now, a busy one after its answer.
    void Stop();

    boost::beast::tcp_stream::executor_type Executor() { return m_stream.get_executor(); }

private:
    enum class State { Idle, Reading, Handling, Writing, Closing };

    void AwaitRequest();
    void ReadMore();
    void Examine();
    void Dispatch(std::size_t headLength);
    void Answer(Reply reply, int minorVersion, bool headOnly, bool keepAlive);
    void Refuse(int status, const std::string& reason);
    // Ends the sending side after a final answer and reads what the client still sends for a
    // moment, so that closing does not reset the connection before the answer is read.
    void Close();
    void Drain();
    void Finish();

    boost::beast::tcp_stream m_stream;
    HttpServer& m_server;
    std::string m_peer;
    std::string m_buffer;
    std::size_t m_scanned = 0;
    std::size_t m_drained = 0;
    State m_state = State::Idle;
    bool m_stopping = false;
};

} // namespace server
