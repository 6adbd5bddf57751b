#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace server {

// The client address that a trusted proxy names in an X-Forwarded-For value: its last entry,
// the one the proxy itself wrote, in canonical text (an IPv4-mapped IPv6 address as the IPv4
// one). The entry may be a plain IPv4 or IPv6 address, as nginx's $remote_addr writes it, or,
// as some other proxies write it, an IPv4 address with a port ("192.0.2.7:51000") or a
// bracketed IPv6 address with or without a port ("[2001:db8::7]", "[2001:db8::7]:51000").
// Anything else (a name, "unknown", a zone index, junk) gives none.
std::optional<std::string> ForwardedClient(std::string_view value);

// An address in canonical text, none when the text is no plain IPv4 or IPv6 address.
std::optional<std::string> CanonicalAddress(std::string_view text);

} // namespace server
