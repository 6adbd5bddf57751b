#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "TScoresTable.hpp"

namespace store {

// The replays of the score table's records, kept in a file of their own beside the table
// ("replays.dat"), so that the table's file stays exactly as it is. A replay belongs to the
// record with the same score, level, date and name: a record edited by hand or cleared away no
// longer finds its replay, and the next pruning drops it. The replays are treated as opaque
// base64url texts.
//
// The file is plain text: a first line "hoopstack-replays 1", then one line per replay,
//   score TAB level TAB date TAB replay TAB name LF
// newest first. The name comes last, so that it may hold any byte but a line break. Lines
// that do not read as such are skipped, the others still load.
class TScoreReplays {
public:
    static constexpr std::string_view kHeader = "hoopstack-replays 1";
    // A larger file is refused unread: no score table of ours comes near it.
    static constexpr std::size_t kMaxFileSize = 64u << 20;

    // Which record a replay belongs to: its score and its three texts as the table holds them.
    struct Key {
        std::int32_t score = 0;
        std::string level;
        std::string date;
        std::string name;

        bool operator==(const Key&) const = default;
    };
    struct Entry {
        Key key;
        std::string replay;

        bool operator==(const Entry&) const = default;
    };

    static Key KeyOf(std::int32_t score, const TScoresTableRec& record) {
        return {score, record.level, record.date, record.name};
    }

    // Adds the replays of the file; false (with the reason) when it is missing, unreadable,
    // too large or not a file of replays, which adds nothing.
    bool load(const std::string& path, std::string* error = nullptr);
    // Adds the replays of a file's text; false when the first line is not the header.
    bool addText(std::string_view text);
    // The file's text.
    std::string text() const;
    // Replaces the file atomically; false (with the reason) leaves the old one as it was.
    [[nodiscard]] bool save(const std::string& path, std::string* error = nullptr) const;

    // Files the replay under the record, before any other of the same record. A replay that
    // is not a base64url text, or a record whose texts the file cannot carry, adds nothing.
    bool add(const Key& key, std::string replay);
    // The newest replay of the record, or nullptr.
    const std::string* find(const Key& key) const;
    // Keeps only the replays of the table's records: as many per record as the table holds
    // records with that key, the newest ones.
    void pruneTo(const TScoresTable& table);

    const std::vector<Entry>& entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};

// Whether the text is a non-empty run of base64url characters (A-Z a-z 0-9 - _), which any
// web address carries as it is.
bool isBase64Url(std::string_view text);

} // namespace store
