#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/Records.hpp"

namespace server {

// The HTML pages of the leaderboard: complete documents in UTF-8 that need no script and
// take their look from StyleSheet() at /style.css. Every text that came from a player is
// escaped.

// Rows shown as a level's Top 10, and in all on a level's own page.
inline constexpr int kTopRows = 10;
inline constexpr int kLevelPageRows = 100;
// Rows shown on a day's page and in its JSON.
inline constexpr int kDailyRows = 100;

// What a row of a day's table proves and what it does not, in one sentence.
inline constexpr const char* kDailyProof =
    "Each row is a real game from this day's court that the server replayed and that scored exactly this; "
    "it does not prove that it was the player's first attempt: a player can practise the court, and a bot "
    "can "
    "play it.";

// Text safe between tags and inside quoted attribute values.
std::string EscapeHtml(std::string_view text);
// The date of a moment as YYYY-MM-DD in UTC.
std::string FormatDate(std::int64_t secondsSinceEpoch);

std::string StyleSheet();

// A day's page: /daily/YYYY-MM-DD.
std::string DailyPath(std::int64_t day);
// Where a verified record's replay is downloaded: /replay/ID.hoopstack-replay.
std::string ReplayPath(std::int64_t id);
// A stored final court (see SplitBoard) as a small inline SVG in the game's ball colours,
// labelled for screen readers with `label` (escaped); "" for anything but a well-formed court.
std::string RenderCourtSvg(std::string_view board, std::string_view label);

// The answer to a publish: what happened, the record's rank and the level's Top 10 (the
// player's row marked). `top` is null when the table could not be read. With `verifiedOnly`
// an unverified record is said to be stored without a rank.
std::string RenderPublishPage(const NewRecord& record, const PublishResult& result,
                              const std::vector<RankedRecord>* top, bool verifiedOnly = false);
// One level: its Top 10, a verified record's row there with its final court, and the ranks
// after it, up to kLevelPageRows in all. Verified rows everywhere link to their replay.
std::string RenderLevelPage(int level, const std::vector<RankedRecord>& records);
// The Top 10 of every level, `tops[0]` being level 1, with a link to the table of the day
// `today` (days since 1970-01-01) when it is given.
std::string RenderIndexPage(const std::vector<std::vector<RankedRecord>>& tops,
                            std::optional<std::int64_t> today = std::nullopt);
// A day's table (`records` best first, all verified) under the day's court before its first
// throw (`startBoard`, as final courts are stored), what a row proves, and links to the days
// around it up to `today`.
std::string RenderDailyPage(std::int64_t day, int level, std::string_view startBoard,
                            const std::vector<RankedRecord>& records, std::int64_t today);
// What Hoopstack is, for the game's "More Games" button.
std::string RenderGamesPage();
// A short page for a refused or failed request.
std::string RenderErrorPage(std::string_view title, std::string_view message);

} // namespace server
