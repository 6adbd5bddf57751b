#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "HeadlessSession.hpp"
#include "SoakObserver.hpp"
#include "rules/GameSettings.hpp"
#include "rules/SimScene.hpp"
#include "rules/TGame.hpp"

namespace sim {

// One soak game: either the pure rules over a SimScene, or the headless game window. It
// forwards clicks, runs frames and checks the rules' invariants after each frame.
class SoakCourt {
public:
    // A pure game with its own scene and settings.
    SoakCourt(const rules::GameSettings& settings, std::uint32_t seed);
    // A game in a new window of the session; Started() tells whether it could start.
    SoakCourt(HeadlessSession& session, const rules::GameSettings& settings, std::uint32_t seed);
    ~SoakCourt();
    SoakCourt(const SoakCourt&) = delete;
    SoakCourt& operator=(const SoakCourt&) = delete;

    bool Started() const { return m_game != nullptr; }
    rules::TGame& Game() const { return *m_game; }
    const rules::GameSettings& Settings() const { return m_settings; }
    void Click(int x, int y);
    void Frame();

    // What the throws did since the report was last cleared.
    const rules::TThrowReport& Report() const { return m_observer.Report(); }
    void ClearReport() { m_observer.Clear(); }

    // What is wrong after the last frame, or empty.
    std::string Violation();

private:
    rules::GameSettings m_settings;
    std::unique_ptr<rules::SimScene> m_scene;
    std::unique_ptr<rules::TGame> m_ownGame;
    HeadlessSession* m_session = nullptr;
    rules::TGame* m_game = nullptr;
    std::uint32_t m_time = 1000;
    int m_lastScore = 0;
    SoakObserver m_observer;
};

} // namespace sim
