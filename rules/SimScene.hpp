#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "rules/Ball.hpp"
#include "rules/GameScene.hpp"

namespace rules {

// A ball as a plain record, for simulations without a window.
class SimBall : public Ball {
public:
    static constexpr int kFrames = 24;

    explicit SimBall(int colour, int frames = kFrames) : Ball(colour), m_frames(frames) {}
    float Left() const override { return m_x; }
    float Top() const override { return m_y; }
    float SpeedX() const override { return m_vx; }
    float SpeedY() const override { return m_vy; }
    void Place(float x, float y, float depth) override;
    void SetDepth(float depth) override { m_depth = depth; }
    void SetSpeed(float vx, float vy) override;
    void PlayFrom(int frame) override;
    void PauseAt(int frame) override;
    bool IsPlaying() const override { return m_playing; }
    int FrameCount() const override { return m_frames; }
    float Depth() const { return m_depth; }
    int Frame() const { return m_frame; }

    // Moves by the velocity as a scene object's tick does: a purely horizontal velocity
    // waits for the object's first tick.
    void Tick(std::uint32_t time);

    std::size_t index = 0;  // its place in the scene's list

private:
    int m_frames;
    float m_x = 0, m_y = 0, m_depth = 0;
    float m_vx = 0, m_vy = 0;
    bool m_playing = false;
    int m_frame = 0;
    std::uint32_t m_lastTick = 0;
};

// The scene of a pure simulation: balls as records, everything else remembered only as far
// as tests want to look at it.
class SimScene : public GameScene {
public:
    // Balls of every colour have SimBall::kFrames frames.
    SimScene();
    // Balls of colour c have frameCounts[c - 1] frames (a replay's recorded clips).
    explicit SimScene(const std::array<int, 7>& frameCounts);
    ~SimScene() override;

    Ball* CreateBall(int colour) override;
    void DestroyBall(Ball* ball) override;
    void PlaySound(GameSound sound, bool wait) override;
    void AddPathDot(float x, float y) override;
    void ClearPathDots() override { m_pathDots = 0; }
    void PlayMarker(int column) override { m_markerPlaying[std::size_t(column)] = true; }
    void RestMarker(int column) override { m_markerPlaying[std::size_t(column)] = false; }
    bool IsMarkerAtRest(int column) const override { return !m_markerPlaying[std::size_t(column)]; }
    void ShowSelection(int x, int y) override;
    void HideSelection() override { m_selectionShown = false; }
    void ShowScore(int value) override { m_shownScore = value; }
    void ResetScore() override { m_shownScore = 0; }
    void SetFrameRate(int framesPerSecond) override { m_frameRate = framesPerSecond; }
    void RedrawAll() override {}

    // The scene's part of a frame: every ball moves by its velocity.
    void Tick(std::uint32_t time);

    std::size_t BallCount() const { return m_balls.size(); }
    const std::vector<GameSound>& Sounds() const { return m_sounds; }
    void ClearSounds() { m_sounds.clear(); }
    void SetRecordSounds(bool record) { m_recordSounds = record; }
    int PathDots() const { return m_pathDots; }
    bool SelectionShown() const { return m_selectionShown; }
    int SelectionX() const { return m_selectionX; }
    int SelectionY() const { return m_selectionY; }
    int ShownScore() const { return m_shownScore; }
    int FrameRate() const { return m_frameRate; }
    bool MarkerPlaying(int column) const { return m_markerPlaying[std::size_t(column)]; }

private:
    std::array<int, 7> m_frameCounts;
    std::vector<std::unique_ptr<SimBall>> m_balls;
    std::vector<GameSound> m_sounds;
    bool m_recordSounds = false;
    int m_pathDots = 0;
    std::array<bool, 17> m_markerPlaying{};
    bool m_selectionShown = false;
    int m_selectionX = 0, m_selectionY = 0;
    int m_shownScore = 0;
    int m_frameRate = 50;
};

} // namespace rules
