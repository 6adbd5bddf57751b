#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace server {

// Bounds on what one client connection may cost.
struct HttpLimits {
    std::size_t maxRequestBytes = 8192;  // request line, headers and body together
    int readTimeoutMs = 5000;            // silence allowed inside a request
    int writeTimeoutMs = 5000;
    int keepAliveMs = 5000;              // silence allowed between requests
    std::size_t keepAliveRequests = 10000;
};

// The headers every answer carries: a strict Content-Security-Policy (nothing but our own
// style sheet), no MIME sniffing, no framing, no referrer.
const std::vector<std::pair<std::string, std::string>>& SecurityHeaders();

} // namespace server
