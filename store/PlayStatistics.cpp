#include "store/PlayStatistics.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <string_view>

#include "store/Crc32.hpp"
#include "store/FileIO.hpp"

namespace store {
namespace {

// The file is plain text, one record a line, ending in the CRC-32 of everything before it:
//   hoopstack-statistics 1
//   level <1..3> <played> <finished> <best> <total>       (three lines, levels in order)
//   earlier <endDay> <length> <best>
//   attempt <day> <level> <score> <playing|finished|given-up>   (days strictly increasing)
//   crc <8 hex digits>
constexpr std::string_view kMagic = "hoopstack-statistics";
constexpr std::string_view kCrcPrefix = "crc ";

constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

const LevelStatistics kNoLevel{};

bool validLevel(int level) {
    return level >= 1 && level <= 3;
}

const char* stateName(AttemptState state) {
    switch (state) {
    case AttemptState::Playing:
        return "playing";
    case AttemptState::Finished:
        return "finished";
    case AttemptState::GivenUp:
        return "given-up";
    }
    return "playing";
}

std::optional<AttemptState> stateOfName(std::string_view name) {
    if (name == "playing") return AttemptState::Playing;
    if (name == "finished") return AttemptState::Finished;
    if (name == "given-up") return AttemptState::GivenUp;
    return std::nullopt;
}

std::uint32_t checksum(std::string_view text) {
    return crc32(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

// The words of one line, split at single spaces.
std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    for (;;) {
        const std::size_t space = line.find(' ');
        words.push_back(line.substr(0, space));
        if (space == std::string_view::npos) return words;
        line.remove_prefix(space + 1);
    }
}

// A decimal number of digits only (no sign, no leading zeros but "0") from 0 to `most`.
std::optional<std::int64_t> number(std::string_view word, std::int64_t most) {
    if (word.empty() || (word.size() > 1 && word.front() == '0')) return std::nullopt;
    if (!std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || value < 0 || value > most)
        return std::nullopt;
    return value;
}

// Signed form of number(): "-1" is the only negative value the file holds (no run ended yet).
std::optional<std::int64_t> dayOrNone(std::string_view word) {
    if (word == "-1") return -1;
    return number(word, kInt64Max);
}

int addOne(int count) {
    return count == kIntMax ? count : count + 1;
}

} // namespace

PlayStatistics PlayStatistics::Load(const std::filesystem::path& path) {
    const ReadResult read = readFileBounded(path.string(), kMaxFileBytes);
    if (read.status != ReadStatus::Ok) return {};
    return FromText(read.bytes).value_or(PlayStatistics{});
}

bool PlayStatistics::Save(const std::filesystem::path& path) const {
    return writeFileAtomically(path.string(), Text());
}

std::string PlayStatistics::Text() const {
    std::string text = std::string(kMagic) + " " + std::to_string(kVersion) + "\n";
    for (int level = 1; level <= 3; ++level) {
        const LevelStatistics& s = m_levels[static_cast<std::size_t>(level - 1)];
        text += "level " + std::to_string(level) + " " + std::to_string(s.played) + " " +
                std::to_string(s.finished) + " " + std::to_string(s.best) + " " + std::to_string(s.total) +
                "\n";
    }
    text += "earlier " + std::to_string(m_earlier.endDay) + " " + std::to_string(m_earlier.length) + " " +
            std::to_string(m_earlier.best) + "\n";
    for (const DailyAttempt& a : m_attempts)
        text += "attempt " + std::to_string(a.day) + " " + std::to_string(a.level) + " " +
                std::to_string(a.score) + " " + stateName(a.state) + "\n";
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(checksum(text)));
    return text + std::string(kCrcPrefix) + crc + "\n";
}

std::optional<PlayStatistics> PlayStatistics::FromText(const std::string& text) {
    // The checksum line comes last and covers every byte before it.
    if (text.size() < kCrcPrefix.size() + 9 || text.back() != '\n') return std::nullopt;
    const std::size_t crcLine = text.rfind('\n', text.size() - 2) + 1;
    if (crcLine == 0 || text.compare(crcLine, kCrcPrefix.size(), kCrcPrefix) != 0) return std::nullopt;
    const std::string_view crcText(text.data() + crcLine + kCrcPrefix.size(),
                                   text.size() - crcLine - kCrcPrefix.size() - 1);
    std::uint32_t stored = 0;
    const auto [crcEnd, crcError] =
        std::from_chars(crcText.data(), crcText.data() + crcText.size(), stored, 16);
    const bool lowerHex = std::all_of(crcText.begin(), crcText.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    });
    if (crcText.size() != 8 || !lowerHex || crcError != std::errc() ||
        crcEnd != crcText.data() + crcText.size())
        return std::nullopt;
    const std::string_view body(text.data(), crcLine);
    if (checksum(body) != stored) return std::nullopt;

    std::vector<std::vector<std::string_view>> lines;
    for (std::string_view rest = body; !rest.empty();) {
        const std::size_t end = rest.find('\n');
        lines.push_back(wordsOf(rest.substr(0, end)));
        rest.remove_prefix(end + 1);
    }
    if (lines.size() < 5 || lines[0].size() != 2 || lines[0][0] != kMagic ||
        lines[0][1] != std::to_string(kVersion))
        return std::nullopt;

    PlayStatistics statistics;
    for (std::size_t level = 1; level <= 3; ++level) {
        const auto& words = lines[level];
        if (words.size() != 6 || words[0] != "level" || words[1] != std::to_string(level))
            return std::nullopt;
        const auto played = number(words[2], kIntMax);
        const auto finished = number(words[3], kIntMax);
        const auto best = number(words[4], kIntMax);
        const auto total = number(words[5], kInt64Max);
        if (!played || !finished || !best || !total) return std::nullopt;
        statistics.m_levels[level - 1] = {static_cast<int>(*played), static_cast<int>(*finished),
                                          static_cast<int>(*best), *total};
    }
    const auto& earlier = lines[4];
    if (earlier.size() != 4 || earlier[0] != "earlier") return std::nullopt;
    const auto endDay = dayOrNone(earlier[1]);
    const auto length = number(earlier[2], kIntMax);
    const auto best = number(earlier[3], kIntMax);
    if (!endDay || !length || !best || *length > *best) return std::nullopt;
    statistics.m_earlier = {*endDay, static_cast<int>(*length), static_cast<int>(*best)};

    if (lines.size() - 5 > kMaxAttempts) return std::nullopt;
    for (std::size_t i = 5; i < lines.size(); ++i) {
        const auto& words = lines[i];
        if (words.size() != 5 || words[0] != "attempt") return std::nullopt;
        const auto day = number(words[1], kInt64Max);
        const auto level = number(words[2], 3);
        const auto score = number(words[3], kIntMax);
        const auto state = stateOfName(words[4]);
        if (!day || !level || *level < 1 || !score || !state) return std::nullopt;
        // Kept attempts come after the ones folded into the earlier streak, one per day.
        const std::int64_t previous =
            statistics.m_attempts.empty() ? statistics.m_earlier.endDay : statistics.m_attempts.back().day;
        if (*day <= previous) return std::nullopt;
        statistics.m_attempts.push_back({*day, static_cast<int>(*level), static_cast<int>(*score), *state});
    }
    return statistics;
}

void PlayStatistics::RecordGameStarted(int level) {
    if (!validLevel(level)) return;
    LevelStatistics& s = m_levels[static_cast<std::size_t>(level - 1)];
    s.played = addOne(s.played);
}

void PlayStatistics::RecordGameFinished(int level, int score) {
    if (!validLevel(level) || score < 0) return;
    LevelStatistics& s = m_levels[static_cast<std::size_t>(level - 1)];
    s.finished = addOne(s.finished);
    s.best = std::max(s.best, score);
    s.total = s.total > kInt64Max - score ? kInt64Max : s.total + score;
}

const LevelStatistics& PlayStatistics::Level(int level) const {
    return validLevel(level) ? m_levels[static_cast<std::size_t>(level - 1)] : kNoLevel;
}

bool PlayStatistics::BeginDailyAttempt(std::int64_t day, int level) {
    if (day < 0 || !validLevel(level) || day <= m_earlier.endDay) return false;
    if (!m_attempts.empty() && m_attempts.back().day >= day) return false;
    m_attempts.push_back({day, level, 0, AttemptState::Playing});
    dropOldest();
    return true;
}

bool PlayStatistics::FinishDailyAttempt(std::int64_t day, int score) {
    DailyAttempt* attempt = playingAttempt(day);
    if (attempt == nullptr || score < 0) return false;
    attempt->score = score;
    attempt->state = AttemptState::Finished;
    return true;
}

bool PlayStatistics::GiveUpDailyAttempt(std::int64_t day) {
    DailyAttempt* attempt = playingAttempt(day);
    if (attempt == nullptr) return false;
    attempt->state = AttemptState::GivenUp;
    return true;
}

std::optional<DailyAttempt> PlayStatistics::Attempt(std::int64_t day) const {
    const auto found = std::lower_bound(m_attempts.begin(), m_attempts.end(), day,
                                        [](const DailyAttempt& a, std::int64_t d) { return a.day < d; });
    if (found == m_attempts.end() || found->day != day) return std::nullopt;
    return *found;
}

std::vector<DailyAttempt> PlayStatistics::LastAttempts(std::size_t count) const {
    const std::size_t first = m_attempts.size() - std::min(count, m_attempts.size());
    return {m_attempts.begin() + static_cast<std::ptrdiff_t>(first), m_attempts.end()};
}

DailyAttempt* PlayStatistics::playingAttempt(std::int64_t day) {
    for (DailyAttempt& a : m_attempts)
        if (a.day == day) return a.state == AttemptState::Playing ? &a : nullptr;
    return nullptr;
}

void PlayStatistics::dropOldest() {
    while (m_attempts.size() > kMaxAttempts) {
        const DailyAttempt& oldest = m_attempts.front();
        if (oldest.state != AttemptState::Finished)
            m_earlier.length = 0;
        else if (m_earlier.length > 0 && m_earlier.endDay == oldest.day - 1)
            m_earlier.length = addOne(m_earlier.length);
        else
            m_earlier.length = 1;
        m_earlier.endDay = oldest.day;
        m_earlier.best = std::max(m_earlier.best, m_earlier.length);
        m_attempts.erase(m_attempts.begin());
    }
}

} // namespace store
