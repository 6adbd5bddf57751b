#pragma once

#include <cstdint>
#include <optional>

#include "game/CourtWindows.hpp"
#include "game/OWndIntro.hpp"
#include "platform/Platform.hpp"

namespace app {

// The program's windows one after the other: the intro until it finishes, then the game
// window until it closes; a game window showing a replay comes at once, without the intro.
// Lives on the main thread and moves on after every message the main loop dispatches; an
// exit code it returns ends the loop. A close signal (CloseSignals) reaches whichever window
// is current once the sequence has moved on after the message that woke it.
class EntrySequence {
public:
    enum class Phase { Intro, Game, Ended };

    // Exit codes besides 0, the normal end.
    static constexpr int kExitContentMissing = 1;
    static constexpr int kExitNoWindow = 2;
    // The message shown before the program ends for want of its content.
    static constexpr const char* kContentMissingText = "Could not read clip";
    // The title of a game window that shows a replay.
    static constexpr const char* kReplayTitle = "Hoopstack replay";
    // The game window's client size in the program's pixels, and its style kind.
    static constexpr int kGameWidth = 750;
    static constexpr int kGameHeight = 600;
    static constexpr int kGameStyle = platform::kFramedPopupStyle;
    // What the game window covers on the screen, its frame included.
    static constexpr platform::Size GameOuterSize() {
        return {platform::OuterSide(kGameWidth, kGameStyle), platform::OuterSide(kGameHeight, kGameStyle)};
    }

    // `frameThreads` false leaves the windows' frames to the caller (tests).
    explicit EntrySequence(game::GameWindowSetup gameSetup, bool frameThreads = true);
    EntrySequence(const EntrySequence&) = delete;
    EntrySequence& operator=(const EntrySequence&) = delete;

    // Opens and starts the intro (the game window for a replay); an exit code when the
    // program cannot go on.
    [[nodiscard]] std::optional<int> Begin();
    // Moves the sequence on; called after each dispatched message.
    [[nodiscard]] std::optional<int> AfterMessage();

    // Whether the intro and the game window open on the full screen (see
    // Platform::SetFullScreen), its border the program's own tile; false, the default, opens
    // them in their windows. F11 or Alt+Enter on the intro changes it for the game window. Set
    // before Begin.
    void StartFullScreen(bool full) { m_startFullScreen = full; }

    Phase CurrentPhase() const { return m_phase; }
    // The windows as opened; each is freed by its frame thread once closed.
    game::OWndIntro* Intro() const { return m_intro; }
    game::OCourtWindow* GameWindow() const { return m_game; }

private:
    std::optional<int> OpenGameWindow();
    // Hands a close signal's request to the current window; an exit code when that ends the
    // program at once.
    std::optional<int> CloseCurrent();
    // Closes the window when it is there, has finished and is not closing yet. Sets `gone`
    // when the window is no longer there (closed through the desktop or a signal).
    static bool CloseIfFinished(engine::OWindow* window, platform::WindowId id, bool& gone);

    game::GameWindowSetup m_gameSetup;
    bool m_frameThreads;
    Phase m_phase = Phase::Intro;
    game::OWndIntro* m_intro = nullptr;
    platform::WindowId m_introId = 0;
    game::OCourtWindow* m_game = nullptr;
    platform::WindowId m_gameId = 0;
    bool m_startFullScreen = false;
};

} // namespace app
