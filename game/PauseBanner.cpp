#include "game/PauseBanner.hpp"

#include "engine/OWindow.hpp"
#include "rules/CourtGeometry.hpp"
#include "scene/AssetNames.hpp"
#include "scene/OClip.hpp"
#include "ui/OText.hpp"
#include "ui/Translation.hpp"

namespace game {

namespace {

// Above everything on the court, the aim mark included.
constexpr float kPlateDepth = -40.0f;
constexpr float kTextDepth = -41.0f;
constexpr std::uint32_t kTextColour = 0x3CD2FF; // gold, 0x00BBGGRR

} // namespace

void PauseBanner::Load(engine::OWindow& window, const rules::CourtGeometry& court) {
    const float middleX = float(court.courtLeft + court.courtWidth / 2);
    const float middleY = float(court.courtTop + court.courtHeight / 2);
    m_plate = new scene::OClip;
    if (m_plate->LoadFile(scene::assets::kPausePlate)) {
        m_plate->SetPosition(middleX - m_plate->Width() / 2, middleY - m_plate->Height() / 2, kPlateDepth);
        m_plate->SetVisible(false);
        window.AddObject(m_plate);
    } else {
        scene::OGraph::Release(m_plate);
        m_plate = nullptr;
    }
    m_text = new ui::OText(ui::Tr(kText));
    engine::FontRecord font = m_text->Font();
    font.weight = 700;
    font.height = 40;
    font.colour = kTextColour;
    m_text->SetFont(font);
    m_text->SetVisible(false);
    window.AddObject(m_text);
    // Measured once it belongs to the window.
    m_text->SetPosition(middleX - m_text->Width() / 2, middleY - m_text->Height() / 2, kTextDepth);
}

void PauseBanner::Show(bool shown) {
    m_shown = shown;
    if (m_plate) m_plate->SetVisible(shown);
    if (m_text) m_text->SetVisible(shown);
}

} // namespace game
