#include "ConnectionCounter.hpp"

#include "server/ForwardedFor.hpp"

namespace server {

namespace {

// A hash node holds the entry, the link and perhaps the hash; the allocator adds its header.
constexpr std::size_t kCounterNodeBytes =
    sizeof(std::pair<const ClientKey, std::size_t>) + 2 * sizeof(void*) + 16;

} // namespace

ConnectionCounter::ConnectionCounter(std::size_t maxTotal, std::size_t maxPerClient,
                                     std::string exemptAddress)
    : m_maxTotal(maxTotal), m_maxPerClient(maxPerClient), m_exempt(CanonicalAddress(exemptAddress)) {}

bool ConnectionCounter::Exempt(const std::string& address) const {
    return m_exempt && CanonicalAddress(address) == m_exempt;
}

bool ConnectionCounter::Acquire(const std::string& address) {
    const bool exempt = Exempt(address);
    const ClientKey key = ClientKeyOf(address);
    std::lock_guard lock(m_lock);
    if (m_total >= m_maxTotal || (!exempt && m_maxPerClient == 0)) return false;
    if (exempt) {
        ++m_exemptOpen;
    } else {
        std::size_t& mine = m_perClient[key];
        if (mine >= m_maxPerClient) return false;
        ++mine;
    }
    ++m_total;
    return true;
}

void ConnectionCounter::Release(const std::string& address) {
    const bool exempt = Exempt(address);
    const ClientKey key = ClientKeyOf(address);
    std::lock_guard lock(m_lock);
    if (exempt) {
        if (m_exemptOpen == 0) return;
        --m_exemptOpen;
    } else {
        const auto it = m_perClient.find(key);
        if (it == m_perClient.end()) return;
        if (--it->second == 0) m_perClient.erase(it);
    }
    --m_total;
}

std::size_t ConnectionCounter::Total() const {
    std::lock_guard lock(m_lock);
    return m_total;
}

std::size_t ConnectionCounter::Entries() const {
    std::lock_guard lock(m_lock);
    return m_perClient.size();
}

std::size_t ConnectionCounter::Bytes() const {
    std::lock_guard lock(m_lock);
    return sizeof m_perClient + m_perClient.size() * kCounterNodeBytes +
           m_perClient.bucket_count() * sizeof(void*);
}

} // namespace server
