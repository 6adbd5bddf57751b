#include "Pages.hpp"

#include <ctime>

#include "server/DailyGames.hpp"
#include "server/ReplayCheck.hpp"

namespace server {

namespace {

std::string page(std::string_view title, const std::string& main) {
    std::string html;
    html.reserve(main.size() + 1024);
    html += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>";
    html += EscapeHtml(title);
    html += " - Hoopstack</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n</head>\n<body>\n"
            "<header><a class=\"brand\" href=\"/\">Hoopstack leaderboard</a></header>\n<main>\n";
    html += main;
    html += "</main>\n<footer><nav>";
    for (int level = kFirstLevel; level <= kLastLevel; ++level) {
        html += "<a href=\"/level/" + std::to_string(level) + "\">";
        html += LevelName(level);
        html += "</a> ";
    }
    html += "<a href=\"/daily\">Today's court</a> ";
    html += "<a href=\"/cgi-bin/screen.pl/games.shtml\">About the game</a></nav></footer>\n</body>\n</html>\n";
    return html;
}

std::string ordinal(std::int64_t n) {
    const std::int64_t lastTwo = n % 100;
    const char* suffix = "th";
    if (lastTwo < 11 || lastTwo > 13) {
        switch (n % 10) {
        case 1: suffix = "st"; break;
        case 2: suffix = "nd"; break;
        case 3: suffix = "rd"; break;
        default: break;
        }
    }
    return std::to_string(n) + suffix;
}

std::string shownName(const std::string& name) {
    return name.empty() ? "<span class=\"unnamed\">(no name)</span>" : EscapeHtml(name);
}

// The last cell of a row: for a verified record the mark, linking to its replay, and with
// `court` its final court.
std::string proofCell(const RankedRecord& row, bool court) {
    if (!row.verified) return "<td class=\"proof\"></td>";
    std::string html = "<td class=\"proof\">";
    if (court) html += RenderCourtSvg(row.board, "Final court of " + (row.name.empty() ? "(no name)" : row.name) + "'s game");
    html += "<a class=\"verified\" href=\"" + ReplayPath(row.id) +
            "\" title=\"Verified: the server replayed this game under its rules. Download the replay.\">"
            "&#10003; verified</a></td>";
    return html;
}

// A table of records; the row of rank `marked` gets the class "you"; with `courts` a
// verified row shows its final court.
std::string table(const std::vector<RankedRecord>& rows, std::size_t from, std::size_t to,
                  std::int64_t marked = 0, bool courts = false) {
    std::string html = "<table>\n<thead><tr><th class=\"rank\">#</th><th>Name</th>"
                       "<th class=\"score\">Score</th><th class=\"date\">Date</th><th class=\"proof\">Replay</th>"
                       "</tr></thead>\n<tbody>\n";
    for (std::size_t i = from; i < to && i < rows.size(); ++i) {
        const RankedRecord& row = rows[i];
        html += row.rank == marked ? "<tr class=\"you\">" : "<tr>";
        html += "<td class=\"rank\">" + std::to_string(row.rank) + "</td><td class=\"name\">" + shownName(row.name) +
                "</td><td class=\"score\">" + std::to_string(row.score) + "</td><td class=\"date\">" +
                FormatDate(row.publishedAt) + "</td>" + proofCell(row, courts) + "</tr>\n";
    }
    html += "</tbody>\n</table>\n";
    return html;
}

std::string topTen(const std::vector<RankedRecord>& rows, std::int64_t marked = 0, bool courts = false) {
    if (rows.empty()) return "<p class=\"empty\">No scores yet. Finish a game and press Publish in its Top 10.</p>\n";
    return table(rows, 0, std::size_t(kTopRows), marked, courts);
}

// The game's ball colours 1-7, as its pictures draw them.
constexpr const char* kBallColours[7] = {"#f07a1a", "#2f6fe0", "#35a94a", "#d8283a", "#8c4ccc", "#f7cc2c", "#34343e"};

std::string levelHeading(int level, const char* tag) {
    return std::string("<") + tag + ">" + LevelName(level) + " <span class=\"level\">level " + std::to_string(level) +
           "</span></" + tag + ">\n";
}

} // namespace

std::string ReplayPath(std::int64_t id) { return "/replay/" + std::to_string(id) + ".hoopstack-replay"; }

std::string RenderCourtSvg(std::string_view board, std::string_view label) {
    const std::optional<std::array<std::string, 16>> rows = SplitBoard(board);
    if (!rows) return {};
    // A ball is 10 units wide and its row 10 high; odd rows lie half a ball to the right,
    // as on the court.
    std::string svg = "<svg class=\"court\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 165 160\" "
                      "width=\"83\" height=\"80\" role=\"img\" aria-label=\"" +
                      EscapeHtml(label) + "\"><rect width=\"165\" height=\"160\" fill=\"#ffcc99\"/>";
    for (int r = 0; r < 16; ++r) {
        const std::string& row = (*rows)[std::size_t(r)];
        for (int c = 0; c < 16; ++c) {
            const int colour = row[std::size_t(c)] - '0';
            if (colour == 0) continue;
            const int cx = c * 10 + 5 + (r % 2 == 0 ? 5 : 0);  // row 1, the top, is odd
            const int cy = r * 10 + 5;
            svg += "<circle cx=\"" + std::to_string(cx) + "\" cy=\"" + std::to_string(cy) + "\" r=\"4.8\" fill=\"" +
                   kBallColours[colour - 1] + "\"/>";
        }
    }
    svg += "</svg>";
    return svg;
}

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string FormatDate(std::int64_t secondsSinceEpoch) {
    const std::time_t when = std::time_t(secondsSinceEpoch);
    std::tm parts{};
    char text[32] = "";
    if (gmtime_r(&when, &parts)) std::strftime(text, sizeof text, "%Y-%m-%d", &parts);
    return text;
}

std::string StyleSheet() {
    return R"css(:root { color-scheme: light; --ink: #1d2433; --muted: #5b6478; --accent: #d9480f;
  --paper: #fffaf3; --line: #eadfce; --mark: #ffe8a3; }
* { box-sizing: border-box; }
body { margin: 0; background: var(--paper); color: var(--ink);
  font: 1rem/1.5 system-ui, -apple-system, "Segoe UI", "Liberation Sans", sans-serif; }
header, main, footer { max-width: 42rem; margin: 0 auto; padding: 0 1rem; }
header { padding-top: 1rem; }
.brand { color: var(--accent); font-weight: 700; font-size: 1.25rem; text-decoration: none; }
h1 { font-size: 1.6rem; margin: 1rem 0 0.5rem; }
h2 { font-size: 1.25rem; margin: 1.5rem 0 0.5rem; }
.level { color: var(--muted); font-weight: 400; font-size: 0.9em; }
p { margin: 0.5rem 0; }
.notice { background: #fff; border-left: 0.3rem solid var(--accent); padding: 0.6rem 0.8rem; }
.empty, .unnamed { color: var(--muted); font-style: italic; }
table { width: 100%; border-collapse: collapse; background: #fff; }
th, td { padding: 0.35rem 0.5rem; border-bottom: 1px solid var(--line); text-align: left; }
th { color: var(--muted); font-weight: 600; font-size: 0.85rem; }
td.name { overflow-wrap: anywhere; }
.rank, .score { text-align: right; font-variant-numeric: tabular-nums; }
.score { font-weight: 700; }
.date { color: var(--muted); white-space: nowrap; }
tr.you td { background: var(--mark); }
td.proof { white-space: nowrap; }
.verified { color: #1b7a34; font-weight: 600; text-decoration: none; }
svg.court { display: block; border: 1px solid #9a5a2c; border-radius: 3px; margin-bottom: 0.2rem; }
.proofnote { font-size: 0.9rem; color: var(--muted); }
a { color: var(--accent); }
footer { margin-top: 2rem; padding-bottom: 2rem; border-top: 1px solid var(--line); }
footer nav a { margin-right: 1rem; display: inline-block; padding: 0.5rem 0; }
@media (max-width: 30rem) { .date { display: none; } th, td { padding: 0.3rem; } }
)css";
}

std::string RenderPublishPage(const NewRecord& record, const PublishResult& result,
                              const std::vector<RankedRecord>* top, bool verifiedOnly) {
    const std::string level = LevelName(record.level);
    const std::string who = record.name.empty() ? std::string("(no name)") : record.name;
    std::string main;
    const char* title = "Score published";
    switch (result.outcome) {
    case PublishOutcome::Stored:
        main += "<h1>Score published</h1>\n<p class=\"notice\">" + EscapeHtml(who) + " scored <strong>" +
                std::to_string(record.score) + "</strong> on " + level;
        main += result.rank > 0 ? " and ranks <strong>" + ordinal(result.rank) + "</strong>.</p>\n" : ".</p>\n";
        break;
    case PublishOutcome::Duplicate:
        title = "Already published";
        main += "<h1>Already published</h1>\n<p class=\"notice\">This score of " + EscapeHtml(who) +
                " on " + level + " was published before and is stored once";
        main += result.rank > 0 ? ", ranked <strong>" + ordinal(result.rank) + "</strong>.</p>\n" : ".</p>\n";
        break;
    case PublishOutcome::NotListed:
        title = "Score stored";
        if (verifiedOnly && !result.verified) {
            main += "<h1>Score stored</h1>\n<p class=\"notice\">This score of " + std::to_string(record.score) + " by " +
                    EscapeHtml(who) + " on " + level +
                    " is stored, but this leaderboard ranks verified games only.</p>\n";
            break;
        }
        main += "<h1>Score stored</h1>\n<p class=\"notice\">" + EscapeHtml(who) + " already holds " +
                std::to_string(kRecordsPerNameAndLevel) + " better scores on " + level +
                ". This score of " + std::to_string(record.score) +
                " is stored, but the table shows each name's " + std::to_string(kRecordsPerNameAndLevel) +
                " best.</p>\n";
        break;
    }
    if (result.verified)
        main += "<p class=\"proofnote\"><span class=\"verified\">&#10003; Verified</span>: the server replayed "
                "this game under its rules, and it ended at this level with exactly this score.</p>\n";
    else
        main += "<p class=\"proofnote\">Not verified: " + EscapeHtml(result.reason) +
                ". The score is stored, without the verified mark.</p>\n";
    if (result.day) {
        main += "<p class=\"notice\">This game of the day's court is on <a href=\"" + DailyPath(*result.day) +
                "\">the table of " + DayText(*result.day) + "</a>";
        main += result.dailyRank > 0
                    ? ", ranked <strong>" + ordinal(result.dailyRank) + "</strong> of the day.</p>\n"
                    : ", which lists each name's best game of the day.</p>\n";
    }
    main += levelHeading(record.level, "h2");
    if (top)
        main += topTen(*top, result.rank);
    else
        main += "<p class=\"empty\">The table cannot be read just now.</p>\n";
    main += "<p><a href=\"/level/" + std::to_string(record.level) + "\">The whole " + level + " table</a></p>\n";
    return page(title, main);
}

std::string RenderLevelPage(int level, const std::vector<RankedRecord>& records) {
    std::string main = levelHeading(level, "h1");
    main += "<h2>Top 10</h2>\n" + topTen(records, 0, true);
    if (records.size() > std::size_t(kTopRows)) {
        main += "<h2>Ranks 11 to " + std::to_string(kLevelPageRows) + "</h2>\n";
        main += table(records, std::size_t(kTopRows), std::size_t(kLevelPageRows));
    }
    return page(std::string(LevelName(level)) + " table", main);
}

std::string RenderIndexPage(const std::vector<std::vector<RankedRecord>>& tops,
                            std::optional<std::int64_t> today) {
    std::string main = "<h1>Top 10</h1>\n<p>The best published scores of every level.</p>\n";
    if (today)
        main += "<p class=\"notice\"><a href=\"/daily\">Today's court</a>: the same court for everyone on " +
                DayText(*today) + ", and its table of verified games.</p>\n";
    for (int level = kFirstLevel; level <= kLastLevel; ++level) {
        const std::size_t index = std::size_t(level - kFirstLevel);
        main += levelHeading(level, "h2");
        main += index < tops.size() ? topTen(tops[index]) : topTen({});
        main += "<p><a href=\"/level/" + std::to_string(level) + "\">Ranks 11 to " +
                std::to_string(kLevelPageRows) + "</a></p>\n";
    }
    return page("Top 10", main);
}

std::string DailyPath(std::int64_t day) {
    return "/daily/" + DayText(day);
}

std::string RenderDailyPage(std::int64_t day, int level, std::string_view startBoard,
                            const std::vector<RankedRecord>& records, std::int64_t today) {
    const std::string date = DayText(day);
    std::string main = "<h1>The court of " + date + " <span class=\"level\">" + LevelName(level) +
                       ", level " + std::to_string(level) + "</span></h1>\n";
    main += "<p>Everyone plays the same court on this day (UTC). Its court before the first throw:</p>\n";
    main += RenderCourtSvg(startBoard, "The court of " + date + " before its first throw");
    main += "<p class=\"proofnote\">" + std::string(kDailyProof) + "</p>\n";
    if (records.empty()) {
        main +=
            "<p class=\"empty\">No verified game of this day yet. Play the day's court with the game's Daily "
            "button and publish it.</p>\n";
    } else {
        main += "<h2>Table of the day</h2>\n";
        main += table(records, 0, std::size_t(kTopRows), 0, true);
        if (records.size() > std::size_t(kTopRows))
            main += table(records, std::size_t(kTopRows), std::size_t(kDailyRows));
    }
    main += "<p class=\"days\">";
    if (day > 0) main += "<a href=\"" + DailyPath(day - 1) + "\">&larr; " + DayText(day - 1) + "</a> ";
    if (day < today) main += "<a href=\"" + DailyPath(day + 1) + "\">" + DayText(day + 1) + " &rarr;</a> ";
    if (day != today) main += "<a href=\"/daily\">Today's court</a>";
    main += "</p>\n";
    return page("The court of " + date, main);
}

std::string RenderGamesPage() {
    const std::string main =
        "<h1>Hoopstack</h1>\n"
        "<p>Hoopstack is a puzzle game for the Linux desktop. On a walled honeycomb court you pick a "
        "basketball, click the highest point of its flight, and the ball flies under gravity, bounces "
        "off the walls and the floor, and clears groups of three or more of its colour.</p>\n"
        "<p>Three levels, Novice, Expert and Master, each keep a Top 10 on your computer. Press "
        "<strong>Publish</strong> in the Top 10 window to send your best score of the level here.</p>\n"
        "<h2>This leaderboard</h2>\n"
        "<p>Anyone can host one for a family, a club or a school: it is the program "
        "<code>hoopstack-leaderboard</code> that comes with the game.</p>\n"
        "<p><a href=\"/\">See the Top 10 of every level</a></p>\n";
    return page("About Hoopstack", main);
}

std::string RenderErrorPage(std::string_view title, std::string_view message) {
    return page(title, "<h1>" + EscapeHtml(title) + "</h1>\n<p class=\"notice\">" + EscapeHtml(message) +
                           "</p>\n<p><a href=\"/\">Back to the Top 10</a></p>\n");
}

} // namespace server
