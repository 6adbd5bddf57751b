#include "rules/SimScene.hpp"

#include <cassert>

namespace rules {

void SimBall::Place(float x, float y, float depth) {
    m_x = x;
    m_y = y;
    m_depth = depth;
}

void SimBall::SetSpeed(float vx, float vy) {
    m_vx = vx;
    m_vy = vy;
}

void SimBall::PlayFrom(int frame) {
    m_playing = true;
    if (frame >= 0 && frame < m_frames) m_frame = frame;
}

void SimBall::PauseAt(int frame) {
    m_playing = false;
    if (frame >= 0 && frame < m_frames) m_frame = frame;
}

void SimBall::Tick(std::uint32_t time) {
    if ((m_lastTick != 0 && m_vx != 0) || m_vy != 0) {
        m_x += m_vx;
        m_y += m_vy;
    }
    m_lastTick = time;
}

SimScene::SimScene() { m_frameCounts.fill(SimBall::kFrames); }
SimScene::SimScene(const std::array<int, 7>& frameCounts) : m_frameCounts(frameCounts) {}
SimScene::~SimScene() = default;

Ball* SimScene::CreateBall(int colour) {
    const int frames = colour >= 1 && colour <= 7 ? m_frameCounts[std::size_t(colour - 1)] : SimBall::kFrames;
    auto ball = std::make_unique<SimBall>(colour, frames);
    ball->index = m_balls.size();
    m_balls.push_back(std::move(ball));
    return m_balls.back().get();
}

void SimScene::DestroyBall(Ball* ball) {
    auto* sim = static_cast<SimBall*>(ball);
    const std::size_t index = sim->index;
    assert(index < m_balls.size() && m_balls[index].get() == sim);
    if (index + 1 != m_balls.size()) {
        std::swap(m_balls[index], m_balls.back());
        m_balls[index]->index = index;
    }
    m_balls.pop_back();
}

void SimScene::PlaySound(GameSound sound, bool) {
    if (m_recordSounds) m_sounds.push_back(sound);
}

void SimScene::AddPathDot(float, float) { ++m_pathDots; }

void SimScene::ShowSelection(int x, int y) {
    m_selectionShown = true;
    m_selectionX = x;
    m_selectionY = y;
}

void SimScene::Tick(std::uint32_t time) {
    for (const auto& ball : m_balls) ball->Tick(time);
}

} // namespace rules
