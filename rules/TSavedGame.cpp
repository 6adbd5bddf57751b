#include "rules/TSavedGame.hpp"

#include <cctype>
#include <cstdint>

#include "store/TScoresTable.hpp"

namespace rules {

namespace {

// Leading white space, an optional sign, then digits up to the first other character;
// saturates instead of overflowing.
int parseField(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && std::isspace(static_cast<unsigned char>(field[i]))) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
    std::int64_t value = 0;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        value = value * 10 + (field[i] - '0');
        if (value > 2147483648LL) value = 2147483648LL;
    }
    if (negative) value = -value;
    if (value > 2147483647LL) value = 2147483647LL;
    return int(value);
}

} // namespace

std::string FormatSavedGame(const TSavedGame& saved) {
    std::string text;
    text.reserve(600);
    auto put = [&](int v) {
        text += std::to_string(v);
        text += '\t';
    };
    const GameSettings& s = saved.settings;
    put(static_cast<int>(s.level));
    put(s.sound ? 1 : 0);
    put(s.autosave ? 1 : 0);
    put(s.showPath ? 1 : 0);
    put(static_cast<int>(s.speed));
    put(saved.gameOver ? 0 : saved.score);
    put(saved.gameOver ? 1 : 0);
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 16; ++c) put(saved.cells[r][c]);
    return text;
}

TSavedGame ParseSavedGame(std::string_view text, const TSavedGame& base) {
    TSavedGame saved = base;
    for (auto& row : saved.cells) row.fill(0);
    saved.boardEmpty = true;
    std::size_t at = 0;
    for (int field = 0; field < TSavedGame::kFields && at <= text.size(); ++field) {
        const std::size_t tab = text.find('\t', at);
        const std::size_t end = tab == std::string_view::npos ? text.size() : tab;
        const std::string_view part = text.substr(at, end - at);
        at = end + 1;
        if (field >= 7) {
            const int index = field - 7;
            const int v = part.empty() ? 0 : parseField(part);
            const int colour = v >= 0 && v <= 7 ? v : 0;
            saved.cells[1 + index / 16][1 + index % 16] = colour;
            if (colour != 0) saved.boardEmpty = false;
        } else if (!part.empty()) {
            const int v = parseField(part);
            switch (field) {
            case 0: saved.settings.level = Level(v >= 0 && v < kLevels ? v : 0); break;
            case 1: saved.settings.sound = v != 0; break;
            case 2: saved.settings.autosave = v != 0; break;
            case 3: saved.settings.showPath = v != 0; break;
            case 4: saved.settings.speed = Speed(v >= 0 && v <= 3 ? v : 0); break;
            case 5: saved.score = v < 0 ? 0 : v; break;
            case 6: saved.gameOver = v != 0; break;
            }
        }
        if (tab == std::string_view::npos) break;
    }
    return saved;
}

std::optional<TSavedGame> LoadSavedGame(const std::string& path) {
    std::string text;
    store::TScoresTable table;
    if (!table.loadText(path, text) || text.empty()) return std::nullopt;
    return ParseSavedGame(text);
}

bool StoreSavedGame(const std::string& path, const TSavedGame& saved, std::string* error) {
    return store::TScoresTable().writeEncrypted(path, FormatSavedGame(saved), error);
}

} // namespace rules
