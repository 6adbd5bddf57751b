#pragma once

#include "rules/Ball.hpp"

namespace rules {

enum class GameSound { Start, Bounce, Removed, Bonus };

// What the rules ask of the screen: balls to make and destroy, the markers, the path, the
// selection, the score display, the frame rate and the sounds. The game window shows all
// of it; a pure simulation keeps only the balls.
class GameScene {
public:
    virtual ~GameScene() = default;

    // A new ball of the colour (1-7), shown at the origin until placed; never null.
    virtual Ball* CreateBall(int colour) = 0;
    // Takes the ball off the screen and frees it.
    virtual void DestroyBall(Ball* ball) = 0;

    virtual void PlaySound(GameSound sound, bool wait) = 0;
    virtual void AddPathDot(float x, float y) = 0;
    virtual void ClearPathDots() = 0;

    // The marker above a column (1-16) plays from frame 1, or rests on frame 0.
    virtual void PlayMarker(int column) = 0;
    virtual void RestMarker(int column) = 0;
    virtual bool IsMarkerAtRest(int column) const = 0;

    // The selection marker's top-left corner; hidden until shown.
    virtual void ShowSelection(int x, int y) = 0;
    virtual void HideSelection() = 0;

    // Rolls the score digits to the value; Reset puts them back on 0 without animation.
    virtual void ShowScore(int value) = 0;
    virtual void ResetScore() = 0;

    virtual void SetFrameRate(int framesPerSecond) = 0;
    virtual void RedrawAll() = 0;
};

} // namespace rules
