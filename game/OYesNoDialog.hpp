#pragma once

#include <cstdint>

#include "ui/ODialog.hpp"

namespace ui {
class OButton;
}

namespace game {

// A question with "Yes" and "No": "Yes" runs the answer, then either closes the dialog.
// No button holds the focus at first, so Enter does nothing until the mouse or a key has
// chosen one; opened with a key, the default answer holds it.
class OYesNoDialog : public ui::ODialog {
public:
    enum class Answer : std::uint8_t { Yes, No };

    void ControlEvent(engine::WindowControl* sender, int code) override;

    ui::OButton* YesButton() const { return m_yes; }
    ui::OButton* NoButton() const { return m_no; }

protected:
    OYesNoDialog(engine::OWindow* owner, const engine::CreationParams& params) : ODialog(owner, params) {}
    // Escape is "No".
    void Cancel() override;

    // Adds both buttons, `gap` either side of the middle, 10 above the bottom edge; the keys
    // step from "Yes" to "No", and UseKeys focuses `byDefault`.
    void AddAnswers(int gap, Answer byDefault = Answer::Yes);
    virtual void Yes() = 0;

private:
    ui::OButton* m_yes = nullptr;
    ui::OButton* m_no = nullptr;
};

} // namespace game
