#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "server/Expected.hpp"
#include "server/RecordStore.hpp"

namespace server {

// The first rows of every level's table, kept in memory so that pages read no database.
// Held rows are replaced when the level's table version (see RecordStore::TableVersions)
// shows they are outdated: this server's own changes say so at once (Changed), other writers'
// through a watcher that calls Poll. Readers never wait for the database while rows are
// held: while one thread reads a level again, the others keep the rows held before. Only a
// level with no rows held yet makes its readers wait, for a single read that all share.
// Every member may be called on many threads at once.
class TopCache {
public:
    // The rows a level's page shows.
    static constexpr int kRows = kVersionedRows;

    struct Table {
        std::optional<std::int64_t> version;  // none when the store keeps no versions
        std::vector<RankedRecord> rows;       // at most kRows, best first
    };
    using Snapshot = std::shared_ptr<const Table>;

    explicit TopCache(RecordStore& store);
    TopCache(const TopCache&) = delete;
    TopCache& operator=(const TopCache&) = delete;

    // The level's rows, as held or read now. When reading fails, the rows held before (stale
    // but consistent) are the answer; an Error only when none were ever read.
    Expected<Snapshot> Rows(int level);

    // After this server changed the level: returns once the held rows are at least as new as
    // the database's, read again only when the level's version moved (or cannot be read).
    void Changed(int level);

    // Reads the versions of all levels and reads again each level whose rows are outdated;
    // false when the versions cannot be read.
    bool Poll();

    // How many times the store's rows were read, for tests and logs.
    std::uint64_t Reads() const;

private:
    struct Slot {
        mutable std::mutex lock;
        std::condition_variable readDone;
        Snapshot held;
        std::optional<std::int64_t> newest;  // the newest version seen
        bool reading = false;
        std::uint64_t reads = 0;
        std::string error;  // of the last read, when it failed
    };

    Slot& SlotOf(int level);
    static bool Outdated(const Slot& slot);
    // Brings the slot up to `version`, or reads it when there is none.
    void CatchUp(int level, std::optional<std::int64_t> version);
    // Reads the level's rows with `lock` held on entry and exit, released meanwhile.
    void Read(int level, Slot& slot, std::unique_lock<std::mutex>& lock);

    RecordStore& m_store;
    std::array<Slot, std::size_t(kLastLevel - kFirstLevel + 1)> m_slots;
};

} // namespace server
