#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace server {

// Bounds on what clients may cost the server.
struct HttpLimits {
    std::size_t maxHeadBytes = 16384;        // request line and headers: a publish address of 8 KiB and its headers
    int requestMs = 10'000;                  // from the first byte of a request to its answer written
    int idleMs = 15'000;                     // silence allowed between the requests of a connection
    int stopMs = 10'000;                     // at a stop: time left to the requests in hand
    std::size_t maxConnections = 100'000;    // open connections in all (also bounded by the open-file limit)
    std::size_t maxConnectionsPerClient = 256;  // per IPv4 address or IPv6 /64
    std::string trustedProxy;                // a peer whose X-Forwarded-For names the client
};

// The headers every answer carries: a strict Content-Security-Policy (nothing but our own
// style sheet), no MIME sniffing, no framing, no referrer.
const std::vector<std::pair<std::string, std::string>>& SecurityHeaders();

} // namespace server
