#pragma once

#include <cstdint>

namespace scene {

// Whether a notified object is now shown in its area or no longer shown there.
enum class Visibility : std::uint8_t { Shown, Hidden };

} // namespace scene
