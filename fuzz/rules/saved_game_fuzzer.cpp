// Feeds arbitrary text to the saved-game reader: every value it keeps must lie within the
// bounds the game relies on, and writing the result and reading it again must give it back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "rules/TSavedGame.hpp"

namespace {

void check(bool condition) {
    if (!condition) __builtin_trap();
}

void checkBounds(const rules::TSavedGame& saved) {
    check(static_cast<int>(saved.settings.level) >= 0 && static_cast<int>(saved.settings.level) <= 2);
    check(static_cast<int>(saved.settings.speed) >= 0 && static_cast<int>(saved.settings.speed) <= 3);
    check(saved.score >= 0);
    bool empty = true;
    for (std::size_t r = 0; r < saved.cells.size(); ++r)
        for (std::size_t c = 0; c < saved.cells[r].size(); ++c) {
            const int v = saved.cells[r][c];
            check(v >= 0 && v <= 7);
            // The border rows and columns never hold a ball.
            if (r == 0 || r == 17 || c == 0 || c == 17) check(v == 0);
            if (v != 0) empty = false;
        }
    check(empty == saved.boardEmpty);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const rules::TSavedGame saved = rules::ParseSavedGame(text);
    checkBounds(saved);

    const rules::TSavedGame again = rules::ParseSavedGame(rules::FormatSavedGame(saved));
    checkBounds(again);
    check(again.settings.level == saved.settings.level && again.settings.speed == saved.settings.speed);
    check(again.settings.sound == saved.settings.sound && again.settings.autosave == saved.settings.autosave &&
          again.settings.showPath == saved.settings.showPath);
    // An ended game is written with the score 0.
    check(again.score == (saved.gameOver ? 0 : saved.score));
    check(again.gameOver == saved.gameOver);
    check(again.cells == saved.cells && again.boardEmpty == saved.boardEmpty);
    return 0;
}
