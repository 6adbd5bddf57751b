#pragma once

namespace rules {

// The rules' view of one ball: a picture with a position (its top-left corner), a
// per-frame velocity that the scene applies once per frame, and an animation. On screen
// it is a clone of the clip of its colour; in pure simulations a plain record.
class Ball {
public:
    explicit Ball(int colour) : m_colour(colour) {}
    virtual ~Ball() = default;
    Ball(const Ball&) = delete;
    Ball& operator=(const Ball&) = delete;

    // 1-7.
    int Colour() const { return m_colour; }

    virtual float Left() const = 0;
    virtual float Top() const = 0;
    virtual float SpeedX() const = 0;
    virtual float SpeedY() const = 0;
    virtual void Place(float x, float y, float depth) = 0;
    virtual void SetDepth(float depth) = 0;
    virtual void SetSpeed(float vx, float vy) = 0;
    // Plays from the frame, or on from where it stands when the frame is -1.
    virtual void PlayFrom(int frame) = 0;
    // Stops on the frame, or where it stands when the frame is -1.
    virtual void PauseAt(int frame) = 0;
    virtual bool IsPlaying() const = 0;
    virtual int FrameCount() const = 0;

private:
    int m_colour;
};

} // namespace rules
