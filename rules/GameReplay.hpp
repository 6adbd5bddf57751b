#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rules/CourtGeometry.hpp"
#include "rules/GameSettings.hpp"

namespace rules {

// One input that reached the rules, stamped with the tick it arrived on: the number of frames
// the game had stepped since it started. A click is a click the rules took (on the court while
// nothing moved); a pace is a frame on which the clock let a queued ball move on, which depends
// on the wall clock and so is recorded rather than recomputed.
struct ReplayInput {
    enum class Kind : std::uint8_t { Click = 0, Pace = 1 };

    std::uint32_t tick = 0;
    Kind kind = Kind::Click;
    int x = 0, y = 0;  // window pixels, clicks only

    bool operator==(const ReplayInput&) const = default;
};

// A whole game, or the part of it played so far: with the level, the generator's state at the
// start and the frame counts of the ball clips (they take part in random draws), the inputs fix
// everything the rules do.
struct GameReplay {
    static constexpr std::uint32_t kFormatVersion = 1;
    // Raised whenever a rule's arithmetic changes, so that an old replay is never judged by
    // rules it was not played under.
    static constexpr std::uint32_t kRulesVersion = 1;

    std::uint32_t formatVersion = kFormatVersion;
    std::uint32_t rulesVersion = kRulesVersion;
    Level level = Level::Novice;
    std::uint32_t startState = 1;
    // Per colour 1-7 (index 0-6); 0 for a colour whose clip was never asked.
    std::array<int, kColours> frameCounts{};
    // The ball pictures' size, from which the court's geometry follows.
    int ballWidth = CourtGeometry{}.ballWidth;
    int ballHeight = CourtGeometry{}.ballHeight;
    // In tick order; inputs on the same tick in the order they arrived.
    std::vector<ReplayInput> inputs;
    // The frames stepped; inputs stamped with this tick came after the last one.
    std::uint32_t ticks = 0;
    // The game ended on its last tick.
    bool finished = false;

    bool operator==(const GameReplay&) const = default;
};

// Limits of what the decoder accepts: a longer text, a larger inflated body or more inputs
// is refused before any of it is played.
inline constexpr std::size_t kMaxReplayText = 1u << 20;
inline constexpr std::size_t kMaxReplayBytes = 4u << 20;
inline constexpr std::uint32_t kMaxReplayInputs = 1000000;

// The uncompressed binary form: versions, level, start state, frame counts, ball size, ticks,
// finished,
// then the inputs as varint deltas. Equal replays have equal bytes, so it identifies a replay
// whatever text carried it.
std::string ReplayBytes(const GameReplay& replay);
// The text form: the bytes deflated (zlib) and written in base64url without padding.
std::string EncodeReplay(const GameReplay& replay);
// Reads either form's text; nullopt with the reason in `error` for anything that is not a
// well-formed replay of a known format (bad characters, a broken stream, trailing bytes,
// values out of range, inputs out of order or past its ticks).
std::optional<GameReplay> DecodeReplay(std::string_view text, std::string* error = nullptr);
std::optional<GameReplay> ParseReplayBytes(std::string_view bytes, std::string* error = nullptr);

} // namespace rules
