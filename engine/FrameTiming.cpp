#include "FrameTiming.hpp"

namespace engine {

int FrameSleepMilliseconds(int framesPerSecond, std::uint32_t elapsed) {
    const long double period = 1000.0f / (framesPerSecond + 0.0001);
    return static_cast<int>(period - static_cast<long double>(elapsed));
}

} // namespace engine
