#pragma once

#include "ui/ODialog.hpp"

namespace ui {
class OButton;
}

namespace game {

// The rules of the game and a "Play" button, which holds the focus so that Enter closes
// the window at once.
class OWndHelp : public ui::ODialog {
public:
    static constexpr int kWidth = 690;
    static constexpr int kHeight = 500;

    OWndHelp(engine::OWindow* owner, const engine::CreationParams& params);

    bool Start() override;
    void ControlEvent(engine::WindowControl* sender, int code) override;

    // The title and the paragraphs, as shown.
    static const char* const kTitle;
    static const char* const kParagraphs[6];

protected:
    void Cancel() override;

private:
    ui::OButton* m_play = nullptr;
};

} // namespace game
