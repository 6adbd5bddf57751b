#pragma once

#include "rules/Ball.hpp"
#include "scene/OClip.hpp"

namespace game {

// A ball on screen: a clone of its colour's clip whose position, velocity and animation
// are the ones the rules read and write.
class ClipBall : public scene::OClip, public rules::Ball {
public:
    explicit ClipBall(int colour) : rules::Ball(colour) {}

    float Left() const override { return X(); }
    float Top() const override { return Y(); }
    float SpeedX() const override { return VelocityX(); }
    float SpeedY() const override { return VelocityY(); }
    void Place(float x, float y, float depth) override { SetPosition(x, y, depth); }
    void SetDepth(float depth) override { SetPosition(RelativeX(), RelativeY(), depth); }
    void SetSpeed(float vx, float vy) override { SetVelocity(vx, vy, 0); }
    void PlayFrom(int frame) override { PlayFromFrame(frame); }
    void PauseAt(int frame) override { StopAtFrame(frame); }
    bool IsPlaying() const override { return !IsStopped(); }
    int FrameCount() const override { return OClip::FrameCount(); }
};

} // namespace game
