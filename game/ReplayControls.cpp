#include "game/ReplayControls.hpp"

#include <utility>

#include "engine/OWindow.hpp"
#include "game/ReplaySpeed.hpp"
#include "scene/AssetNames.hpp"
#include "ui/OButton.hpp"
#include "ui/OText.hpp"

namespace game {

namespace {

constexpr float kGap = 10;
constexpr std::uint32_t kWhite = 0xFFFFFF;
// The faster button's plus fills a square at its right end; the speed is centred left of it.
constexpr float kPlusSide = 40;

// The images of the square button at `index` in the replay buttons' clip, three frames each.
enum SquareButton : int { kPauseImages, kPlayImages, kRestartImages, kSlowerImages };

ui::OButton* makeSquare(SquareButton index) {
    const int first = 3 * int(index);
    auto* button = new ui::OButton("", scene::assets::kReplayButtons, first, first + 1, first + 2, first + 3,
                                   false, scene::assets::kDefaultButton);
    button->SetSounds(scene::assets::kButtonSound, scene::assets::kButtonSound);
    return button;
}

} // namespace

void ReplayControls::Build(engine::OWindow& window, float middle, float top) {
    m_restart = makeSquare(kRestartImages);
    m_pause = makeSquare(kPauseImages);
    m_play = makeSquare(kPlayImages);
    m_slower = makeSquare(kSlowerImages);
    m_faster =
        new ui::OButton("", scene::assets::kFasterButton, 0, 1, 2, false, scene::assets::kDefaultButton);
    m_faster->SetSounds(scene::assets::kButtonSound, scene::assets::kButtonSound);

    const float firstRow = m_restart->Width() + kGap + m_pause->Width();
    m_restart->SetPosition(middle - firstRow / 2, top, m_restart->RelativeZ());
    m_pause->SetPosition(m_restart->X() + m_restart->Width() + kGap, top, m_pause->RelativeZ());
    m_play->SetPosition(m_pause->X(), top, m_play->RelativeZ());
    m_play->SetVisible(false);
    const float secondTop = top + m_restart->Height() + kGap;
    const float secondRow = m_slower->Width() + kGap + m_faster->Width();
    m_slower->SetPosition(middle - secondRow / 2, secondTop, m_slower->RelativeZ());
    m_faster->SetPosition(m_slower->X() + m_slower->Width() + kGap, secondTop, m_faster->RelativeZ());

    engine::FontRecord font = m_faster->Caption()->Font();
    font.weight = 700;
    font.height = 24;
    font.colour = kWhite;
    m_faster->Caption()->SetFont(font);
    // Centred from top to bottom only: ShowSpeed places it across.
    m_faster->Caption()->SetAlignment(scene::OGraph::kAlignTop | scene::OGraph::kAlignBottom);
    for (ui::OButton* b : {m_restart, m_pause, m_play, m_slower, m_faster}) window.AddObject(b);
    ShowSpeed(ReplaySpeed{});
}

ReplayCommand ReplayControls::Which(const scene::OGraph* graph) const {
    if (!graph) return ReplayCommand::None;
    const std::pair<const ui::OButton*, ReplayCommand> buttons[] = {{m_pause, ReplayCommand::PauseOrPlay},
                                                                    {m_play, ReplayCommand::PauseOrPlay},
                                                                    {m_restart, ReplayCommand::Restart},
                                                                    {m_slower, ReplayCommand::Slower},
                                                                    {m_faster, ReplayCommand::Faster}};
    for (const auto& [button, command] : buttons)
        if (graph == button) return command;
    return ReplayCommand::None;
}

void ReplayControls::ShowPaused(bool paused) {
    if (scene::OGraph::IsLive(m_pause)) m_pause->SetVisible(!paused);
    if (scene::OGraph::IsLive(m_play)) m_play->SetVisible(paused);
}

void ReplayControls::ShowSpeed(const ReplaySpeed& speed) {
    if (!scene::OGraph::IsLive(m_faster)) return;
    m_faster->SetText(speed.Label());
    ui::OText* caption = m_faster->Caption();
    const float room = m_faster->Width() - kPlusSide;
    caption->SetPosition((room - caption->Width()) / 2 + 2, caption->RelativeY(), caption->RelativeZ());
    caption->Realign();
}

} // namespace game
