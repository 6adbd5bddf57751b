#pragma once

#include <optional>

#include "game/CourtCursor.hpp"

namespace rules {
class TGame;
}

namespace game {

// What a court key asked for.
struct CourtKeyAnswer {
    bool handled = false;            // it was a court key; nothing else is to act on it
    std::optional<CourtPoint> click; // the left click the window is to make, as a mouse would
};

// Play on the court with keys: the arrows move the highlighted cell, then the aim mark (4
// pixels, 1 with Shift, faster while held); Space or Enter click on the highlighted free
// ball, then at the aim mark; Escape or Backspace go back to picking where the level lets the
// player pick. Every effect on the game is a click the window makes, so a game played with
// keys records, replays and verifies as a mouse's does. The cursor shows only once a key was
// used, until the mouse moves.
class CourtKeys {
public:
    explicit CourtKeys(const rules::CourtGeometry& court);

    CourtKeyAnswer KeyDown(int code, const rules::TGame& game);
    void KeyUp(int code);
    // After the window made the click KeyDown asked for: the cursor follows the selection.
    void Clicked(const rules::TGame& game);
    // Once a frame: a new turn or a new game moves the cursor to the selected ball. True
    // when what shows changed.
    bool Follow(const rules::TGame& game);
    // The mouse at (x, y): a move hides the cursor. True when it was shown.
    bool MouseMoved(int x, int y);
    // Forgets held keys, as when the window loses the focus.
    void ReleaseKeys();

    bool Visible() const { return m_visible; }
    const CourtCursor& Cursor() const { return m_cursor; }

    // Shows the cursor, placed as the game's turn stands: on the selected ball, to pick or
    // to aim from it as the level has it.
    void Reveal(const rules::TGame& game);
    // Moves the cursor by one step in the direction, as an arrow key's press does.
    void Step(CursorDirection direction, int repeats);
    // The click Space or Enter makes now, if any.
    std::optional<CourtPoint> Press(const rules::TGame& game) const;
    // Back to picking from the selected ball, where the level allows a new pick; true if so.
    bool GiveUp(const rules::TGame& game);
    // Moves the aim mark by a whole number of pixels (a stick's travel); nothing while picking.
    void Nudge(int dx, int dy);

private:
    CourtCursor m_cursor;
    bool m_visible = false;
    bool m_shift = false;
    int m_heldKey = 0;
    int m_repeats = 0;
    rules::Cell m_seenSelection;
    bool m_turnPlayed = false; // balls moved since the cursor last followed the selection
    std::optional<CourtPoint> m_mouse;
};

// Whether the level being played lets the player pick the ball to throw.
bool PlayerPicks();

} // namespace game
