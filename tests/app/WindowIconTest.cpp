#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "app/WindowIcon.hpp"
#include "scene/ResolvePath.hpp"

namespace {

using app::WindowIcon;

std::uint32_t valueAt(const platform::Surface& image, int x, int y) {
    const std::uint8_t* p = image.row(y) + x * 3;
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
}

TEST(WindowIcon, TheGeneratedIconIsABallOnItsColourKey) {
    std::optional<WindowIcon> icon = WindowIcon::Load(scene::ExecutableFolder() + "icons/hoopstack-window.clp");
    ASSERT_TRUE(icon);
    const platform::Surface pixels = icon->Pixels();
    ASSERT_GE(pixels.width, 16);
    EXPECT_EQ(pixels.width, pixels.height);
    EXPECT_GE(pixels.stride, pixels.width * 3);
    // The corners are transparent, the middle is the ball.
    EXPECT_EQ(valueAt(pixels, 0, 0), icon->ColourKey());
    EXPECT_EQ(valueAt(pixels, pixels.width - 1, pixels.height - 1), icon->ColourKey());
    EXPECT_NE(valueAt(pixels, pixels.width / 2, pixels.height / 2), icon->ColourKey());
}

TEST(WindowIcon, AMissingOrDamagedFileGivesNoIcon) {
    EXPECT_FALSE(WindowIcon::Load("/nonexistent/hoopstack-window.clp"));
    const std::filesystem::path damaged =
        std::filesystem::temp_directory_path() / ("hoopstack-icon-" + std::to_string(::getpid()) + ".clp");
    {
        std::ifstream whole(scene::ExecutableFolder() + "icons/hoopstack-window.clp", std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(whole), std::istreambuf_iterator<char>()};
        ASSERT_GT(bytes.size(), 40u);
        std::ofstream(damaged, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    }
    EXPECT_FALSE(WindowIcon::Load(damaged.string()));
    std::filesystem::remove(damaged);
    EXPECT_FALSE(WindowIcon::Load(std::filesystem::temp_directory_path().string()));
}

} // namespace
