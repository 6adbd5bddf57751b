#include "TopCache.hpp"

#include <cassert>
#include <cstdio>

namespace server {

TopCache::TopCache(RecordStore& store) : m_store(store) {}

TopCache::Slot& TopCache::SlotOf(int level) {
    assert(level >= kFirstLevel && level <= kLastLevel);
    return m_slots[std::size_t(level - kFirstLevel)];
}

bool TopCache::Outdated(const Slot& slot) {
    if (!slot.held) return true;
    if (!slot.newest) return false;
    return !slot.held->version || *slot.held->version < *slot.newest;
}

Expected<TopCache::Snapshot> TopCache::Rows(int level) {
    Slot& slot = SlotOf(level);
    std::unique_lock lock(slot.lock);
    if (!Outdated(slot)) return slot.held;
    if (slot.reading) {
        if (slot.held) return slot.held;
        // Nothing held yet: share the read in progress rather than start another.
        const std::uint64_t round = slot.reads;
        slot.readDone.wait(lock, [&] { return slot.reads != round; });
    } else {
        Read(level, slot, lock);
    }
    if (slot.held) return slot.held;
    return Error{slot.error};
}

void TopCache::Changed(int level) {
    const Expected<std::vector<std::int64_t>> versions = m_store.TableVersions();
    CatchUp(level, versions ? std::optional((*versions)[std::size_t(level - kFirstLevel)]) : std::nullopt);
}

bool TopCache::Poll() {
    const Expected<std::vector<std::int64_t>> versions = m_store.TableVersions();
    if (!versions) return false;
    for (int level = kFirstLevel; level <= kLastLevel; ++level) {
        const std::int64_t version = (*versions)[std::size_t(level - kFirstLevel)];
        Slot& slot = SlotOf(level);
        {
            // Levels nobody asked for yet, and current ones, cost nothing.
            std::lock_guard lock(slot.lock);
            if (!slot.held || (slot.held->version && *slot.held->version >= version)) continue;
        }
        CatchUp(level, version);
    }
    return true;
}

void TopCache::CatchUp(int level, std::optional<std::int64_t> version) {
    Slot& slot = SlotOf(level);
    std::unique_lock lock(slot.lock);
    if (version && (!slot.newest || *slot.newest < *version)) slot.newest = version;
    // A read in progress may have begun before the change: wait for it, then judge.
    slot.readDone.wait(lock, [&] { return !slot.reading; });
    if (!version || Outdated(slot)) Read(level, slot, lock);
}

void TopCache::Read(int level, Slot& slot, std::unique_lock<std::mutex>& lock) {
    assert(lock.owns_lock() && !slot.reading);
    slot.reading = true;
    lock.unlock();
    // The version first: rows read after it are at least that new.
    const Expected<std::vector<std::int64_t>> versions = m_store.TableVersions();
    Expected<std::vector<RankedRecord>> rows = m_store.Top(level, 1, kRows);
    Snapshot table;
    if (rows) {
        auto fresh = std::make_shared<Table>();
        if (versions) fresh->version = (*versions)[std::size_t(level - kFirstLevel)];
        fresh->rows = std::move(*rows);
        table = std::move(fresh);
    }
    lock.lock();
    slot.reading = false;
    ++slot.reads;
    if (table) {
        slot.held = std::move(table);
        slot.error.clear();
        if (slot.held->version && (!slot.newest || *slot.newest < *slot.held->version))
            slot.newest = slot.held->version;
    } else {
        slot.error = rows.error();
        // Callers log the failures they are given; serving the rows held before hides this one.
        if (slot.held)
            std::fprintf(stderr, "hoopstack-leaderboard: %s; the rows read before are shown\n", slot.error.c_str());
    }
    slot.readDone.notify_all();
}

std::uint64_t TopCache::Reads() const {
    std::uint64_t total = 0;
    for (const Slot& slot : m_slots) {
        std::lock_guard lock(slot.lock);
        total += slot.reads;
    }
    return total;
}

} // namespace server
