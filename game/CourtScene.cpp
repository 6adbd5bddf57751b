#include "game/CourtScene.hpp"

#include <algorithm>

#include "engine/OWindow.hpp"
#include "game/ClipBall.hpp"
#include "game/ScoreLayout.hpp"
#include "platform/Platform.hpp"
#include "scene/AssetNames.hpp"
#include "scene/ResolvePath.hpp"

namespace game {

using scene::OClip;
using scene::OGraph;

namespace {

constexpr float kSelectionDepth = -10.0f;
constexpr int kBallRate = 24;

} // namespace

const char* SoundFile(rules::GameSound sound) {
    switch (sound) {
    case rules::GameSound::Start:
        return scene::assets::kThrowSound;
    case rules::GameSound::Bounce:
        return scene::assets::kBounceSound;
    case rules::GameSound::Removed:
        return scene::assets::kRemovedSound;
    case rules::GameSound::Bonus:
        return scene::assets::kBonusSound;
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
        m_prototypes[std::size_t(k - 1)] = LoadStatic(scene::assets::kBalls[k - 1]);
        if (!m_prototypes[std::size_t(k - 1)]) return false;
    }
    return true;
}

void CourtScene::LoadMarkers(int courtLeft, int courtTop, int ballWidth) {
    if ((m_selection = LoadShown(scene::assets::kSelection))) {
        m_selection->SetVisible(false);
        m_window.AddObject(m_selection);
    }
    m_pathPrototype = LoadStatic(scene::assets::kPathDot);
    if (OClip* marker = LoadStatic(scene::assets::kColumnMarker)) {
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
    m_courtWidth = courtWidth;
    if (OClip* digits = LoadStatic(scene::assets::kDigits)) {
        const std::vector<int> lefts = WideDigitLefts(courtWidth, int(digits->Width()));
        for (int i = 0; i < kWidePlaces; ++i) {
            auto* clone = dynamic_cast<OClip*>(digits->Clone());
            if (!clone) continue;
            clone->SetPosition(float(lefts[std::size_t(i)]), 145, 0);
            m_window.AddObject(clone);
            clone->StopAtFrame(0);
            m_digits[std::size_t(i)] = clone;
        }
        digits->SetStatic(false);
        OGraph::Release(digits);
    }
    // Long scores need the narrow drums; without them the wide row shows the last five places.
    if (OClip* narrow = LoadStatic(scene::assets::kNarrowDigits)) {
        for (OClip*& slot : m_narrow) {
            slot = dynamic_cast<OClip*>(narrow->Clone());
            if (!slot) continue;
            m_window.AddObject(slot);
            slot->StopAtFrame(0);
            slot->SetVisible(false);
        }
        narrow->SetStatic(false);
        OGraph::Release(narrow);
    }
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

rules::Ball* CourtScene::CreateBall(int colour) {
    auto* ball = new ClipBall(colour);
    ball->CopyFrom(Prototype(colour));
    ball->SetFramesPerSecond(kBallRate);
    m_window.AddObject(ball);
    return ball;
}

void CourtScene::DestroyBall(rules::Ball* ball) {
    OGraph::Release(static_cast<ClipBall*>(ball));
}

void CourtScene::PlaySound(rules::GameSound sound, bool wait) {
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

namespace {

// Rolls a drum to `digit` unless it shows it already; the roll ends on the digit's frame.
void RollTo(OClip* clip, int digit) {
    if (!OGraph::IsLive(clip) || clip->ShownFrame() == 5 * digit) return;
    clip->PlayFromFrame(digit == 0 ? 46 : 5 * digit - 4);
}

} // namespace

void CourtScene::ShowNarrowPlaces(int places) {
    if (places == m_narrowPlaces) return;
    for (OClip* clip : m_digits)
        if (OGraph::IsLive(clip)) clip->SetVisible(places == 0);
    const float width = OGraph::IsLive(m_narrow[0]) ? m_narrow[0]->Width() : 0;
    const std::vector<int> lefts = NarrowDigitLefts(m_courtWidth, int(width), places);
    for (int power = 0; power < kMostPlaces; ++power) {
        OClip* clip = m_narrow[std::size_t(power)];
        if (!OGraph::IsLive(clip)) continue;
        const bool shown = power < places;
        if (shown) clip->SetPosition(float(lefts[std::size_t(places - 1 - power)]), 145, clip->RelativeZ());
        if (!shown) clip->StopAtFrame(0);
        clip->SetVisible(shown);
    }
    m_narrowPlaces = places;
}

void CourtScene::ShowScore(int value) {
    const int places = ScorePlaces(value);
    const bool narrow = places > kWidePlaces && std::all_of(m_narrow.begin(), m_narrow.end(), OGraph::IsLive);
    ShowNarrowPlaces(narrow ? places : 0);
    if (narrow) {
        for (int power = 0; power < places; ++power, value /= 10) RollTo(m_narrow[std::size_t(power)], value % 10);
        return;
    }
    // The units are the last digit; places above the value's highest digit stay as they are.
    for (int place = kWidePlaces - 1; place >= 0 && value >= 1; --place) {
        RollTo(m_digits[std::size_t(place)], value % 10);
        value /= 10;
    }
}

void CourtScene::ResetScore() {
    ShowNarrowPlaces(0);
    for (OClip* clip : m_digits)
        if (OGraph::IsLive(clip)) clip->StopAtFrame(0);
}

void CourtScene::SetFrameRate(int framesPerSecond) { m_window.SetFramesPerSecond(framesPerSecond); }

void CourtScene::RedrawAll() { m_window.AddDirtyRect({0, 0, m_window.Width(), m_window.Height()}); }

} // namespace game
