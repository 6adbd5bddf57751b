#include "TopJson.hpp"

#include "server/DailyGames.hpp"
#include "server/Pages.hpp"

namespace server {

std::string JsonString(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    out.reserve(text.size() + 2);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (byte < 0x20 || c == '<' || c == '>' || c == '&') {
            out += "\\u00";
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 0xF]);
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

namespace {

std::string recordsJson(const std::vector<RankedRecord>& records, bool replays) {
    std::string json = "\"records\":[";
    for (std::size_t i = 0; i < records.size(); ++i) {
        const RankedRecord& r = records[i];
        if (i) json.push_back(',');
        json += "{\"rank\":" + std::to_string(r.rank) + ",\"name\":" + JsonString(r.name) +
                ",\"score\":" + std::to_string(r.score) + ",\"date\":\"" + FormatDate(r.publishedAt) +
                "\",\"verified\":" + (r.verified ? "true" : "false");
        if (replays && r.verified) json += ",\"replay\":" + JsonString(ReplayPath(r.id));
        json += "}";
    }
    return json + "]";
}

} // namespace

std::string RenderTopJson(int level, const std::vector<RankedRecord>& records) {
    return "{\"level\":" + std::to_string(level) + ",\"levelName\":" + JsonString(LevelName(level)) + "," +
           recordsJson(records, false) + "}\n";
}

std::string RenderDailyJson(std::int64_t day, int level, const std::vector<RankedRecord>& records) {
    return "{\"date\":" + JsonString(DayText(day)) + ",\"level\":" + std::to_string(level) +
           ",\"levelName\":" + JsonString(LevelName(level)) + "," + recordsJson(records, true) + "}\n";
}

std::string RenderJsonError(std::string_view message) { return "{\"error\":" + JsonString(message) + "}\n"; }

} // namespace server
