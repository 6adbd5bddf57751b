#include "TScoresTable.hpp"

#include <cstdio>
#include <utility>
#include <vector>

#include "FileIO.hpp"

namespace store {

TScoresTable::TScoresTable() : m_key{'w', 'q', 'z', 'm', 'r', 'v', 't', 0} {}

DecodeResult TScoresTable::readEncrypted(const std::string& path, std::string* error) const {
    ReadResult file = readFileBounded(path, kMaxFileSize);
    if (file.status != ReadStatus::Ok) {
        if (error) *error = file.error;
        DecodeResult unreadable;
        unreadable.status = DecodeStatus::Unreadable;
        return unreadable;
    }
    DecodeResult result = decodeEncryptedText(file.bytes, m_key.data());
    if (result.status != DecodeStatus::Ok && error) *error = describeDecodeFailure(result);
    return result;
}

bool TScoresTable::writeEncrypted(const std::string& path, const std::string& text,
                                  std::string* error) const {
    return writeFileAtomically(path, encodeEncryptedText(text, m_key.data()), error);
}

bool TScoresTable::loadText(const std::string& path, std::string& text) {
    DecodeResult result = readEncrypted(path);
    if (result.status == DecodeStatus::ChecksumMismatch) {
        std::printf("CRC error! %u != %u\n", result.storedCrc, result.computedCrc);
        std::fflush(stdout);
    }
    if (result.status != DecodeStatus::Ok) return false;
    text = std::move(result.text);
    return true;
}

bool TScoresTable::saveText(const std::string& path, const std::string& text) {
    return writeEncrypted(path, text);
}

void TScoresTable::loadTable(const std::string& path) {
    std::string text;
    if (loadText(path, text)) addTableText(text);
}

void TScoresTable::addTableText(const std::string& text) {
    // A table text lists equal scores later-added first. Adding its lines from the last to
    // the first gives them back that order, so that reading and writing a table again keeps
    // every tie where it was instead of reversing it on each save.
    std::vector<std::pair<std::int32_t, TScoresTableRec>> parsed;
    std::string buffer;
    std::string pending[3];
    int tabs = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool last = i + 1 == text.size();
        if (c != '\n' && !last) {
            if (c == '\t') {
                ++tabs;
                if (tabs <= 3) pending[tabs - 1] = buffer;
                buffer.clear();
            } else if (c != '\r') {
                buffer.push_back(c);
            }
            continue;
        }
        // End of a line: only lines of exactly four fields make a record. The
        // last character of a text without a final LF belongs to the score.
        if (tabs == 3) {
            if (c != '\n') buffer.push_back(c);
            parsed.emplace_back(parseScore(buffer), TScoresTableRec{pending[0], pending[1], pending[2]});
        }
        buffer.clear();
        tabs = 0;
    }
    for (auto it = parsed.rbegin(); it != parsed.rend(); ++it) addRecord(it->first, std::move(it->second));
}

void TScoresTable::addRecordLine(const std::string& line) {
    std::string buffer;
    TScoresTableRec record;
    std::string* fields[3] = {&record.date, &record.name, &record.level};
    int tabs = 0;
    for (const char c : line) {
        if (c == '\t') {
            ++tabs;
            if (tabs <= 3) *fields[tabs - 1] = buffer;
            buffer.clear();
        } else {
            buffer.push_back(c);
        }
    }
    addRecord(parseScore(buffer), std::move(record));
}

void TScoresTable::addRecord(std::int32_t score, TScoresTableRec record) {
    // A multimap inserts an equal key after the existing ones.
    m_records.emplace(score, std::move(record));
}

std::string TScoresTable::tableText() {
    for (auto& [key, count] : m_groupCounts) count = 0;
    std::string output;
    for (const auto& [score, record] : records()) {
        std::int32_t& count = m_groupCounts[record.name + record.level];
        if (++count > kGroupLimit) continue;
        output += record.date;
        output += '\t';
        output += record.name;
        output += '\t';
        output += record.level;
        output += '\t';
        output += std::to_string(score);
        output += '\n';
    }
    return output;
}

bool TScoresTable::saveTable(const std::string& path, std::string* error) {
    return writeEncrypted(path, tableText(), error);
}

std::int32_t parseScore(const std::string& text) {
    std::size_t i = 0;
    auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (i < text.size() && isSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

} // namespace store
