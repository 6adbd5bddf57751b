#pragma once

#include "platform/Platform.hpp"

namespace app {

// The largest whole scale, 1 to kMaxScale, at which a window of `window` pixels (its outer
// size, frame included) fits the screen's usable part with a margin of a tenth of it on every
// side, so that it takes at most four fifths of either side: 2 on 3840 x 2160, 1 on
// 1920 x 1080 and 2560 x 1440 for the framed 750 x 600 game window. 1 when even that does not
// fit, or the screen is unknown (0 x 0).
int AutomaticScale(platform::Size usable, platform::Size window);

} // namespace app
