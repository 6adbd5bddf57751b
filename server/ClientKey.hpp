#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace server {

// Which client an address belongs to, for every per-client limit: an IPv4 address, or an
// IPv6 /64 (one subscriber usually holds a whole /64). An IPv4-mapped IPv6 address is the
// IPv4 one. Text that is no address at all is one client of its own, so that it can never
// multiply a limit. Small and fixed in size, whatever the text it came from.
struct ClientKey {
    enum class Family : std::uint8_t { NotAnAddress, V4, V6Prefix };

    Family family = Family::NotAnAddress;
    // The IPv4 address in the first four bytes, or the IPv6 address's first eight.
    std::array<std::uint8_t, 8> bytes{};

    // "192.0.2.7", "2001:0db8:0000:0001::/64" or "not an address", for logs and tests.
    std::string Text() const;

    friend bool operator==(const ClientKey&, const ClientKey&) = default;
};

// An address read from text by inet_pton: IPv4, whose four bytes come first, or IPv6. An
// IPv4-mapped IPv6 address is read as the IPv4 one.
struct IpAddress {
    bool v6 = false;
    std::array<std::uint8_t, 16> bytes{};
};
// None for text that is no plain IPv4 or IPv6 address (a name, a port, a zone, junk).
std::optional<IpAddress> ParseIpAddress(std::string_view text);

// The client key of an address in text form (IPv4 dotted quad or any IPv6 form inet_pton reads).
ClientKey ClientKeyOf(std::string_view address);

// The wider group a client belongs to, for limits that one holder of many addresses shares:
// its IPv4 /24 or IPv6 /48 (the keys of groups are compared with groups only).
ClientKey ClientGroupOf(const ClientKey& client);

struct ClientKeyHash {
    std::size_t operator()(const ClientKey& key) const noexcept;
};

} // namespace server
