#pragma once

#include <cstddef>
#include <optional>
#include <string>

// Sends raw bytes to 127.0.0.1:port and returns everything the server sends back until it
// closes the connection (or, with `stopAfter` set, until that many bytes have come).
std::string ExchangeRaw(int port, const std::string& request, std::size_t stopAfter = 0);

// The status code of the first response in raw HTTP text, or 0.
int StatusOf(const std::string& response);

// A connected TCP socket to port on `host` (a 127.x.y.z address), optionally from a chosen
// loopback source address; -1 on failure. Waits up to `timeoutMs` for every receive.
int ConnectLoopback(int port, const char* from = nullptr, int timeoutMs = 10'000);

// One parsed answer.
struct TestResponse {
    int status = 0;
    std::string head;  // status line and headers
    std::string body;
    std::string Header(const std::string& name) const;
};

// A small HTTP/1.1 client over one kept-alive connection, reconnecting when the server
// closed it; nothing when the server cannot be reached or answers garbage.
class TestClient {
public:
    explicit TestClient(int port, std::string from = {});
    ~TestClient();
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    std::optional<TestResponse> Get(const std::string& path, const std::string& method = "GET");

private:
    int m_port;
    std::string m_from;
    int m_socket = -1;
};
