#include "ClickReport.hpp"

#include <charconv>

#include "rules/BoardRules.hpp"

namespace sim {

namespace {

std::string CellJson(const rules::Cell& cell) {
    return "[" + std::to_string(cell.row) + "," + std::to_string(cell.column) + "]";
}

const char* Bool(bool value) {
    return value ? "true" : "false";
}

} // namespace

std::string ClickReport::FormatDouble(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string ClickReport::BoardJson(const rules::TGame& game) {
    std::string json = "[";
    const auto colours = rules::ColoursOf(game.Grid());
    for (int row = 1; row <= 16; ++row) {
        if (row > 1) json += ",";
        json += "\"";
        for (int column = 1; column <= 16; ++column) json += char('0' + colours[row][column]);
        json += "\"";
    }
    return json + "]";
}

std::string ClickReport::Format(game::OGameWindow& window, const rules::TThrowReport& report) const {
    rules::TGame& game = *window.Game();
    std::string line = "{\"click\":[" + std::to_string(m_x) + "," + std::to_string(m_y) + "]";
    line += ",\"selected\":" + (m_selected.IsValid() ? CellJson(m_selected) : std::string("null"));
    line += std::string(",\"launched\":") + Bool(report.launched);
    line += ",\"landed\":" + (report.landed ? CellJson(*report.landed) : std::string("null"));
    line += std::string(",\"void\":") + Bool(report.voidThrow);
    line += ",\"group\":" + std::to_string(report.group);
    line += ",\"effort\":" + FormatDouble(report.launched ? game.FlightEffort() : 0.0);
    line += ",\"points_per_ball\":" + std::to_string(game.PointsPerBall());
    line += ",\"removed\":" + std::to_string(report.removed);
    line += ",\"fell\":" + std::to_string(report.fell);
    line += ",\"drops\":" + std::to_string(report.drops);
    line += ",\"score\":" + std::to_string(game.Score());
    line += std::string(",\"game_over\":") + Bool(game.GameOver());
    line += ",\"board\":" + BoardJson(game);
    const std::string dialog = window.TakeDialogRequest();
    line += ",\"dialog\":" + (dialog.empty() ? std::string("null") : "\"" + dialog + "\"");
    line += "}";
    return line;
}

} // namespace sim
