#pragma once

#include <algorithm>
#include <functional>
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
    enum class OwnerState { Unblocked, Free, StillBlocked };
    // Ends the relation of a dying dialog and, when the owner is still live, calls
    // `tell(owner, state)` with the registry locked, so the owner cannot be freed meanwhile:
    // Unblocked when this dialog was the last to block it, Free when nothing blocks it.
    // `tell` must not call back into the registry.
    template <class Tell>
    void ReleaseDialog(OWindow* owner, OWindow* dialog, Tell tell) {
        std::lock_guard lock(m_mutex);
        if (std::find(m_live.begin(), m_live.end(), owner) == m_live.end()) return;
        const bool blocked = EraseBlock(owner, dialog);
        const bool blockedByOther = IsBlockedLocked(owner);
        tell(owner, blockedByOther ? OwnerState::StillBlocked : blocked ? OwnerState::Unblocked : OwnerState::Free);
    }
    // The most recent live dialog that blocks the owner, or null.
    OWindow* LatestBlocker(const OWindow* owner) const;
    // Calls `use` with the latest dialog blocking `owner`, if any, while the lock is held.
    void WithLatestBlocker(const OWindow* owner, const std::function<void(const OWindow&)>& use) const;

    // Frame threads that have been started and not yet returned; a detached thread still
    // counts until its last call on the platform is made.
    void FrameThreadStarted();
    void FrameThreadEnded();
    int FrameThreads() const;

private:
    bool EraseBlock(OWindow* owner, OWindow* dialog);
    bool IsBlockedLocked(const OWindow* owner) const;

    mutable std::mutex m_mutex;  // taken after a window lock, before the leaf ones (engine/THREADS.md)
    std::vector<OWindow*> m_live;  // guarded by m_mutex
    std::map<platform::WindowId, OWindow*> m_routed;  // guarded by m_mutex
    // (owner, dialog) in blocking order; guarded by m_mutex
    std::vector<std::pair<OWindow*, OWindow*>> m_blocks;
    int m_frameThreads = 0;  // guarded by m_mutex
};

} // namespace engine
