#pragma once

#include <optional>
#include <string>

#include "rules/GameReplay.hpp"

namespace rules {

// Why a replay is not the faithful recording of the game it plays, or nothing when it is.
// `taken` is the record the rules kept while they played `submitted` up to its game's end;
// the game's own recorder writes exactly that record, so any difference is something added
// or changed after the game: frames or inputs after its end, inputs the rules did not take,
// a `finished` flag that disagrees with the game, frame counts of clips it never drew from.
std::optional<std::string> UnfaithfulReason(const GameReplay& submitted, const GameReplay& taken);

} // namespace rules
