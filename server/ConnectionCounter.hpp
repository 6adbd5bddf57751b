#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace server {

// Open connections, in all and per client, under caps. A client is an IPv4 address or an
// IPv6 /64 (one subscriber usually holds a whole /64); an IPv4-mapped IPv6 address counts
// as the IPv4 one. Safe to use from many threads.
class ConnectionCounter {
public:
    ConnectionCounter(std::size_t maxTotal, std::size_t maxPerClient, std::string exemptAddress = {});

    // Takes a place for a connection from `address` (text form); false when a cap is reached.
    // The exempt address (a trusted proxy, which carries many clients) has only the total cap.
    bool Acquire(const std::string& address);
    void Release(const std::string& address);
    std::size_t Total() const;

private:
    std::string Key(const std::string& address) const;

    std::size_t m_maxTotal, m_maxPerClient;
    std::string m_exempt;
    mutable std::mutex m_lock;
    std::size_t m_total = 0;
    std::unordered_map<std::string, std::size_t> m_perClient;
};

// The client key of an address: IPv4 text as it is, IPv6 cut to its first 64 bits.
std::string ClientKey(const std::string& address);

} // namespace server
