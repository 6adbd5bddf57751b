#include "ForwardedFor.hpp"

#include <arpa/inet.h>

#include <algorithm>

#include "server/ClientKey.hpp"

namespace server {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view trimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A port as a proxy writes it: 1 to 5 digits.
bool isPort(std::string_view text) {
    return !text.empty() && text.size() <= 5 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The address of an entry with its brackets and port taken off; empty when its form is wrong.
std::string_view addressPart(std::string_view entry) {
    if (!entry.empty() && entry.front() == '[') {
        const std::size_t close = entry.find(']');
        if (close == std::string_view::npos) return {};
        const std::string_view rest = entry.substr(close + 1);
        if (!rest.empty() && !(rest.front() == ':' && isPort(rest.substr(1)))) return {};
        const std::string_view inside = entry.substr(1, close - 1);
        // Brackets hold IPv6 only.
        return inside.find(':') == std::string_view::npos ? std::string_view() : inside;
    }
    // One colon: an IPv4 address and its port; more: a plain IPv6 address.
    const std::size_t colon = entry.find(':');
    if (colon != std::string_view::npos && entry.find(':', colon + 1) == std::string_view::npos) {
        if (!isPort(entry.substr(colon + 1))) return {};
        return entry.substr(0, colon);
    }
    return entry;
}

} // namespace

std::optional<std::string> CanonicalAddress(std::string_view text) {
    const std::optional<IpAddress> parsed = ParseIpAddress(text);
    if (!parsed) return std::nullopt;
    char canonical[INET6_ADDRSTRLEN];
    if (!::inet_ntop(parsed->v6 ? AF_INET6 : AF_INET, parsed->bytes.data(), canonical, sizeof canonical))
        return std::nullopt;
    return std::string(canonical);
}

std::optional<std::string> ForwardedClient(std::string_view value) {
    if (const std::size_t comma = value.rfind(','); comma != std::string_view::npos)
        value.remove_prefix(comma + 1);
    const std::string_view address = addressPart(trimBlanks(value));
    if (address.empty()) return std::nullopt;
    return CanonicalAddress(address);
}

} // namespace server
