#include "DailyCommand.hpp"

#include <ctime>
#include <ostream>

#include "ClickReport.hpp"
#include "CommandLine.hpp"
#include "HeadlessSession.hpp"
#include "SimError.hpp"
#include "SoakCourt.hpp"

namespace sim {

std::string DailyLine(const rules::CalendarDate& date, const rules::TGame& game) {
    const std::int64_t day = rules::DaysSinceEpoch(date);
    std::string line = "{\"date\":\"" + rules::FormatCalendarDate(date) + "\"";
    line += ",\"level\":" + std::to_string(int(rules::DailyLevel(day)));
    line += ",\"start\":" + std::to_string(rules::DailyStart(day));
    line += ",\"board\":" + ClickReport::BoardJson(game);
    line += ",\"ceiling\":\"";
    for (int column = 1; column <= 16; ++column) {
        const rules::Ball* ball = game.CeilingRow()[std::size_t(column)];
        line += char('0' + (ball ? ball->Colour() : 0));
    }
    line += "\"}";
    return line;
}

int RunDaily(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    rules::CalendarDate date;
    try {
        const CommandLine line(args, {"date"}, {});
        if (const std::optional<std::string> text = line.Value("date")) {
            const std::optional<rules::CalendarDate> parsed = rules::ParseCalendarDate(*text);
            if (!parsed)
                throw SimError("--date takes a day from 1970-01-01 to 9999-12-31 as YYYY-MM-DD, not '" +
                               *text + "'");
            date = *parsed;
        } else {
            const std::time_t now = std::time(nullptr);
            date = rules::DateOfDay(rules::DayOfUnixTime(now > 0 ? std::int64_t(now) : 0));
        }
    } catch (const SimError& error) {
        err << "hoopstack-sim: " << error.what() << std::endl;
        return 2;
    }
    const std::int64_t day = rules::DaysSinceEpoch(date);
    rules::GameSettings settings;
    settings.level = rules::DailyLevel(day);
    HeadlessSession session;
    const SoakCourt court(session, settings, rules::DailyStart(day));
    if (!court.Started()) {
        err << "hoopstack-sim: could not load the game's pictures" << std::endl;
        return 1;
    }
    out << DailyLine(date, court.Game()) << std::endl;
    return 0;
}

} // namespace sim
