#include "VerificationBudget.hpp"

namespace server {

VerificationBudget::VerificationBudget(int clientFramesPerMinute, int groupFramesPerMinute)
    : m_clients(clientFramesPerMinute), m_groups(groupFramesPerMinute) {}

RateLimiter::Decision VerificationBudget::Spend(std::string_view address, std::uint64_t frames,
                                                double nowSeconds) {
    const ClientKey client = ClientKeyOf(address);
    const double cost = double(frames);
    // The client pays first: one whose own budget is spent takes nothing from its neighbours.
    const RateLimiter::Decision own = m_clients.Take(client, nowSeconds, cost);
    if (!own.allowed) return own;
    return m_groups.Take(ClientGroupOf(client), nowSeconds, cost);
}

} // namespace server
