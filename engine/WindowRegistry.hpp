#pragma once

#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/Platform.hpp"

namespace engine {

class OWindow;

// The process's windows: the live ones in construction order, which window object a platform
// window routes to, and which dialogs block which owner. Safe from any thread; no call waits
// for anything but the registry's own short lock.
class WindowRegistry {
public:
    static WindowRegistry& Instance();

    void AddLive(OWindow* window);
    // Takes the window out of every list and relation.
    void Forget(OWindow* window);
    bool IsLive(const OWindow* window) const;

    void Route(platform::WindowId id, OWindow* window);
    void Unroute(OWindow* window);
    OWindow* Routed(platform::WindowId id) const;
    // The routed window with `tryLock` already succeeded on it, so it cannot be freed before
    // the caller unlocks; null with `found` false when nothing is routed there.
    template <class TryLock>
    OWindow* TryLockRouted(platform::WindowId id, bool& found, TryLock tryLock) {
        std::lock_guard lock(m_mutex);
        const auto it = m_routed.find(id);
        found = it != m_routed.end();
        return found && tryLock(it->second) ? it->second : nullptr;
    }

    // Records that `dialog` blocks `owner` until Unblock.
    void Block(OWindow* owner, OWindow* dialog);
    // Ends the relation; true when it existed and no other dialog blocks the owner now.
    bool Unblock(OWindow* owner, OWindow* dialog);
    bool IsBlockedByAny(const OWindow* owner) const;
    // The most recent live dialog that blocks the owner, or null.
    OWindow* LatestBlocker(const OWindow* owner) const;

private:
    mutable std::mutex m_mutex;
    std::vector<OWindow*> m_live;
    std::map<platform::WindowId, OWindow*> m_routed;
    std::vector<std::pair<OWindow*, OWindow*>> m_blocks;  // (owner, dialog) in blocking order
};

} // namespace engine
