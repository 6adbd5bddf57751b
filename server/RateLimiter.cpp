#include "RateLimiter.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace server {

RateLimiter::RateLimiter(int perMinute, std::size_t maxAddresses)
    : m_perMinute(std::max(perMinute, 0)), m_maxAddresses(std::max<std::size_t>(maxAddresses, 1)) {}

RateLimiter::Decision RateLimiter::Take(const std::string& address, double nowSeconds) {
    if (m_perMinute == 0) return {};
    const double capacity = m_perMinute;
    const double perSecond = capacity / 60.0;
    std::lock_guard lock(m_lock);
    auto found = m_buckets.find(address);
    if (found == m_buckets.end()) {
        if (m_buckets.size() >= m_maxAddresses) Forget(nowSeconds);
        found = m_buckets.emplace(address, Bucket{capacity, nowSeconds}).first;
    }
    Bucket& bucket = found->second;
    const double elapsed = std::max(0.0, nowSeconds - bucket.updatedAt);
    bucket.tokens = std::min(capacity, bucket.tokens + elapsed * perSecond);
    bucket.updatedAt = std::max(bucket.updatedAt, nowSeconds);
    if (bucket.tokens >= 1.0) {
        bucket.tokens -= 1.0;
        return {};
    }
    return {false, std::max(1, int(std::ceil((1.0 - bucket.tokens) / perSecond)))};
}

void RateLimiter::Forget(double nowSeconds) {
    const double perSecond = m_perMinute / 60.0;
    // First the buckets that have refilled: forgetting them changes no decision.
    std::erase_if(m_buckets, [&](const auto& entry) {
        return entry.second.tokens + (nowSeconds - entry.second.updatedAt) * perSecond >= m_perMinute;
    });
    if (m_buckets.size() < m_maxAddresses) return;
    // Then the half used longest ago.
    std::vector<double> times;
    times.reserve(m_buckets.size());
    for (const auto& entry : m_buckets) times.push_back(entry.second.updatedAt);
    std::nth_element(times.begin(), times.begin() + long(times.size() / 2), times.end());
    const double cut = times[times.size() / 2];
    std::erase_if(m_buckets, [&](const auto& entry) { return entry.second.updatedAt <= cut; });
}

} // namespace server
