#include "Platform.hpp"

#include <cassert>

namespace platform {
namespace {

std::unique_ptr<Platform>& current() {
    static std::unique_ptr<Platform> instance;
    return instance;
}

} // namespace

Platform& CurrentPlatform() {
    assert(current() && "no platform set");
    return *current();
}

void SetCurrentPlatform(std::unique_ptr<Platform> platform) {
    current() = std::move(platform);
}

} // namespace platform
