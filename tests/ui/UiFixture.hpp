#pragma once

#include "SolidSkin.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "engine/MainThread.hpp"
#include "engine/OWindow.hpp"
#include "engine/WindowProcedure.hpp"
#include "platform/headless/HeadlessPlatform.hpp"
#include "scene/ResolvePath.hpp"
#include "scene/TClipData.hpp"
#include "tools/driver/HeadlessDriver.hpp"
#include "ui/TextDrawing.hpp"

namespace uitest {

// Skin colours, 0xRRGGBB.
constexpr std::uint32_t kRed = 0xD02010, kGreen = 0x20B040, kBlue = 0x2040D0;
constexpr std::uint32_t kBackground = 0xFFCC99;  // the window's 0x0099CCFF

// A window that records every control event it receives.
class EventWindow : public engine::OWindow {
public:
    using engine::OWindow::OWindow;
    void ControlEvent(engine::WindowControl* sender, int code) override {
        events.emplace_back(sender, code);
        if (onEvent) onEvent(sender, code);
    }
    // The codes sent by one control, in order.
    std::vector<int> Codes(const engine::WindowControl* sender) const {
        std::vector<int> out;
        for (const auto& [from, code] : events)
            if (from == sender) out.push_back(code);
        return out;
    }
    std::vector<std::pair<engine::WindowControl*, int>> events;
    std::function<void(engine::WindowControl*, int)> onEvent;
};

// Headless platform, frames driven by the test, skins written into a temporary data folder
// that stands in for the executable's folder.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("hoopstack-ui-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder / "CLP");
        scene::SetExecutableFolderOverride(folder.string() + "/");
        WriteSkin("def_btn.clp", 80, 30, {kRed, kGreen, kBlue});
        WriteSkin("def_cbox.clp", 20, 20, {0x101010, 0x202020, 0x303030, 0x404040, 0x505050, 0x606060});
    }
    void TearDown() override {
        driver.DestroyWindows(windows);
        engine::MainThread::Reset();
        scene::SetExecutableFolderOverride(std::nullopt);
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    // A clip of solid frames, one per colour, at `rate` frames a second.
    void WriteSkin(const std::string& name, int width, int height, std::initializer_list<std::uint32_t> colours,
                   float rate = 0) {
        const scene::TClipData clip = SolidSkin(width, height, colours, rate);
        ASSERT_TRUE(scene::WriteClipFile(clip, (folder / "CLP" / name).string()));
    }

    // How MakeWindow makes its windows; a test may change it first.
    engine::CreationParams params{0x0099CCFF, platform::kFramedPopupStyle, 400, 300, false};

    EventWindow* MakeWindow() {
        auto* w = new EventWindow(nullptr, params);
        windows.push_back(w);
        w->Start();
        return w;
    }
    // Dispatches every queued event, as the main loop would.
    void Pump() { driver.Pump(); }
    // The colour shown at a client position after composing, 0xRRGGBB.
    static std::uint32_t Pixel(engine::OWindow* w, int x, int y) {
        w->Render();
        const scene::BackBufferView view = w->BackBuffer();
        const std::uint8_t* p = view.row(y) + std::ptrdiff_t(x) * 3;
        return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    }

    driver::HeadlessDriver driver;
    platform::HeadlessPlatform* headless = &driver.Platform();
    engine::WindowProcedure& procedure = driver.Procedure();
    std::vector<engine::OWindow*> windows;
    std::filesystem::path folder;
};

} // namespace uitest
