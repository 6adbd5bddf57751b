#include "rules/GameRandom.hpp"

#include <atomic>
#include <chrono>
#include <cmath>
#include <random>

namespace rules {

double GameRandom::Normal() {
    float u = 0, v = 0, s = 0;
    do {
        u = (float(Below(32768)) / 32768.0f) * 2.0f - 1.0f;
        v = (float(Below(32768)) / 32768.0f) * 2.0f - 1.0f;
        s = u * u + v * v;
    } while (!(s < 1.0f));
    if (s <= 0.0f) return 0.0;
    return u * std::sqrt(-2.0 * std::log(s) / s);
}

namespace {

// The finaliser of SplitMix64: every input bit reaches every output bit.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

std::uint64_t entropy() {
    try {
        std::random_device device;
        return (std::uint64_t(device()) << 32) | device();
    } catch (...) {
        return 0;
    }
}

} // namespace

std::uint32_t FreshSeed() {
    // The counter keeps two calls in the same clock tick apart even without entropy.
    static std::atomic<std::uint64_t> calls{0};
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const auto steady = std::chrono::steady_clock::now().time_since_epoch();
    std::uint64_t x = mix(std::uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    x = mix(x ^ std::uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(steady).count()));
    x = mix(x ^ entropy());
    x = mix(x ^ calls.fetch_add(1, std::memory_order_relaxed));
    return std::uint32_t(x ^ (x >> 32));
}

} // namespace rules
