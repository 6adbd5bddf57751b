#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "rules/GameReplay.hpp"

// Replays for the server's tests: whole games played by a random bot on the pure rules, and
// short ones that end before their game does.
struct PlayedGame {
    std::string replay;  // EncodeReplay text
    int level = 1;       // 1-3, as reports write it
    std::int32_t score = 0;
};

// One whole game at `level` (1-3) from `seed`, played to its end by a bot throwing random
// free balls at random points; nothing when the rules recorded no replay of it.
std::optional<PlayedGame> PlayGame(int level, std::uint32_t seed);
// The same from the generator start `start`, the bot throwing as `botSeed` makes it: several
// games of one court.
std::optional<PlayedGame> PlayGameFrom(int level, std::uint32_t start, std::uint32_t botSeed);

// A replay that stops a few ticks into its game, which is not finished.
std::string UnfinishedReplay(int level);

// A report code as the game sends it; the second form takes the level as the report's text,
// which a hostile sender may make anything.
std::string ReportCode(std::int32_t score, int level, const std::string& name);
std::string ReportCode(std::int32_t score, const std::string& level, const std::string& name);

// A replay that asks for `ticks` frames with no input: as costly to check as its length.
std::string IdleReplay(int level, std::uint32_t ticks);

// The replay text decoded, changed as `change` says and encoded again.
std::string ChangedReplay(const std::string& text, const std::function<void(rules::GameReplay&)>& change);

// Copies of a finished game's replay in other bytes that play the very same game: each click
// clicked twice on its frame (the rules take the second only after a selection, where it
// selects the same ball again). The caller keeps those that verify.
std::vector<std::string> RepeatedClickCopies(const std::string& text);
