#include "game/CourtScene.hpp"

#include "engine/OWindow.hpp"
#include "game/ClipBall.hpp"
#include "platform/Platform.hpp"
#include "scene/ResolvePath.hpp"

namespace game {

using scene::OClip;
using scene::OGraph;

namespace {

constexpr float kSelectionDepth = -10.0f;
constexpr int kBallRate = 24;

} // namespace

const char* SoundFile(GameSound sound) {
    switch (sound) {
    case GameSound::Start: return "WAV\\start.wav";
    case GameSound::Bounce: return "WAV\\del.wav";
    case GameSound::Removed: return "WAV\\buh.wav";
    case GameSound::Bonus: return "WAV\\congr.wav";
    }
    return "";
}

CourtScene::CourtScene(engine::OWindow& window) : m_window(window) {}

CourtScene::~CourtScene() { ReleasePrototypes(); }

OClip* CourtScene::LoadStatic(const std::string& file) {
    auto* clip = new OClip;
    if (!clip->LoadFile(file)) {
        OGraph::Release(clip);
        return nullptr;
    }
    clip->SetStatic(true);
    return clip;
}

OClip* CourtScene::LoadShown(const std::string& file) {
    auto* clip = new OClip;
    if (!clip->LoadFile(file)) {
        OGraph::Release(clip);
        return nullptr;
    }
    return clip;
}

bool CourtScene::LoadBalls() {
    for (int k = 1; k <= 7; ++k) {
        m_prototypes[std::size_t(k - 1)] = LoadStatic("SKINS\\" + std::to_string(k) + ".clp");
        if (!m_prototypes[std::size_t(k - 1)]) return false;
    }
    return true;
}

void CourtScene::LoadMarkers(int courtLeft, int courtTop, int ballWidth) {
    if ((m_selection = LoadShown("SKINS\\chck.clp"))) {
        m_selection->SetVisible(false);
        m_window.AddObject(m_selection);
    }
    m_pathPrototype = LoadStatic("SKINS\\point.clp");
    if (OClip* marker = LoadStatic("SKINS\\z.clp")) {
        for (int i = 0; i < 16; ++i) {
            auto* clone = dynamic_cast<OClip*>(marker->Clone());
            if (!clone) continue;
            clone->SetPosition(float(i * ballWidth + courtLeft + 8), float(courtTop - 4), 0);
            m_window.AddObject(clone);
            clone->StopAtFrame(0);
            m_markers[std::size_t(i + 1)] = clone;
        }
        marker->SetStatic(false);
        OGraph::Release(marker);
    }
}

void CourtScene::LoadDigits(int courtWidth) {
    OClip* digits = LoadStatic("SKINS\\num.clp");
    if (!digits) return;
    const float digitWidth = digits->Width();
    for (int i = 0; i < 5; ++i) {
        auto* clone = dynamic_cast<OClip*>(digits->Clone());
        if (!clone) continue;
        clone->SetPosition(float(courtWidth + 35) + float(i) * (digitWidth + 5), 145, 0);
        m_window.AddObject(clone);
        clone->StopAtFrame(0);
        m_digits[std::size_t(i)] = clone;
    }
    digits->SetStatic(false);
    OGraph::Release(digits);
}

void CourtScene::ReleasePrototypes() {
    for (OClip*& prototype : m_prototypes) {
        if (OGraph::IsLive(prototype)) {
            prototype->SetStatic(false);
            OGraph::Release(prototype);
        }
        prototype = nullptr;
    }
    if (OGraph::IsLive(m_pathPrototype)) {
        m_pathPrototype->SetStatic(false);
        OGraph::Release(m_pathPrototype);
    }
    m_pathPrototype = nullptr;
}

Ball* CourtScene::CreateBall(int colour) {
    auto* ball = new ClipBall(colour);
    ball->CopyFrom(Prototype(colour));
    ball->SetFramesPerSecond(kBallRate);
    m_window.AddObject(ball);
    return ball;
}

void CourtScene::DestroyBall(Ball* ball) { OGraph::Release(static_cast<ClipBall*>(ball)); }

void CourtScene::PlaySound(GameSound sound, bool wait) {
    const std::string path = scene::ResolvePath(SoundFile(sound));
    if (!path.empty()) platform::CurrentPlatform().PlaySound(path, wait);
}

void CourtScene::AddPathDot(float x, float y) {
    if (!OGraph::IsLive(m_pathPrototype)) return;
    auto* dot = dynamic_cast<OClip*>(m_pathPrototype->Clone());
    if (!dot) return;
    dot->SetPosition(x, y, 0);
    dot->SetFramesPerSecond(0);
    m_window.AddObject(dot);
    m_pathDots.push_back(dot);
}

void CourtScene::ClearPathDots() {
    for (OClip* dot : m_pathDots) OGraph::Release(dot);
    m_pathDots.clear();
}

void CourtScene::PlayMarker(int column) {
    if (OClip* marker = m_markers[std::size_t(column)]; OGraph::IsLive(marker)) marker->PlayFromFrame(1);
}

void CourtScene::RestMarker(int column) {
    if (OClip* marker = m_markers[std::size_t(column)]; OGraph::IsLive(marker)) marker->StopAtFrame(0);
}

bool CourtScene::IsMarkerAtRest(int column) const {
    const OClip* marker = m_markers[std::size_t(column)];
    return !OGraph::IsLive(marker) || (marker->IsStopped() && marker->NextFrame() == 0);
}

void CourtScene::ShowSelection(int x, int y) {
    if (!OGraph::IsLive(m_selection)) return;
    m_selection->SetPosition(float(x), float(y), kSelectionDepth);
    m_selection->SetVisible(true);
}

void CourtScene::HideSelection() {
    if (OGraph::IsLive(m_selection)) m_selection->SetVisible(false);
}

void CourtScene::ShowScore(int value) {
    // The units are the last digit; places above the value's highest digit stay as they are.
    for (int place = 4; place >= 0 && value >= 1; --place) {
        const int digit = value % 10;
        value /= 10;
        OClip* clip = m_digits[std::size_t(place)];
        if (!OGraph::IsLive(clip) || clip->ShownFrame() == 5 * digit) continue;
        clip->PlayFromFrame(digit == 0 ? 46 : 5 * digit - 4);
    }
}

void CourtScene::ResetScore() {
    for (OClip* clip : m_digits)
        if (OGraph::IsLive(clip)) clip->StopAtFrame(0);
}

void CourtScene::SetFrameRate(int framesPerSecond) { m_window.SetFramesPerSecond(framesPerSecond); }

void CourtScene::RedrawAll() { m_window.AddDirtyRect({0, 0, m_window.Width(), m_window.Height()}); }

} // namespace game
