#pragma once

#include <string>

#include "game/DailyPlay.hpp"
#include "ui/ODialog.hpp"

namespace ui {
class OButton;
class OEdit;
} // namespace ui

namespace game {

// Shown when the day's ranked attempt ends: the day, the score and the streak, a name field,
// "Publish" (keeps the result in the Top 10 and opens the publishing page with the report and
// the replay; the leaderboard answers with the rank of the day), "Copy" (a short text to share,
// on the clipboard), "Table" (the day's page) and "Close", which holds the focus.
class OWndDailyResult : public ui::ODialog {
public:
    static constexpr int kWidth = 460;
    static constexpr int kHeight = 330;

    // `replay` is the game's replay text (EncodeReplay); empty for none.
    OWndDailyResult(engine::OWindow* owner, const engine::CreationParams& params, DailyOutcome outcome,
                    std::string replay = {});

    bool Start() override;
    void ControlEvent(engine::WindowControl* sender, int code) override;

    ui::OEdit* NameField() const { return m_name; }
    ui::OButton* PublishButton() const { return m_publish; }
    ui::OButton* CopyButton() const { return m_copy; }
    ui::OButton* TableButton() const { return m_table; }
    ui::OButton* CloseButton() const { return m_close; }

    // The address "Publish" opens for the name now in the field.
    std::string PublishAddress() const;

protected:
    void Cancel() override;

private:
    // The name as the field holds it, cleaned as the Top 10 keeps names.
    std::string PlayerName() const;
    void Publish();

    DailyOutcome m_outcome;
    std::string m_replay;
    ui::OEdit* m_name = nullptr;
    ui::OButton* m_publish = nullptr;
    ui::OButton* m_copy = nullptr;
    ui::OButton* m_table = nullptr;
    ui::OButton* m_close = nullptr;
};

} // namespace game
