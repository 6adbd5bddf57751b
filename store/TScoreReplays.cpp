#include "TScoreReplays.hpp"

#include <map>
#include <optional>
#include <tuple>
#include <utility>

#include "FileIO.hpp"
#include "ScoreReport.hpp"

namespace store {

namespace {

bool carriesNo(std::string_view text, std::string_view bytes) { return text.find_first_of(bytes) == std::string_view::npos; }

// The fields of one line, or false when it is not one: four TABs at least, a score as "%d"
// writes it, a replay of base64url characters.
bool parseLine(std::string_view line, TScoreReplays::Entry& entry) {
    std::string_view fields[4];
    for (std::string_view& field : fields) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) return false;
        field = line.substr(0, tab);
        line.remove_prefix(tab + 1);
    }
    const std::optional<std::int32_t> score = ParseReportScore(fields[0]);
    if (!score || !isBase64Url(fields[3])) return false;
    entry.key = {*score, std::string(fields[1]), std::string(fields[2]), std::string(line)};
    entry.replay = std::string(fields[3]);
    return true;
}

} // namespace

bool isBase64Url(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!ok) return false;
    }
    return true;
}

bool TScoreReplays::load(const std::string& path, std::string* error) {
    const ReadResult file = readFileBounded(path, kMaxFileSize);
    if (file.status != ReadStatus::Ok) {
        if (error) *error = file.error;
        return false;
    }
    if (!addText(file.bytes)) {
        if (error) *error = path + " is not a file of replays";
        return false;
    }
    return true;
}

bool TScoreReplays::addText(std::string_view text) {
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (lineNumber++ == 0) {
            if (line != kHeader) return false;
            continue;
        }
        Entry entry;
        if (parseLine(line, entry)) m_entries.push_back(std::move(entry));
    }
    return lineNumber > 0;
}

std::string TScoreReplays::text() const {
    std::string out(kHeader);
    out += '\n';
    for (const Entry& entry : m_entries) {
        out += std::to_string(entry.key.score);
        out += '\t';
        out += entry.key.level;
        out += '\t';
        out += entry.key.date;
        out += '\t';
        out += entry.replay;
        out += '\t';
        out += entry.key.name;
        out += '\n';
    }
    return out;
}

bool TScoreReplays::save(const std::string& path, std::string* error) const {
    return writeFileAtomically(path, text(), error);
}

bool TScoreReplays::add(const Key& key, std::string replay) {
    // Only the name may hold a TAB (it is the last field); no field may break the line.
    if (!isBase64Url(replay) || !carriesNo(key.level, "\t\r\n") || !carriesNo(key.date, "\t\r\n") ||
        !carriesNo(key.name, "\r\n"))
        return false;
    m_entries.insert(m_entries.begin(), Entry{key, std::move(replay)});
    return true;
}

const std::string* TScoreReplays::find(const Key& key) const {
    for (const Entry& entry : m_entries)
        if (entry.key == key) return &entry.replay;
    return nullptr;
}

void TScoreReplays::pruneTo(const TScoresTable& table) {
    std::map<std::tuple<std::int32_t, std::string, std::string, std::string>, std::size_t> room;
    for (const auto& [score, record] : table.records()) ++room[{score, record.level, record.date, record.name}];
    std::vector<Entry> kept;
    for (Entry& entry : m_entries) {
        const auto place = room.find({entry.key.score, entry.key.level, entry.key.date, entry.key.name});
        if (place == room.end() || place->second == 0) continue;
        --place->second;
        kept.push_back(std::move(entry));
    }
    m_entries = std::move(kept);
}

} // namespace store
