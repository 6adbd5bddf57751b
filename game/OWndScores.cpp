#include "game/OWndScores.hpp"

#include "engine/ControlEvents.hpp"
#include "engine/ShellOpen.hpp"
#include "game/HighScores.hpp"
#include "game/OWndScoresClear.hpp"
#include "rules/GameReplay.hpp"
#include "scene/AssetNames.hpp"
#include "scene/OClip.hpp"
#include "store/ScoreReport.hpp"
#include "ui/OButton.hpp"
#include "ui/TextDrawing.hpp"
#include "ui/TextLayout.hpp"
#include "ui/Translation.hpp"

namespace game {

namespace {

constexpr std::uint32_t kRowColour = 0xC80000;
// Room kept free at the right end of a name box, so that a cut name ends inside it.
constexpr int kNamePadding = 6;

ui::OButton* makeBox(const char* image) {
    return new ui::OButton("", std::string(image), std::nullopt, std::nullopt, true,
                           scene::assets::kDefaultButton);
}

void styleCaption(ui::OButton* box, int weight, std::uint8_t alignment) {
    engine::FontRecord font = box->Caption()->Font();
    font.weight = weight;
    font.height = 24;
    font.colour = kRowColour;
    box->Caption()->SetFont(font);
    box->Caption()->SetAlignment(alignment);
}

} // namespace

OWndScores::OWndScores(engine::OWindow* owner, const engine::CreationParams& params, std::string level)
    : ODialog(owner, params), m_level(std::move(level)) {}

void OWndScores::AddTitle() {
    if (scene::OClip* title = AddCentredPicture(scene::assets::kTopTitle, 0)) {
        title->StopAtFrame(0);
        return;
    }
    ui::TextLayout layout = CentredText(10, 28, 0x0000FF);
    layout.SetMargins(5, Width() - 5);
    layout.WriteParagraph(ui::Tr("Top 10"));
    AddCentredPicture(scene::assets::kBar, 50);
}

void OWndScores::AddRows() {
    ui::OButton* namePrototype = makeBox(scene::assets::kRowLarge);
    ui::OButton* scorePrototype = makeBox(scene::assets::kRowSmall);
    for (int i = 0; i < kRows; ++i) {
        auto* name = static_cast<ui::OButton*>(namePrototype->Clone());
        auto* score = static_cast<ui::OButton*>(scorePrototype->Clone());
        name->SetPosition(15, (name->Height() - 2) * float(i) + 90, name->RelativeZ());
        score->SetPosition(name->Width() + 15, name->Y(), score->RelativeZ());
        styleCaption(name, 400, scene::OGraph::kAlignLeft | scene::OGraph::kAlignTop | scene::OGraph::kAlignBottom);
        styleCaption(score, 800, scene::OGraph::kAlignRight | scene::OGraph::kAlignTop | scene::OGraph::kAlignBottom);
        AddObject(name);
        AddObject(score);
        m_names[std::size_t(i)] = name;
        m_scores[std::size_t(i)] = score;
    }
    scene::OGraph::Release(namePrototype);
    scene::OGraph::Release(scorePrototype);
}

void OWndScores::ShowName(ui::OButton* box, const std::string& name) {
    const engine::FontRecord font = box->Caption()->Font();
    const int room = int(box->Width()) - kNamePadding;
    box->SetText(FitText(name, room, [&](std::string_view text) { return ui::TextWidth(text, font); }));
}

bool OWndScores::Start() {
    m_close = MakeButton(ui::Tr("Close"));
    m_publish = MakeButton(ui::Tr("Publish"));
    m_clear = MakeButton(ui::Tr("Clear"));
    for (ui::OButton* b : {m_close, m_publish, m_clear})
        b->SetSounds(scene::assets::kButtonSound, scene::assets::kButtonSound);
    const float y = float(Height()) - m_publish->Height() - 10;
    m_publish->SetPosition((float(Width()) - m_publish->Width()) / 2, y, m_publish->RelativeZ());
    m_close->SetPosition(m_publish->X() - m_close->Width() - 10, y, m_close->RelativeZ());
    m_clear->SetPosition(m_publish->X() + m_publish->Width() + 10, y, m_clear->RelativeZ());
    for (ui::OButton* b : {m_close, m_publish, m_clear}) {
        AddObject(b);
        b->Caption()->Realign();
    }
    SetFocusControl(m_close);
    SetKeyOrder({m_close, m_publish, m_clear});
    SetDefaultControl(m_close);

    AddTitle();
    AddRows();
    m_table.loadTable(TablePath());
    // Missing or unreadable, the replays are none: every record then publishes without one.
    if (!m_replays.load(ReplaysPath())) m_replays = store::TScoreReplays();
    const std::vector<ScoreRow> top = TopOfLevel(m_table, m_level, kRows);
    for (std::size_t i = 0; i < top.size(); ++i) {
        ShowName(m_names[i], top[i].name);
        m_scores[i]->SetText(std::to_string(top[i].score));
    }
    SetFramesPerSecond(12);
    return OWindow::Start();
}

void OWndScores::ClearRows() {
    std::lock_guard lock(Lock());
    for (int i = 0; i < kRows; ++i) {
        m_names[std::size_t(i)]->SetText("");
        m_scores[std::size_t(i)]->SetText("");
    }
    // The records are gone from the file; "Publish" must not send one of them afterwards.
    m_table = store::TScoresTable();
    m_replays = store::TScoreReplays();
}

std::string OWndScores::PublishAddress() const {
    for (const auto& [score, record] : m_table.records()) {
        if (record.level != m_level) continue;
        const std::string report = store::BuildScoreReport(score, m_level, PublishedName(record.name));
        const std::string* replay = m_replays.find(store::TScoreReplays::KeyOf(score, record));
        // Only a replay that reads as one is sent; the server judges whether it proves the score.
        const bool sendReplay = replay && rules::DecodeReplay(*replay).has_value();
        return PublishAddressFor(store::EncodeScoreReport(report), sendReplay ? std::string_view(*replay) : std::string_view());
    }
    return {};
}

void OWndScores::ControlEvent(engine::WindowControl* sender, int code) {
    if (Ended() || !sender || code != engine::Event_Click) return;
    const scene::OGraph* button = sender->Graph();
    if (button == m_close) {
        EndDialog();
    } else if (button == m_clear) {
        const bool byKey = KeysInUse();
        auto* clear =
            ODialog::Open<OWndScoresClear>(this, OWndScoresClear::kWidth, OWndScoresClear::kHeight, m_level);
        if (clear && byKey) clear->UseKeys();
    } else if (button == m_publish) {
        const std::string address = PublishAddress();
        if (!address.empty() && !engine::ShellOpen(address)) ReportPublishFailure();
        EndDialog();
    }
}

void OWndScores::Cancel() {
    EndDialog();
}

} // namespace game
