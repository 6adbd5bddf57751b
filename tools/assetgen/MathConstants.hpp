#pragma once

#include <numbers>

namespace assetgen {

// Half a turn in radians, for the drawings' angles and the sounds' phases alike.
inline constexpr double kPi = std::numbers::pi;

} // namespace assetgen
