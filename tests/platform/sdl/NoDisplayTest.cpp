#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "platform/sdl/SdlPlatform.hpp"

namespace {

// Without a display SDL would make windows on a driver that shows nothing, and the program
// would run on where nobody can see or end it; it gets no window instead.
TEST(NoDisplay, NoWindowIsMadeAndTheScreenIsUnknown) {
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("SDL_VIDEODRIVER");
    const std::string lock =
        (std::filesystem::temp_directory_path() / ("no-display-" + std::to_string(::getpid()) + ".lock")).string();
    {
        platform::SdlPlatform os(lock);
        EXPECT_EQ(os.ScreenSize().width, 0);
        EXPECT_EQ(os.UsableScreenSize().height, 0);
        platform::WindowSpec wanted;
        wanted.width = 100;
        wanted.height = 80;
        EXPECT_EQ(os.CreateWindow(wanted), 0u);
    }
    std::filesystem::remove(lock);
}

} // namespace
