#pragma once

// What every platform backend promises, written once and run on each backend.
// A test binary supplies a factory for its backend and instantiates the suite:
//
//   INSTANTIATE_TEST_SUITE_P(Headless, PlatformContract, ::testing::Values(&MakeHeadless),
//                            platformtest::BackendName);

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.hpp"

namespace platformtest {

// One backend under test, with the means to act as the user and to look at the
// screen the way a person at the desktop would. The screen is 1024 x 768. Everything the
// user does and sees is in screen pixels, which are the program's pixels at scale 1.
class Backend {
public:
    virtual ~Backend() = default;
    virtual platform::Platform& Os() = 0;

    // Input as the window system reports it for `window` (the one under the pointer or
    // with the keyboard focus), in that window's client coordinates.
    virtual void UserMouseMove(platform::WindowId window, int x, int y) = 0;
    // `code` is Key_LButton, Key_RButton or Key_MButton.
    virtual void UserButton(platform::WindowId window, bool down, int code, int x, int y) = 0;
    // The same at screen position (x, y), as the window system reports it for `window`.
    virtual void UserMouseMoveAt(platform::WindowId window, int x, int y) = 0;
    virtual void UserButtonAt(platform::WindowId window, bool down, int code, int x, int y) = 0;
    // `code` is one of 'A', Key_Backspace, Key_Tab, Key_Return, Key_Escape, Key_F12.
    virtual void UserKey(platform::WindowId window, bool down, int code) = 0;
    // Typed text, in Latin-1.
    virtual void UserText(platform::WindowId window, const std::string& text) = 0;
    // The user asks the window to close (its close button, Alt+F4).
    virtual void UserClose(platform::WindowId window) = 0;
    // Puts the pointer at screen position (x, y).
    virtual void MovePointer(int x, int y) = 0;
    // A game controller's button pressed or released, or its axis moved to `value`; a
    // controller belongs to no window. The axes used are LeftX, LeftY, RightX and RightY.
    virtual void UserPadButton(platform::PadButton button, bool down) = 0;
    virtual void UserPadAxis(platform::PadAxis axis, int value) = 0;
    // The desktop gives the keyboard focus to another program's window.
    virtual void UserFocusElsewhere() = 0;

    // Makes every event that earlier calls caused ready for WaitEvent.
    virtual void Flush() = 0;
    // The window with the keyboard focus as the desktop sees it, or 0.
    virtual platform::WindowId FocusedWindow() = 0;
    // The window's title as the desktop shows it, in Latin-1.
    virtual std::string Title(platform::WindowId window) = 0;
    // What the window shows, row by row, as 0x00RRGGBB; empty when the screen cannot be read.
    virtual std::vector<std::uint32_t> Shown(platform::WindowId window) = 0;
    // The window's rectangle on the screen as the desktop sees it.
    virtual platform::Rect ScreenArea(platform::WindowId window) = 0;
};

using BackendFactory = std::unique_ptr<Backend> (*)();

// Names the instantiated tests after the suite alone: each binary runs one backend.
std::string BackendName(const ::testing::TestParamInfo<BackendFactory>& info);

class PlatformContract : public ::testing::TestWithParam<BackendFactory> {
protected:
    // The scale set before the first window, the marker.
    virtual int Scale() const { return 1; }

    void SetUp() override;
    void TearDown() override;

    platform::Platform& os() { return m_backend->Os(); }
    Backend& user() { return *m_backend; }

    // A window with the peach background; `kind` is the style kind.
    platform::WindowId Make(int width, int height, platform::WindowId owner = 0, int kind = 7);
    // Every event up to now, taken with WaitEvent; the marker window's own key release ends it.
    std::vector<platform::Event> Drain();
    // Drains until the desktop gives `window` the keyboard focus; false if it never does.
    bool FocusReaches(platform::WindowId window, std::vector<platform::Event>* seen = nullptr);
    // The small window Drain marks the end of the queue with; it accepts input throughout.
    platform::WindowId Marker() const { return m_marker; }
    // Destroys the marker and takes every event up to its Destroyed one.
    void DropMarker();

private:
    std::unique_ptr<Backend> m_backend;
    platform::WindowId m_marker = 0;
};

// The same backend with every window at scale 2.
class ScaledPlatformContract : public PlatformContract {
protected:
    int Scale() const override { return 2; }
};

} // namespace platformtest
