#include "engine/WindowRegistry.hpp"

#include <algorithm>

namespace engine {

WindowRegistry& WindowRegistry::Instance() {
    static WindowRegistry registry;
    return registry;
}

void WindowRegistry::AddLive(OWindow* window) {
    std::lock_guard lock(m_mutex);
    m_live.push_back(window);
}

void WindowRegistry::Forget(OWindow* window) {
    std::lock_guard lock(m_mutex);
    std::erase(m_live, window);
    std::erase_if(m_routed, [&](const auto& entry) { return entry.second == window; });
    std::erase_if(m_blocks, [&](const auto& block) { return block.first == window || block.second == window; });
}

bool WindowRegistry::IsLive(const OWindow* window) const {
    if (!window) return false;
    std::lock_guard lock(m_mutex);
    return std::find(m_live.begin(), m_live.end(), window) != m_live.end();
}

void WindowRegistry::Route(platform::WindowId id, OWindow* window) {
    std::lock_guard lock(m_mutex);
    m_routed[id] = window;
}

void WindowRegistry::Unroute(OWindow* window) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_routed, [&](const auto& entry) { return entry.second == window; });
}

OWindow* WindowRegistry::Routed(platform::WindowId id) const {
    std::lock_guard lock(m_mutex);
    const auto it = m_routed.find(id);
    return it == m_routed.end() ? nullptr : it->second;
}

void WindowRegistry::Block(OWindow* owner, OWindow* dialog) {
    std::lock_guard lock(m_mutex);
    m_blocks.emplace_back(owner, dialog);
}

bool WindowRegistry::EraseBlock(OWindow* owner, OWindow* dialog) {
    const auto it = std::find(m_blocks.begin(), m_blocks.end(), std::make_pair(owner, dialog));
    if (it == m_blocks.end()) return false;
    m_blocks.erase(it);
    return true;
}

bool WindowRegistry::IsBlockedLocked(const OWindow* owner) const {
    return std::any_of(m_blocks.begin(), m_blocks.end(), [&](const auto& block) { return block.first == owner; });
}

OWindow* WindowRegistry::LatestBlocker(const OWindow* owner) const {
    std::lock_guard lock(m_mutex);
    for (auto it = m_blocks.rbegin(); it != m_blocks.rend(); ++it)
        if (it->first == owner) return it->second;
    return nullptr;
}

void WindowRegistry::WithLatestBlocker(const OWindow* owner,
                                       const std::function<void(const OWindow&)>& use) const {
    std::lock_guard lock(m_mutex);
    for (auto it = m_blocks.rbegin(); it != m_blocks.rend(); ++it)
        if (it->first == owner) return use(*it->second);
}

void WindowRegistry::FrameThreadStarted() {
    std::lock_guard lock(m_mutex);
    ++m_frameThreads;
}

void WindowRegistry::FrameThreadEnded() {
    std::lock_guard lock(m_mutex);
    --m_frameThreads;
}

int WindowRegistry::FrameThreads() const {
    std::lock_guard lock(m_mutex);
    return m_frameThreads;
}

} // namespace engine
