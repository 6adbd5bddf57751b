#include "game/GamePanel.hpp"

#include "engine/OWindow.hpp"
#include "scene/AssetNames.hpp"
#include "ui/OButton.hpp"
#include "ui/OText.hpp"
#include "ui/Translation.hpp"

namespace game {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kLevelCaption = 0x99CCFF;
constexpr std::uint32_t kMarkColour = 0x103090;

ui::OButton* makeButton(const std::string& skin, const std::string& caption) {
    auto* button = new ui::OButton(caption, skin, 0, 1, 2, false, scene::assets::kDefaultButton);
    button->SetSounds(scene::assets::kButtonSound, scene::assets::kButtonSound);
    return button;
}

} // namespace

std::string LevelCaption(rules::Level level) {
    // The names as the catalogues list them; rules::LevelName gives the one to translate.
    static constexpr const char* kNames[] = {ui::TrLater("Novice"), ui::TrLater("Expert"),
                                             ui::TrLater("Master")};
    static_cast<void>(kNames);
    return ui::Tr(rules::LevelName(level));
}

void GamePanel::Build(engine::OWindow& window, const rules::CourtGeometry& court, rules::Level level) {
    m_close = makeButton(scene::assets::kCloseButton, "");
    m_close->SetPosition(float(window.Width()) - m_close->Width() - 2, 0, m_close->RelativeZ());
    m_down = makeButton(scene::assets::kMinimiseButton, "");
    m_down->SetPosition(m_close->X() - m_down->Width() - 2, 0, m_down->RelativeZ());
    m_help = makeButton(scene::assets::kHelpButton, "");
    m_help->SetPosition(m_down->X() - m_help->Width() - 2, 0, m_help->RelativeZ());
    for (ui::OButton* b : {m_close, m_down, m_help}) window.AddObject(b);

    m_new = makeButton(scene::assets::kNewGameButton, "");
    m_new->SetPosition(float(court.courtWidth + 65), 270, m_new->RelativeZ());
    m_scores = makeButton(scene::assets::kScoresButton, "");
    m_scores->SetPosition(m_new->X() - m_new->Height() * 0.5f, m_new->Y() + m_new->Height() + 5,
                          m_scores->RelativeZ());
    m_options = makeButton(scene::assets::kOptionsButton, "");
    m_options->SetPosition(m_new->X() + m_new->Height() * 0.5f, m_new->Y() + m_new->Height() + 5,
                           m_options->RelativeZ());
    m_games = makeButton(scene::assets::kGamesButton, "");
    m_games->SetPosition(m_new->X(), m_options->Y() + m_options->Height() + 5, m_games->RelativeZ());
    // The day's court and the statistics stand below the other commands, where the panel was
    // empty, so that nothing else moves.
    m_daily = makeButton(scene::assets::kDailyButton, "");
    const float middle = m_new->X() + m_new->Width() / 2;
    m_daily->SetPosition(middle - m_daily->Width() / 2, m_games->Y() + m_games->Height() + 25,
                         m_daily->RelativeZ());
    m_statistics = makeButton(scene::assets::kStatisticsButton, "");
    m_statistics->SetPosition(middle - m_statistics->Width() / 2, m_daily->Y() + m_daily->Height() + 5,
                              m_statistics->RelativeZ());
    m_level = makeButton(scene::assets::kLevelButton, LevelCaption(level));
    m_level->SetPosition(float(court.courtWidth + 50), 50, m_level->RelativeZ());

    engine::FontRecord font = m_new->Caption()->Font();
    font.weight = 400;
    font.height = 26;
    font.colour = kWhite;
    for (ui::OButton* b : {m_new, m_games, m_options, m_level, m_scores}) b->Caption()->SetFont(font);
    font.colour = kLevelCaption;
    m_level->Caption()->SetFont(font);
    for (ui::OButton* b : {m_new, m_scores, m_options, m_games, m_level, m_daily, m_statistics}) {
        window.AddObject(b);
        b->Caption()->Realign();
    }

    m_mark = new ui::OText("");
    font.weight = 700;
    font.height = 20;
    font.colour = kMarkColour;
    m_mark->SetFont(font);
    // Centred under the level button, above the score box (160 pixels wide from courtWidth + 20).
    m_markMiddle = float(court.courtWidth + 20 + 80);
    m_mark->SetPosition(m_markMiddle, 93, m_level->RelativeZ());
    window.AddObject(m_mark);
}

void GamePanel::ShowMark(Mark mark) {
    if (!scene::OGraph::IsLive(m_mark)) return;
    m_mark->SetText(mark == Mark::Daily ? ui::Tr("Daily") : mark == Mark::Practice ? ui::Tr("Practice") : "");
    m_mark->SetPosition(m_markMiddle - m_mark->Width() / 2, m_mark->Y(), m_mark->RelativeZ());
}

GamePanel::Button GamePanel::Which(const scene::OGraph* graph) const {
    if (!graph) return Button::None;
    const std::pair<const ui::OButton*, Button> buttons[] = {
        {m_close, Button::Close},   {m_down, Button::Down},
        {m_help, Button::Help},     {m_new, Button::New},
        {m_scores, Button::Scores}, {m_options, Button::Options},
        {m_games, Button::Games},   {m_level, Button::Level},
        {m_daily, Button::Daily},   {m_statistics, Button::Statistics}};
    for (const auto& [button, which] : buttons)
        if (graph == button) return which;
    return Button::None;
}

void GamePanel::ShowLevel(rules::Level level) {
    if (scene::OGraph::IsLive(m_level)) m_level->SetText(LevelCaption(level));
}

void GamePanel::HideGameCommands() {
    for (ui::OButton* b : {m_new, m_scores, m_options, m_games, m_daily, m_statistics})
        if (scene::OGraph::IsLive(b)) b->SetVisible(false);
}

} // namespace game
