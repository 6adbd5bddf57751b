#pragma once

#include <atomic>
#include <string>

#include "engine/PointerCapture.hpp"
#include "platform/Platform.hpp"

namespace engine {

// A window's platform window and every call on it. The platform window is made on the main
// thread, and every later call is handed to the main thread, so each one is safe from any
// thread. It knows the platform and the main thread only; the window's lock guards the
// title and the client size, and the id is atomic, read by other threads without the lock.
class NativeWindow : public PointerCapture {
public:
    // Makes the platform window (a side of 0 is the screen's) and reads its client size;
    // false when none could be made. `screen` is the screen's size.
    bool Create(const platform::WindowSpec& wanted, platform::Size& screen);

    platform::WindowId Id() const { return m_id; }
    // Destroys the platform window later, on the main thread.
    void PostDestroy();
    // Forgets the platform window, which is gone or going.
    void Forget() { m_id = 0; }

    void Show();
    void ShowRestored(bool restore);
    void SetEnabled(bool enabled);
    void Activate();
    // Centres the client area on the owner's outer rectangle, or on the screen without owner.
    void PlaceOn(platform::WindowId owner);
    // The mouse position in client coordinates.
    platform::Point Cursor();
    // Posts an event of the engine's own (a PostedCode) to the window, with `area` for codes
    // that carry one; any thread.
    void Post(int postedCode, const platform::Rect& area = {});

    void SetTitle(const std::string& text);
    const std::string& Title() const { return m_title; }
    // The size the window was made with.
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    float ClientWidth() const { return m_clientWidth; }
    float ClientHeight() const { return m_clientHeight; }
    void SetClientSize(float width, float height) {
        m_clientWidth = width;
        m_clientHeight = height;
    }

    void TakePointer() override;
    void ReleasePointer() override;

private:
    std::atomic<platform::WindowId> m_id{0};
    std::string m_title;
    int m_width = 0;
    int m_height = 0;
    float m_clientWidth = 0;
    float m_clientHeight = 0;
};

} // namespace engine
