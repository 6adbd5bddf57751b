#pragma once

#include <array>
#include <initializer_list>
#include <cstdint>

#include "engine/OWindow.hpp"
#include "game/FullScreenKeys.hpp"
#include "scene/OClip.hpp"

namespace game {

// The animated intro: the two halves of the emblem slide in from both sides and meet in the
// middle, move apart upwards and downwards, and the title fades in between them. Every tick makes
// the halves more opaque until the title appears, then the title, until the intro finishes
// by itself about three seconds later or at the first key or click. A finished intro posts
// a mouse move to its own window so that the main loop wakes and moves on.
class OWndIntro : public engine::OWindow {
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 400;

    // The animation phases.
    static constexpr int kSlideIn = 0;
    static constexpr int kSeparate = 1;
    static constexpr int kShowTitle = 2;

    // An intro has no owner; its size comes from the creation parameters (kWidth x kHeight).
    explicit OWndIntro(const engine::CreationParams& params);

    // Loads the three logos; on a failure marks the creation failed (2) and returns false.
    bool Start() override;
    void Stop() override;
    void Tick(std::uint32_t time) override;
    // F11 and Alt+Enter switch the intro between its window and the full screen and tell the
    // callback set with SetFullScreenSwitched; Alt alone does nothing; any other key or a
    // click ends the intro.
    void KeyDown(int code, int x, int y) override;
    void KeyUp(int code, int x, int y) override;
    void FocusChanged(bool gained) override;
    // Told, on the main thread, which way F11 or Alt+Enter switched the intro.
    void SetFullScreenSwitched(std::function<void(bool full)> switched) {
        m_fullScreenSwitched = std::move(switched);
    }

    int Phase() const { return m_phase; }
    // Logo 1 (the upper half), 2 (the lower half) or 3 (the title); null before Start.
    scene::OClip* Logo(int number) const;

    // The blend counter, one per process: a later intro goes on from where the last one left it.
    static std::int32_t BlendCounter();
    // Puts the counter back to its value at program start (tests).
    static void ResetBlendCounter();

private:
    // Sets the finished flag and wakes the main loop.
    void Finish();
    void SlideIn();
    void Separate();
    void ShowTitle();
    // Steps the counter down and blends the given logos with it while it is positive.
    void FadeStep(std::initializer_list<scene::OClip*> logos);
    bool LogosLive() const;

    std::array<scene::OClip*, 3> m_logos{};
    int m_phase = kSlideIn;
    FullScreenKeys m_fullScreenKeys;
    std::function<void(bool)> m_fullScreenSwitched;
};

} // namespace game
