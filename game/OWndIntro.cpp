#include "game/OWndIntro.hpp"

#include <atomic>

#include "game/IntroMotion.hpp"
#include "platform/KeyCodes.hpp"
#include "scene/AssetNames.hpp"

namespace game {

using scene::OClip;
using scene::OGraph;

namespace {

constexpr const char* kLogoFiles[3] = {scene::assets::kLogoLeft, scene::assets::kLogoRight,
                                       scene::assets::kLogoTitle};
constexpr int kFramesPerSecond = 25;

// Shared by every intro of the process, as the intro's fade goes on where the last one ended.
std::atomic<std::int32_t> blendCounter{kIntroBlendStart};

int left(const OClip* clip) { return int(clip->X()); }
int top(const OClip* clip) { return int(clip->Y()); }
int width(const OClip* clip) { return int(clip->Width()); }
int height(const OClip* clip) { return int(clip->Height()); }

void placeAt(OClip* clip, int x, int y) { clip->SetPosition(float(x), float(y), clip->RelativeZ()); }

} // namespace

OWndIntro::OWndIntro(const engine::CreationParams& params) : OWindow(nullptr, params) {}

std::int32_t OWndIntro::BlendCounter() { return blendCounter; }

void OWndIntro::ResetBlendCounter() { blendCounter = kIntroBlendStart; }

OClip* OWndIntro::Logo(int number) const {
    return number >= 1 && number <= 3 ? m_logos[std::size_t(number - 1)] : nullptr;
}

bool OWndIntro::Start() {
    std::lock_guard lock(Lock());
    std::array<OClip*, 3> loaded{};
    bool all = true;
    for (std::size_t i = 0; i < loaded.size() && all; ++i) {
        loaded[i] = new OClip;
        all = loaded[i]->LoadFile(kLogoFiles[i]);
    }
    if (!all) {
        for (OClip* clip : loaded) OGraph::Release(clip);
        SetContentMissing();
        return false;
    }
    m_logos = loaded;
    OClip* upper = m_logos[0];
    OClip* lower = m_logos[1];
    // The upper half waits right of the window above the middle line, the lower half left
    // of it below the line; the title is added once they have moved apart.
    placeAt(upper, kWidth, kHeight / 2 - height(upper));
    placeAt(lower, -width(lower), kHeight / 2);
    AddObject(upper);
    AddObject(lower);
    SetDragRect(0, 0, 0, 0);
    m_phase = kSlideIn;
    SetFramesPerSecond(kFramesPerSecond);
    return OWindow::Start();
}

void OWndIntro::Stop() {
    std::lock_guard lock(Lock());
    // The title belongs to the intro until it is shown; the window releases what it holds.
    if (OClip* title = m_logos[2]; OGraph::IsLive(title) && title->Window() == nullptr) OGraph::Release(title);
    m_logos = {};
    OWindow::Stop();
}

bool OWndIntro::LogosLive() const {
    for (const OClip* clip : m_logos)
        if (!OGraph::IsLive(clip)) return false;
    return true;
}

void OWndIntro::Tick(std::uint32_t time) {
    std::lock_guard lock(Lock());
    if (!IsClosing() && LogosLive()) {
        // A phase entered in this tick already runs in it.
        if (m_phase == kSlideIn) SlideIn();
        if (m_phase == kSeparate) Separate();
        if (m_phase == kShowTitle) ShowTitle();
    }
    OWindow::Tick(time);
}

void OWndIntro::FadeStep(std::initializer_list<OClip*> logos) {
    const std::int32_t level = blendCounter -= kIntroBlendStep;
    if (level > 0)
        for (OClip* clip : logos) clip->SetBlend(level);
}

void OWndIntro::SlideIn() {
    OClip* upper = m_logos[0];
    OClip* lower = m_logos[1];
    FadeStep({upper, lower});
    bool upperIn = false, lowerIn = false;
    if (UpperHalfSlidIn(left(upper), width(upper), kWidth)) {
        placeAt(upper, CentredX(width(upper), kWidth), top(upper));
        upperIn = true;
    } else {
        upper->MoveBy(-kIntroStep, 0, 0);
    }
    if (LowerHalfSlidIn(left(lower), width(lower), kWidth)) {
        placeAt(lower, CentredX(width(lower), kWidth), top(lower));
        lowerIn = true;
    } else {
        lower->MoveBy(kIntroStep, 0, 0);
    }
    if (upperIn && lowerIn) m_phase = kSeparate;
}

void OWndIntro::Separate() {
    OClip* upper = m_logos[0];
    OClip* lower = m_logos[1];
    OClip* title = m_logos[2];
    FadeStep({upper, lower});
    bool upperOut = false, lowerOut = false;
    if (UpperHalfApart(top(upper)))
        upperOut = true;
    else
        upper->MoveBy(0, -kIntroStep, 0);
    if (LowerHalfApart(top(lower), height(lower), kHeight))
        lowerOut = true;
    else
        lower->MoveBy(0, kIntroStep, 0);
    if (!(upperOut && lowerOut)) return;
    placeAt(title, CentredX(width(title), kWidth), TitleY(top(upper), height(upper), top(lower), height(title)));
    AddObject(title);
    title->SetBlend(blendCounter);
    blendCounter = kIntroBlendStart;
    m_phase = kShowTitle;
}

void OWndIntro::ShowTitle() {
    if (blendCounter < kIntroBlendEnd) Finish();
    FadeStep({m_logos[2]});
}

void OWndIntro::KeyDown(int code, int, int) {
    if (m_fullScreenKeys.KeyDown(code)) {
        FullScreenKeys::Switch(PlatformWindow(), m_fullScreenSwitched);
        return;
    }
    // Alt alone may be the start of Alt+Enter.
    if (code != platform::Key_Alt) Finish();
}

void OWndIntro::KeyUp(int code, int x, int y) {
    m_fullScreenKeys.KeyUp(code);
    OWindow::KeyUp(code, x, y);
}

void OWndIntro::FocusChanged(bool gained) {
    if (!gained) m_fullScreenKeys.Release();
    OWindow::FocusChanged(gained);
}

void OWndIntro::Finish() {
    SetFinished(true);
    PostMouseMove();
}

} // namespace game
