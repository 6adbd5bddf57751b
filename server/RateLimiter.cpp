#include "RateLimiter.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace server {

namespace {

// A hash node holds the entry, the link and perhaps the hash; the allocator adds its header.
constexpr std::size_t kBucketNodeBytes =
    sizeof(std::pair<const ClientKey, double[2]>) + 2 * sizeof(void*) + 16;

} // namespace

RateLimiter::RateLimiter(int perMinute, std::size_t maxClients)
    : m_perMinute(std::max(perMinute, 0)), m_maxClients(std::max<std::size_t>(maxClients, 1)) {}

RateLimiter::Decision RateLimiter::Take(const ClientKey& client, double nowSeconds, double amount) {
    if (m_perMinute == 0) return {};
    const double capacity = m_perMinute;
    amount = std::clamp(amount, 0.0, capacity);
    const double perSecond = capacity / 60.0;
    std::lock_guard lock(m_lock);
    auto found = m_buckets.find(client);
    if (found == m_buckets.end()) {
        if (m_buckets.size() >= m_maxClients) Forget(nowSeconds);
        found = m_buckets.emplace(client, Bucket{capacity, nowSeconds}).first;
    }
    Bucket& bucket = found->second;
    const double elapsed = std::max(0.0, nowSeconds - bucket.updatedAt);
    bucket.tokens = std::min(capacity, bucket.tokens + elapsed * perSecond);
    bucket.updatedAt = std::max(bucket.updatedAt, nowSeconds);
    if (bucket.tokens >= amount) {
        bucket.tokens -= amount;
        return {};
    }
    return {false, std::max(1, int(std::ceil((amount - bucket.tokens) / perSecond)))};
}

std::size_t RateLimiter::Entries() const {
    std::lock_guard lock(m_lock);
    return m_buckets.size();
}

std::size_t RateLimiter::Bytes() const {
    static_assert(sizeof(Table::value_type) <= sizeof(std::pair<const ClientKey, double[2]>));
    std::lock_guard lock(m_lock);
    return sizeof(Table) + m_buckets.size() * kBucketNodeBytes + m_buckets.bucket_count() * sizeof(void*);
}

std::size_t RateLimiter::BytesBound(std::size_t maxClients) {
    // The hash table never has more slots than about twice its largest size.
    return sizeof(Table) + maxClients * kBucketNodeBytes + (2 * maxClients + 64) * sizeof(void*);
}

void RateLimiter::Forget(double nowSeconds) {
    const double perSecond = m_perMinute / 60.0;
    // First the buckets that have refilled: forgetting them changes no decision.
    std::erase_if(m_buckets, [&](const auto& entry) {
        return entry.second.tokens + (nowSeconds - entry.second.updatedAt) * perSecond >= m_perMinute;
    });
    // Then, unless that freed a quarter, the half used longest ago: freeing little would make
    // the next new client scan the whole table again.
    if (m_buckets.size() < m_maxClients - m_maxClients / 4) return;
    std::vector<double> times;
    times.reserve(m_buckets.size());
    for (const auto& entry : m_buckets) times.push_back(entry.second.updatedAt);
    std::nth_element(times.begin(), times.begin() + long(times.size() / 2), times.end());
    const double cut = times[times.size() / 2];
    std::erase_if(m_buckets, [&](const auto& entry) { return entry.second.updatedAt <= cut; });
}

} // namespace server
