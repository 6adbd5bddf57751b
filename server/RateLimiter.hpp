#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace server {

// Publishes allowed per client address: a bucket of `perMinute` tokens per address that
// refills evenly over a minute. Safe to call from many threads. At most `maxAddresses`
// buckets are kept; when more arrive the refilled ones are forgotten first, then the half
// used longest ago, so memory stays bounded under a flood of addresses.
class RateLimiter {
public:
    // `perMinute` 0 allows everything.
    explicit RateLimiter(int perMinute, std::size_t maxAddresses = 65536);

    struct Decision {
        bool allowed = true;
        int retryAfterSeconds = 0;  // when refused: seconds until the next token
    };
    // Takes a token for `address` at `nowSeconds` (any steady clock).
    Decision Take(const std::string& address, double nowSeconds);

    int PerMinute() const { return m_perMinute; }

private:
    struct Bucket {
        double tokens;
        double updatedAt;
    };
    void Forget(double nowSeconds);

    int m_perMinute;
    std::size_t m_maxAddresses;
    std::mutex m_lock;
    std::unordered_map<std::string, Bucket> m_buckets;
};

} // namespace server
