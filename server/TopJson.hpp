#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "server/Records.hpp"

namespace server {

// A level's records as JSON:
//   {"level":1,"levelName":"Novice","records":[{"rank":1,"name":"Anna","score":1234,"date":"2026-12-08","verified":true}]}
std::string RenderTopJson(int level, const std::vector<RankedRecord>& records);
// A day's table as JSON: the same, with the day's date first and each row's replay.
//   {"date":"2026-12-11","level":2,"levelName":"Expert","records":[{...,"replay":"/replay/7.hoopstack-replay"}]}
std::string RenderDailyJson(std::int64_t day, int level, const std::vector<RankedRecord>& records);
// {"error":"..."} for a refused or failed request.
std::string RenderJsonError(std::string_view message);
// A JSON string literal, quotes included. The text must be UTF-8; "<", ">" and "&" are
// escaped too, so the JSON is safe inside HTML.
std::string JsonString(std::string_view text);

} // namespace server
