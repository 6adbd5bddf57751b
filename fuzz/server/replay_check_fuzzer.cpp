// Feeds arbitrary bytes to the leaderboard as a publish's replay (after two bytes that pick the
// report's level and score) and as a stored final court. A replay that verifies must carry
// its hash and a well-formed court; every reason must be one line; a court drawing holds
// nothing but our own markup.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "server/Pages.hpp"
#include "server/ReplayCheck.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > 16384) return 0;
    const int level = 1 + data[0] % 3;
    const std::int32_t score = data[1];
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    const server::ReplayCheck check = server::CheckReplay(text, level, score);
    if (check.verified) {
        if (check.replayHash.size() != 64 || !server::SplitBoard(check.board) || !check.reason.empty()) __builtin_trap();
    } else {
        if (check.reason.empty() || !check.replayHash.empty() || !check.board.empty()) __builtin_trap();
    }
    for (const char c : check.reason)
        if (c == '\n' || c == '\t') __builtin_trap();
    if (check.replay.size() > server::kMaxStoredReplay || (!check.replay.empty() && !server::IsReplayText(check.replay)))
        __builtin_trap();
    const std::string svg = server::RenderCourtSvg(text, text);
    if (!svg.empty() && (svg.find("<script") != std::string::npos || svg.find("<svg", 1) != std::string::npos))
        __builtin_trap();
    return 0;
}
