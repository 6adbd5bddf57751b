#pragma once

#include <array>
#include <string>

#include "store/TScoreReplays.hpp"
#include "store/TScoresTable.hpp"
#include "ui/ODialog.hpp"

namespace ui {
class OButton;
}

namespace game {

// The Top 10 of one level, with "Close" (which holds the focus, so Enter closes),
// "Publish" (opens the publishing page with the level's best result, and its replay when the
// table's replays hold one) and "Clear".
class OWndScores : public ui::ODialog {
public:
    static constexpr int kWidth = 350;
    static constexpr int kHeight = 530;
    static constexpr int kRows = 10;

    // `level` is the level number as text, "1" to "3".
    OWndScores(engine::OWindow* owner, const engine::CreationParams& params, std::string level);

    bool Start() override;
    void ControlEvent(engine::WindowControl* sender, int code) override;

    // Empties every row's name and score.
    void ClearRows();

    ui::OButton* CloseButton() const { return m_close; }
    ui::OButton* PublishButton() const { return m_publish; }
    ui::OButton* ClearButton() const { return m_clear; }
    ui::OButton* NameBox(int row) const { return m_names.at(std::size_t(row)); }
    ui::OButton* ScoreBox(int row) const { return m_scores.at(std::size_t(row)); }
    const std::string& Level() const { return m_level; }

    // The address "Publish" opens for a record, or empty when the level has none.
    std::string PublishAddress() const;

protected:
    void Cancel() override;

private:
    void AddTitle();
    void AddRows();
    // Shows a name whole, or cut with an ellipsis so that it stays inside its box.
    void ShowName(ui::OButton* box, const std::string& name);

    std::string m_level;
    store::TScoresTable m_table;
    store::TScoreReplays m_replays;
    ui::OButton* m_close = nullptr;
    ui::OButton* m_publish = nullptr;
    ui::OButton* m_clear = nullptr;
    std::array<ui::OButton*, kRows> m_names{};
    std::array<ui::OButton*, kRows> m_scores{};
};

} // namespace game
