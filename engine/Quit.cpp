#include "Quit.hpp"

#include <cstdint>

#include "engine/Messages.hpp"
#include "platform/Platform.hpp"

namespace engine {

void PostQuit(int exitCode) {
    platform::Event quit;
    quit.kind = platform::EventKind::Posted;
    quit.code = kPostedQuit;
    quit.value = std::uint64_t(exitCode);
    platform::CurrentPlatform().PostEvent(quit);
}

} // namespace engine
