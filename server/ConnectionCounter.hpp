#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "server/ClientKey.hpp"

namespace server {

// Open connections, in all and per client (see ClientKey), under caps. Safe to use from many
// threads. A client is in the table only while it holds a connection, so the table has at
// most `maxTotal` entries.
class ConnectionCounter {
public:
    ConnectionCounter(std::size_t maxTotal, std::size_t maxPerClient, std::string exemptAddress = {});

    // Takes a place for a connection from `address` (text form); false when a cap is reached.
    // The exempt address (a trusted proxy, which carries many clients) has only the total cap;
    // the rest of its /64 is not exempt.
    bool Acquire(const std::string& address);
    void Release(const std::string& address);
    std::size_t Total() const;

    // The clients held, and an estimate of the memory they take (entries and hash table).
    std::size_t Entries() const;
    std::size_t Bytes() const;

private:
    bool Exempt(const std::string& address) const;

    std::size_t m_maxTotal, m_maxPerClient;
    std::optional<std::string> m_exempt; // canonical text
    mutable std::mutex m_lock;
    std::size_t m_total = 0;
    std::size_t m_exemptOpen = 0;
    std::unordered_map<ClientKey, std::size_t, ClientKeyHash> m_perClient;
};

} // namespace server
