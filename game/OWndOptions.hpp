#pragma once

#include <array>
#include <functional>

#include "rules/GameSettings.hpp"
#include "ui/ODialog.hpp"

namespace ui {
class OButton;
class OCheckbox;
}

namespace game {

// The four settings: "Sound On", "Autosave", "Show Path" and the ball's speed. Changes take
// effect at once, since the game reads the settings directly; "Cancel" puts back what was
// set when the window opened; "Ok" runs the owner's keeping of the settings while the owner
// lives.
class OWndOptions : public ui::ODialog {
public:
    static constexpr int kWidth = 260;
    static constexpr int kHeight = 450;

    OWndOptions(engine::OWindow* owner, const engine::CreationParams& params,
                std::function<void()> keepSettings);

    bool Start() override;
    void ControlEvent(engine::WindowControl* sender, int code) override;

    ui::OButton* OkButton() const { return m_ok; }
    ui::OButton* CancelButton() const { return m_cancel; }
    ui::OCheckbox* SoundBox() const { return m_sound; }
    ui::OCheckbox* AutosaveBox() const { return m_autosave; }
    ui::OCheckbox* PathBox() const { return m_path; }
    ui::OCheckbox* SpeedBox(int index) const { return m_speeds.at(std::size_t(index)); }

    // The choice that shows a speed setting: a speed outside the three choices plays as
    // "Fast", so it shows as "Fast".
    static int SpeedChoice(rules::Speed speed);

protected:
    void Cancel() override;

private:
    // A check box over copies of the two looks, at (20, y), with its label; added.
    ui::OCheckbox* AddBox(ui::OButton* unselected, ui::OButton* selected, float y, const char* label);

    std::function<void()> m_keepSettings;
    rules::GameSettings m_before;
    ui::OButton* m_ok = nullptr;
    ui::OButton* m_cancel = nullptr;
    ui::OCheckbox* m_sound = nullptr;
    ui::OCheckbox* m_autosave = nullptr;
    ui::OCheckbox* m_path = nullptr;
    std::array<ui::OCheckbox*, 3> m_speeds{};
};

} // namespace game
