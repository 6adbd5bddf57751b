#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "EncryptedText.hpp"

namespace store {

// One score record; its score is the key it is filed under in the table.
struct TScoresTableRec {
    std::string date;
    std::string name;
    std::string level;
};

// Enciphered, checksummed text files, and the score table kept in one of them.
// Each user constructs its own short-lived instance; callers pass full paths.
class TScoresTable {
public:
    using Records = std::multimap<std::int32_t, TScoresTableRec>;

    // A walk over the records, highest score first.
    struct Walk {
        Records::const_reverse_iterator first, last;
        Records::const_reverse_iterator begin() const { return first; }
        Records::const_reverse_iterator end() const { return last; }
    };

    // Files larger than this are refused unread: no save of ours comes near it.
    static constexpr std::size_t kMaxFileSize = 16u << 20;
    // Lines kept in the file for one name and level.
    static constexpr int kGroupLimit = 10;

    TScoresTable();

    // Reads and deciphers a whole file; `text` is valid only when true. A
    // checksum mismatch also prints "CRC error! <stored> != <computed>".
    [[nodiscard]] bool loadText(const std::string& path, std::string& text);
    // Enciphers `text` and replaces the file atomically; false leaves the old
    // file as it was.
    [[nodiscard]] bool saveText(const std::string& path, const std::string& text);

    // Loads the table file and adds its records; a failed load adds nothing.
    void loadTable(const std::string& path);
    // Adds the records of a table text (one TAB-separated line each); among equal scores
    // the walk then lists them in the order of the text, as tableText wrote them.
    void addTableText(const std::string& text);
    // Parses one TAB-separated line "date, name, level, score" and adds it.
    void addRecordLine(const std::string& line);
    // Writes the table, at most kGroupLimit lines per name and level; false (with the reason
    // in `error` when given) leaves the old file as it was.
    [[nodiscard]] bool saveTable(const std::string& path, std::string* error = nullptr);
    // The text saveTable writes.
    std::string tableText();

    // The records from the highest score to the lowest; among equal scores the
    // one added later comes first. Elements are (score, record) pairs.
    Walk records() const { return {m_records.crbegin(), m_records.crend()}; }
    std::size_t size() const { return m_records.size(); }

    // Like loadText, but reports why a load failed and prints nothing.
    [[nodiscard]] DecodeResult readEncrypted(const std::string& path, std::string* error = nullptr) const;
    // Like saveText, with the reason for a failure.
    [[nodiscard]] bool writeEncrypted(const std::string& path, const std::string& text,
                        std::string* error = nullptr) const;

private:
    void addRecord(std::int32_t score, TScoresTableRec record);

    std::array<std::uint8_t, 8> m_key;
    Records m_records;
    std::map<std::string, std::int32_t> m_groupCounts;
};

// Reads a score as the table does: leading white space, an optional sign, then
// decimal digits up to the first non-digit; no digits give 0; values beyond
// 32 bits wrap around.
std::int32_t parseScore(const std::string& text);

} // namespace store
