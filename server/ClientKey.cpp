#include "ClientKey.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>

namespace server {

namespace {

// inet_pton reads a NUL-terminated string; an address is never longer than this.
constexpr std::size_t kLongestAddressText = INET6_ADDRSTRLEN;

// A seed per process, so that no one can choose prefixes that all fall into one bucket.
std::uint64_t clientHashSeed() {
    static const std::uint64_t seed = [] {
        std::random_device device;
        return (std::uint64_t(device()) << 32) ^ device();
    }();
    return seed;
}

} // namespace

std::string ClientKey::Text() const {
    char text[64];
    const std::uint8_t* b = bytes.data();
    switch (family) {
    case Family::V4:
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
        break;
    case Family::V6Prefix:
        std::snprintf(text, sizeof text, "%02x%02x:%02x%02x:%02x%02x:%02x%02x::/64", b[0], b[1], b[2], b[3],
                      b[4], b[5], b[6], b[7]);
        break;
    case Family::NotAnAddress:
        return "not an address";
    }
    return text;
}

ClientKey ClientGroupOf(const ClientKey& client) {
    ClientKey group = client;
    const std::size_t kept = client.family == ClientKey::Family::V4 ? 3 : 6;
    std::fill(group.bytes.begin() + std::ptrdiff_t(kept), group.bytes.end(), std::uint8_t(0));
    return group;
}

std::optional<IpAddress> ParseIpAddress(std::string_view address) {
    if (address.empty() || address.size() >= kLongestAddressText) return std::nullopt;
    char text[kLongestAddressText];
    std::memcpy(text, address.data(), address.size());
    text[address.size()] = '\0';
    if (std::memchr(text, '\0', address.size())) return std::nullopt;

    IpAddress parsed;
    in_addr v4{};
    if (::inet_pton(AF_INET, text, &v4) == 1) {
        std::memcpy(parsed.bytes.data(), &v4.s_addr, 4);
        return parsed;
    }
    in6_addr v6{};
    if (::inet_pton(AF_INET6, text, &v6) != 1) return std::nullopt;
    const std::uint8_t* b = v6.s6_addr;
    static constexpr std::uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::equal(kMapped, kMapped + 12, b)) {
        std::copy(b + 12, b + 16, parsed.bytes.begin());
    } else {
        parsed.v6 = true;
        std::copy(b, b + 16, parsed.bytes.begin());
    }
    return parsed;
}

ClientKey ClientKeyOf(std::string_view address) {
    ClientKey key;
    const std::optional<IpAddress> parsed = ParseIpAddress(address);
    if (!parsed) return key;
    key.family = parsed->v6 ? ClientKey::Family::V6Prefix : ClientKey::Family::V4;
    std::copy_n(parsed->bytes.begin(), parsed->v6 ? 8 : 4, key.bytes.begin());
    return key;
}

std::size_t ClientKeyHash::operator()(const ClientKey& key) const noexcept {
    std::uint64_t packed = 0;
    for (const std::uint8_t byte : key.bytes) packed = (packed << 8) | byte;
    // Spreads the bits (splitmix64's finaliser): the low bits of a prefix are often zero.
    std::uint64_t z = packed ^ clientHashSeed() ^ (std::uint64_t(key.family) * 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return std::size_t(z ^ (z >> 31));
}

} // namespace server
