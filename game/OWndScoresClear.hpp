#pragma once

#include <string>

#include "game/OYesNoDialog.hpp"

namespace game {

class OWndScores;

// "All records will be deleted!": "Yes" empties the whole score table, of every level, and
// blanks the rows of the Top 10 window that opened it.
class OWndScoresClear : public OYesNoDialog {
public:
    static constexpr int kWidth = 330;
    static constexpr int kHeight = 200;

    OWndScoresClear(OWndScores* owner, const engine::CreationParams& params, std::string level);

    bool Start() override;

private:
    void Yes() override;

    OWndScores* m_scores;
    std::string m_level;
};

} // namespace game
