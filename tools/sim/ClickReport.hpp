#pragma once

#include <string>

#include "game/OGameWindow.hpp"
#include "rules/ThrowReportObserver.hpp"

namespace sim {

// The result of one replayed click as one line of JSON, fields in a fixed order.
class ClickReport {
public:
    ClickReport(int x, int y, rules::Cell selected) : m_x(x), m_y(y), m_selected(selected) {}

    // Reads the click's throw report and the game's state, and takes the window's dialog
    // request.
    std::string Format(game::OGameWindow& window, const rules::TThrowReport& report) const;

    static std::string FormatDouble(double value);
    // The court's 16 rows as a JSON array of 16-digit strings, a digit a ball's colour, 0 none.
    static std::string BoardJson(const rules::TGame& game);

private:
    int m_x;
    int m_y;
    rules::Cell m_selected;
};

} // namespace sim
