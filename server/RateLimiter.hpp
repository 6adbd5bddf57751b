#pragma once

#include <cstddef>
#include <mutex>
#include <unordered_map>

#include "server/ClientKey.hpp"

namespace server {

// Publishes allowed per client (see ClientKey): a bucket of `perMinute` tokens per client
// that refills evenly over a minute. Safe to call from many threads. At most `maxClients`
// buckets are kept; when more arrive the refilled ones are forgotten first, then, when that
// freed less than a quarter of the table, the half used longest ago, so memory stays bounded
// under a flood of clients and each new client costs amortised constant time.
class RateLimiter {
public:
    static constexpr std::size_t kDefaultMaxClients = 65536;

    // `perMinute` 0 allows everything.
    explicit RateLimiter(int perMinute, std::size_t maxClients = kDefaultMaxClients);

    struct Decision {
        bool allowed = true;
        int retryAfterSeconds = 0; // when refused: seconds until the next token
    };
    // Takes `amount` tokens (at most `perMinute`) for `client` at `nowSeconds` (any steady
    // clock); takes nothing when refused.
    Decision Take(const ClientKey& client, double nowSeconds, double amount = 1.0);

    int PerMinute() const { return m_perMinute; }
    std::size_t MaxClients() const { return m_maxClients; }
    // The buckets held, and an estimate of the memory they take (entries and hash table).
    std::size_t Entries() const;
    std::size_t Bytes() const;
    // The most that Bytes can be for a table of `maxClients` buckets.
    static std::size_t BytesBound(std::size_t maxClients);

private:
    struct Bucket {
        double tokens;
        double updatedAt;
    };
    using Table = std::unordered_map<ClientKey, Bucket, ClientKeyHash>;
    void Forget(double nowSeconds);

    int m_perMinute;
    std::size_t m_maxClients;
    mutable std::mutex m_lock;
    Table m_buckets;
};

} // namespace server
