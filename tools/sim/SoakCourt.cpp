#include "SoakCourt.hpp"

#include <algorithm>
#include <vector>

#include "rules/BoardRules.hpp"

namespace sim {

SoakCourt::SoakCourt(const rules::GameSettings& settings, std::uint32_t seed)
    : m_settings(settings), m_scene(std::make_unique<rules::SimScene>()) {
    m_ownGame = std::make_unique<rules::TGame>(*m_scene, m_settings, rules::CourtGeometry{});
    m_game = m_ownGame.get();
    m_game->SetObserver(&m_observer);
    m_game->Seed(seed);
    m_game->NewGame();
}

SoakCourt::SoakCourt(HeadlessSession& session, const rules::GameSettings& settings, std::uint32_t seed)
    : m_settings(settings), m_session(&session) {
    rules::TSavedGame saved;
    saved.settings = settings;
    // An empty board cannot be restored, so the window starts a fresh one.
    saved.boardEmpty = true;
    game::GameWindowSetup setup;
    setup.preset = saved;
    setup.seed = seed;
    if (!session.Open(setup)) return;
    m_game = session.Game();
    m_game->SetObserver(&m_observer);
}

SoakCourt::~SoakCourt() {
    if (m_game) m_game->SetObserver(nullptr);
    if (m_session) m_session->Close();
}

void SoakCourt::Click(int x, int y) {
    if (m_session)
        m_session->Click(x, y);
    else
        m_game->Click(x, y);
}

void SoakCourt::Frame() {
    if (m_session) {
        m_session->Tick();
        return;
    }
    m_game->Step(m_time);
    m_scene->Tick(m_time);
    const int fps = m_scene->FrameRate();
    m_time += std::uint32_t(1000 / (fps > 0 ? fps : 1));
}

std::string SoakCourt::Violation() {
    if (!m_observer.CeilingProblem().empty()) return m_observer.CeilingProblem();
    const rules::TGame& game = *m_game;
    const rules::BallGrid& grid = game.Grid();

    for (int i = 0; i <= 17; ++i)
        if (grid[0][std::size_t(i)] || grid[17][std::size_t(i)] || grid[std::size_t(i)][0] ||
            grid[std::size_t(i)][17])
            return "a border cell holds a ball";

    std::vector<const rules::Ball*> all;
    std::array<int, rules::kColours> counted{};
    auto count = [&counted](const rules::Ball* ball) {
        if (ball->Colour() >= 1 && ball->Colour() <= rules::kColours)
            ++counted[std::size_t(ball->Colour() - 1)];
    };
    for (int row = 1; row <= 16; ++row)
        for (int column = 1; column <= 16; ++column)
            if (const rules::Ball* ball = grid[std::size_t(row)][std::size_t(column)]) {
                all.push_back(ball);
                count(ball);
            }
    for (const rules::Ball* ball : game.Flying()) {
        all.push_back(ball);
        count(ball);
    }
    for (const rules::Ball* ball : game.RemovalQueue()) all.push_back(ball);
    for (const rules::Ball* ball : game.FallingQueue()) {
        all.push_back(ball);
        count(ball);
    }
    for (int slot = 1; slot <= 16; ++slot)
        if (const rules::Ball* ball = game.CeilingRow()[std::size_t(slot)]) all.push_back(ball);

    std::vector<const rules::Ball*> sorted = all;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
        return "a ball is held in more than one place";
    if (m_scene && sorted.size() != m_scene->BallCount())
        return "the game holds " + std::to_string(sorted.size()) + " balls but the scene has " +
               std::to_string(m_scene->BallCount());

    for (int k = 1; k <= rules::kColours; ++k)
        if (game.ColourCounts()[std::size_t(k - 1)] != counted[std::size_t(k - 1)])
            return "the count of colour " + std::to_string(k) + " is " +
                   std::to_string(game.ColourCounts()[std::size_t(k - 1)]) + " but " +
                   std::to_string(counted[std::size_t(k - 1)]) + " balls have it (" +
                   std::to_string(game.Flying().size()) + " flying, " +
                   std::to_string(game.RemovalQueue().size()) + " being removed, " +
                   std::to_string(game.FallingQueue().size()) + " falling)";

    if (game.Score() < m_lastScore)
        return "the score fell from " + std::to_string(m_lastScore) + " to " + std::to_string(game.Score());
    m_lastScore = game.Score();
    return {};
}

} // namespace sim
