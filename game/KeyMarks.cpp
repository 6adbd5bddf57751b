#include "game/KeyMarks.hpp"

#include "engine/OWindow.hpp"
#include "scene/AssetNames.hpp"
#include "scene/OClip.hpp"

namespace game {

namespace {

// Above the balls, the flying ones and the selection ring.
constexpr float kKeyCellDepth = -11.0f;
constexpr float kAimMarkDepth = -30.0f;

scene::OClip* LoadHidden(engine::OWindow& window, const char* file, float depth) {
    auto* clip = new scene::OClip;
    if (!clip->LoadFile(file)) {
        scene::OGraph::Release(clip);
        return nullptr;
    }
    clip->SetPosition(0, 0, depth);
    clip->SetVisible(false);
    window.AddObject(clip);
    return clip;
}

} // namespace

void KeyMarks::Load(engine::OWindow& window) {
    m_cell = LoadHidden(window, scene::assets::kKeyCell, kKeyCellDepth);
    m_aim = LoadHidden(window, scene::assets::kAimMark, kAimMarkDepth);
}

void KeyMarks::Show(const CourtCursor& cursor, const rules::CourtGeometry& court) {
    const bool picking = cursor.Stage() == CursorStage::Picking;
    if (m_cell) {
        if (picking) {
            const rules::Cell cell = cursor.Highlight();
            m_cell->SetPosition(float(court.CornerX(cell.row, cell.column) - 3),
                                float(court.CornerY(cell.row) - 2), kKeyCellDepth);
        }
        m_cell->SetVisible(picking);
    }
    if (m_aim) {
        if (!picking) {
            // The mark's middle pixel is the point.
            const int half = int(m_aim->Width()) / 2;
            m_aim->SetPosition(float(cursor.Aim().x - half), float(cursor.Aim().y - half), kAimMarkDepth);
        }
        m_aim->SetVisible(!picking);
    }
}

void KeyMarks::Hide() {
    if (m_cell) m_cell->SetVisible(false);
    if (m_aim) m_aim->SetVisible(false);
}

} // namespace game
