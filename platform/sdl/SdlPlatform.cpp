#include "platform/sdl/SdlPlatform.hpp"

#include "platform/sdl/MessageBoxShowing.hpp"
#include "platform/sdl/SdlDriver.hpp"

namespace platform {

SdlPlatform::SdlPlatform(std::string lockPath) : WindowTable(std::make_unique<SdlDriver>(std::move(lockPath))) {}

bool SdlPlatform::ShowingMessage() {
    return MessageBoxShowing::Any();
}

} // namespace platform
