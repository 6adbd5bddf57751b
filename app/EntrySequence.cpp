#include "app/EntrySequence.hpp"

#include <string>

#include "app/CloseSignals.hpp"
#include "app/FullScreenBorder.hpp"
#include "app/WindowIcon.hpp"
#include "engine/OWindow.hpp"
#include "platform/Platform.hpp"

namespace app {

namespace {

constexpr std::uint32_t kBackground = 0x0099CCFF;
constexpr int kIntroStyle = platform::kBorderlessPopupStyle;

void showContentMissing() {
    platform::CurrentPlatform().ShowMessage(EntrySequence::kContentMissingText, "");
}

} // namespace

EntrySequence::EntrySequence(game::GameWindowSetup gameSetup, bool frameThreads)
    : m_gameSetup(std::move(gameSetup)), m_frameThreads(frameThreads) {}

std::optional<int> EntrySequence::Begin() {
    // A replay opened from the desktop is what the player asked to see: it comes at once,
    // without the intro.
    if (m_gameSetup.playback) {
        m_phase = Phase::Game;
        if (const std::optional<int> code = OpenGameWindow()) {
            m_phase = Phase::Ended;
            return code;
        }
        return std::nullopt;
    }
    m_intro = new game::OWndIntro(
        {kBackground, kIntroStyle, game::OWndIntro::kWidth, game::OWndIntro::kHeight, m_frameThreads});
    if (m_intro->CreateFailed() != 0) {
        // Never started, so no frame thread will free it: done at once, as Close would.
        engine::OWindow::Destroy(m_intro);
        m_intro = nullptr;
        m_phase = Phase::Ended;
        return kExitNoWindow;
    }
    m_intro->SetQuitOnDestroy(false);
    WindowIcon::SetOn(m_intro->PlatformWindow());
    if (!m_intro->Start()) {
        showContentMissing();
        m_intro->Close();
        m_phase = Phase::Ended;
        return kExitContentMissing;
    }
    m_introId = m_intro->PlatformWindow();
    m_intro->SetFullScreenSwitched(m_gameSetup.fullScreenSwitched);
    // The intro shows as the game window will, and F11 there chooses for both.
    FullScreenBorder::HandToPlatform();
    if (m_startFullScreen) platform::CurrentPlatform().SetFullScreen(m_introId, true);
    m_phase = Phase::Intro;
    return std::nullopt;
}

bool EntrySequence::CloseIfFinished(engine::OWindow* window, platform::WindowId id, bool& gone) {
    // Held locked, the window cannot be freed while it is asked; a window no longer routed
    // is already on its way out.
    engine::OWindow* locked = engine::OWindow::LockFromPlatformWindow(id);
    gone = locked != window;
    if (gone) {
        if (locked) locked->Lock().unlock();
        return false;
    }
    const bool finished = window->Finished() && !window->IsClosing();
    if (finished) window->Close();
    window->Lock().unlock();
    return finished;
}

std::optional<int> EntrySequence::AfterMessage() {
    if (m_phase == Phase::Intro) {
        bool gone = false;
        // Read while the intro is there: the game window opens as the intro was left.
        const bool introFull = platform::CurrentPlatform().IsFullScreen(m_introId);
        if (CloseIfFinished(m_intro, m_introId, gone)) {
            m_startFullScreen = introFull;
            m_phase = Phase::Game;
        } else if (gone) {
            // Closed through the desktop or by a signal: the program ends in order.
            m_phase = Phase::Ended;
            return 0;
        }
    }
    if (m_phase == Phase::Game && !m_game) {
        if (const std::optional<int> code = OpenGameWindow()) {
            m_phase = Phase::Ended;
            return code;
        }
    }
    if (m_phase == Phase::Game && m_game) {
        // The quit confirmation finishes the game window; closing it saves the game, and its
        // destruction posts the quit that ends the loop.
        bool gone = false;
        if (CloseIfFinished(m_game, m_gameId, gone) || gone) m_phase = Phase::Ended;
    }
    // Taken only now that the sequence has moved on, so that a signal sent while the intro
    // gave way to the game window reaches the game window.
    if (CloseSignals::TakeRequest()) return CloseCurrent();
    return std::nullopt;
}

std::optional<int> EntrySequence::CloseCurrent() {
    switch (m_phase) {
    case Phase::Intro: {
        // Closed here and now: a posted close could arrive after the intro had finished and
        // given way, and be lost. The program ends as when the intro is closed from outside.
        engine::OWindow* locked = engine::OWindow::LockFromPlatformWindow(m_introId);
        if (locked == m_intro && !m_intro->IsClosing()) m_intro->Close();
        if (locked) locked->Lock().unlock();
        m_phase = Phase::Ended;
        return 0;
    }
    case Phase::Game:
        // As a close from the desktop: the game is saved, and the window's destruction posts
        // the quit that ends the loop.
        m_game->PostClose();
        return std::nullopt;
    case Phase::Ended:
        // Closing already.
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<int> EntrySequence::OpenGameWindow() {
    m_game = game::NewCourtWindow(nullptr, {kBackground, kGameStyle, kGameWidth, kGameHeight, m_frameThreads},
                                  m_gameSetup);
    m_game->SetTitle(m_gameSetup.playback ? kReplayTitle : "Hoopstack");
    if (m_game->CreateFailed() != 0) {
        engine::OWindow::Destroy(m_game);
        m_game = nullptr;
        return kExitNoWindow;
    }
    m_game->SetQuitOnDestroy(true);
    WindowIcon::SetOn(m_game->PlatformWindow());
    if (!m_game->Start()) {
        showContentMissing();
        // Its destruction would post a quit; this end has its own code.
        m_game->SetQuitOnDestroy(false);
        m_game->Close();
        return kExitContentMissing;
    }
    if (const std::string problem = m_game->Problem(); !problem.empty()) {
        // The game shown would not be the one recorded.
        platform::CurrentPlatform().ShowMessage("Could not show the replay: " + problem + ".", "Hoopstack");
        m_game->SetQuitOnDestroy(false);
        m_game->Close();
        return kExitContentMissing;
    }
    m_game->Render();
    m_gameId = m_game->PlatformWindow();
    // The tile is there before the first switch, whether it comes now or by a key.
    FullScreenBorder::HandToPlatform();
    if (m_startFullScreen) platform::CurrentPlatform().SetFullScreen(m_gameId, true);
    return std::nullopt;
}

} // namespace app
