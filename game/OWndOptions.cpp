#include "game/OWndOptions.hpp"

#include <utility>

#include "engine/ControlEvents.hpp"
#include "scene/AssetNames.hpp"
#include "ui/OButton.hpp"
#include "ui/OCheckbox.hpp"
#include "ui/OText.hpp"
#include "ui/TextLayout.hpp"
#include "ui/Translation.hpp"

namespace game {

namespace {

constexpr const char* kButtonSkin = scene::assets::kDefaultButton;

// A look of a check box: frame 0 normal, frame 1 hover and pressed.
ui::OButton* makeLook(const char* skin) { return new ui::OButton("", skin, 0, 1, 1, true, kButtonSkin); }

} // namespace

OWndOptions::OWndOptions(engine::OWindow* owner, const engine::CreationParams& params,
                         std::function<void()> keepSettings)
    : ODialog(owner, params), m_keepSettings(std::move(keepSettings)) {}

int OWndOptions::SpeedChoice(rules::Speed speed) {
    const int choice = static_cast<int>(speed);
    return choice >= 0 && choice <= 2 ? choice : 0;
}

ui::OCheckbox* OWndOptions::AddBox(ui::OButton* unselected, ui::OButton* selected, float y, const char* label) {
    auto* box = new ui::OCheckbox(static_cast<ui::OControl*>(unselected->Clone()),
                                  static_cast<ui::OControl*>(selected->Clone()), true);
    box->SetSounds(scene::assets::kButtonSound, scene::assets::kButtonSound);
    box->SetPosition(20, y, box->RelativeZ());
    AddObject(box);
    auto* text = new ui::OText(ui::Tr(label));
    AddObject(text);
    text->SetPosition(box->X() + box->Width() + 10, box->Y(), text->RelativeZ());
    return box;
}

bool OWndOptions::Start() {
    m_before = rules::Settings();
    m_ok = MakeButton(ui::Tr("Ok"));
    m_cancel = MakeButton(ui::Tr("Cancel"), 0xFFFFFF);
    m_ok->SetSounds(scene::assets::kButtonSound, scene::assets::kButtonSound);
    m_cancel->SetSounds(scene::assets::kButtonSound, scene::assets::kButtonSound);
    AddButtonPair(m_ok, m_cancel, 10);

    if (!AddCentredPicture(scene::assets::kOptionsTitle, 2)) {
        ui::TextLayout layout = CentredText(0, 36, 0x0000FF);
        layout.SetMargins(20, Width() - 20);
        layout.WriteParagraph(ui::Tr("Options:"));
        layout.NewLine();
    }

    ui::OButton* unselected = makeLook(scene::assets::kCheckOff);
    ui::OButton* selected = makeLook(scene::assets::kCheckOn);
    m_sound = AddBox(unselected, selected, 100, ui::TrLater("Sound On"));
    m_autosave = AddBox(unselected, selected, m_sound->Y() + m_sound->Height() + 5, ui::TrLater("Autosave"));
    m_path =
        AddBox(unselected, selected, m_autosave->Y() + m_autosave->Height() + 5, ui::TrLater("Show Path"));
    m_sound->SetState(rules::Settings().sound ? 1 : 0);
    m_autosave->SetState(rules::Settings().autosave ? 1 : 0);
    m_path->SetState(rules::Settings().showPath ? 1 : 0);
    scene::OGraph::Release(unselected);
    scene::OGraph::Release(selected);

    auto* speedTitle = new ui::OText(ui::Tr("Ball's speed:"));
    engine::FontRecord font = speedTitle->Font();
    font.colour = 0xFF0000;
    speedTitle->SetFont(font);
    AddObject(speedTitle);
    speedTitle->SetPosition(float((Width() - int(speedTitle->Width())) / 2), 230, speedTitle->RelativeZ());

    unselected = makeLook(scene::assets::kChoiceOff);
    selected = makeLook(scene::assets::kChoiceOn);
    const char* names[3] = {ui::TrLater("Fast"), ui::TrLater("Medium"), ui::TrLater("Slow")};
    for (int i = 0; i < 3; ++i) m_speeds[std::size_t(i)] = AddBox(unselected, selected, float(32 * i + 265), names[i]);
    scene::OGraph::Release(unselected);
    scene::OGraph::Release(selected);
    m_speeds[std::size_t(SpeedChoice(rules::Settings().speed))]->SetState(1);
    // Top to bottom, then the answers from left to right.
    SetKeyOrder({m_sound, m_autosave, m_path, m_speeds[0], m_speeds[1], m_speeds[2], m_ok, m_cancel});
    SetDefaultControl(m_ok);

    SetFramesPerSecond(25);
    return OWindow::Start();
}

void OWndOptions::ControlEvent(engine::WindowControl* sender, int code) {
    if (Ended() || !sender || code != engine::Event_Click) return;
    const scene::OGraph* control = sender->Graph();
    rules::GameSettings& settings = rules::Settings();
    // The check box that was clicked moves to its other state by itself after this.
    if (control == m_ok) {
        // Kept at once, as a program that dies later must not lose them.
        if (m_keepSettings && IsLiveWindow(Owner())) m_keepSettings();
        EndDialog();
    } else if (control == m_cancel) {
        Cancel();
    } else if (control == m_sound) {
        settings.sound = !settings.sound;
    } else if (control == m_autosave) {
        settings.autosave = !settings.autosave;
    } else if (control == m_path) {
        settings.showPath = !settings.showPath;
    } else {
        for (int i = 0; i < 3; ++i) {
            if (control != m_speeds[std::size_t(i)]) continue;
            // Turning the old choice off hides its state, which takes the window's focus away;
            // a key player keeps it on the choice they pressed.
            engine::WindowControl* focus = FocusControl();
            m_speeds[std::size_t(SpeedChoice(settings.speed))]->SetState(0);
            if (KeysInUse() && focus && !FocusControl()) SetFocusControl(focus);
            settings.speed = rules::Speed(i);
        }
    }
}

// The settings go back to what they were when the dialog opened.
void OWndOptions::Cancel() {
    rules::GameSettings& settings = rules::Settings();
    settings.sound = m_before.sound;
    settings.autosave = m_before.autosave;
    settings.showPath = m_before.showPath;
    settings.speed = m_before.speed;
    EndDialog();
}

} // namespace game
