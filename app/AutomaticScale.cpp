#include "app/AutomaticScale.hpp"

#include <cstdint>

namespace app {

int AutomaticScale(platform::Size usable, platform::Size window) {
    if (window.width < 1 || window.height < 1) return 1;
    // In 64 bits, so that no screen size overflows: scale x side x 5 <= usable side x 4.
    const auto fits = [&](int scale) {
        return std::int64_t{scale} * window.width * 5 <= std::int64_t{usable.width} * 4 &&
               std::int64_t{scale} * window.height * 5 <= std::int64_t{usable.height} * 4;
    };
    int scale = 1;
    while (scale < platform::kMaxScale && fits(scale + 1)) ++scale;
    return scale;
}

} // namespace app
