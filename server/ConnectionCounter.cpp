#include "ConnectionCounter.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>

namespace server {

std::string ClientKey(const std::string& address) {
    in6_addr v6{};
    if (::inet_pton(AF_INET6, address.c_str(), &v6) != 1) return address;
    const unsigned char* b = v6.s6_addr;
    static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    char text[64];
    if (std::equal(mapped, mapped + 12, b)) {
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[12], b[13], b[14], b[15]);
    } else {
        std::snprintf(text, sizeof text, "%02x%02x:%02x%02x:%02x%02x:%02x%02x::/64", b[0], b[1], b[2], b[3], b[4], b[5],
                      b[6], b[7]);
    }
    return text;
}

ConnectionCounter::ConnectionCounter(std::size_t maxTotal, std::size_t maxPerClient, std::string exemptAddress)
    : m_maxTotal(maxTotal), m_maxPerClient(maxPerClient), m_exempt(std::move(exemptAddress)) {}

std::string ConnectionCounter::Key(const std::string& address) const { return ClientKey(address); }

bool ConnectionCounter::Acquire(const std::string& address) {
    const std::string key = Key(address);
    const bool exempt = !m_exempt.empty() && key == ClientKey(m_exempt);
    std::lock_guard lock(m_lock);
    if (m_total >= m_maxTotal) return false;
    std::size_t& mine = m_perClient[key];
    if (!exempt && mine >= m_maxPerClient) return false;
    ++mine;
    ++m_total;
    return true;
}

void ConnectionCounter::Release(const std::string& address) {
    const std::string key = Key(address);
    std::lock_guard lock(m_lock);
    const auto it = m_perClient.find(key);
    if (it == m_perClient.end()) return;
    if (--it->second == 0) m_perClient.erase(it);
    --m_total;
}

std::size_t ConnectionCounter::Total() const {
    std::lock_guard lock(m_lock);
    return m_total;
}

} // namespace server
