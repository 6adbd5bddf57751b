#pragma once

#include <cstdint>
#include <string>

#include "ui/ODialog.hpp"

namespace ui {
class OButton;
class OEdit;
}

namespace game {

// Shown when a game ends: the score, and a name field; "Ok" adds the result to the score
// table (and the game's replay to the table's replays), "Cancel" leaves the table alone. No control holds the
// focus at first, so typing reaches the name field once the mouse has been over it or Tab has moved there;
// opened with a key, the name field holds it.
class OWndResult : public ui::ODialog {
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 300;

    // `level` is the level number, 1 to 3; `replay` the game's replay text (EncodeReplay), kept
    // with the record in the table's replays; empty for none.
    OWndResult(engine::OWindow* owner, const engine::CreationParams& params, std::int32_t score, int level,
               std::string replay = {});

    bool Start() override;
    void ControlEvent(engine::WindowControl* sender, int code) override;

    ui::OEdit* NameField() const { return m_name; }
    ui::OButton* OkButton() const { return m_ok; }
    ui::OButton* CancelButton() const { return m_cancel; }

    // The last name confirmed in this run; it fills the next result window.
    static std::string& LastPlayerName();

protected:
    void Cancel() override;

private:
    // Fills LastPlayerName when it is empty: the best name of the level, else "Anonymous".
    void PrefillName() const;
    void Record();

    std::int32_t m_score;
    int m_level;
    std::string m_replay;
    ui::OEdit* m_name = nullptr;
    ui::OButton* m_ok = nullptr;
    ui::OButton* m_cancel = nullptr;
};

} // namespace game
