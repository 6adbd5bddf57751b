#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "engine/WindowProcedure.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/Platform.hpp"
#include "platform/headless/HeadlessPlatform.hpp"

namespace engine {
class OWindow;
}
namespace scene {
class OGraph;
}

namespace driver {

// Drives windows on the headless platform as the main loop and a user at the desk would:
// it makes a new headless platform the current one with the calling thread as the main
// thread, serves the queued events through one window procedure, puts input in as the
// window system reports a real mouse and keyboard, and runs frames on a manual clock, so
// that every run is the same. Used by the tests, the simulator and the benchmarks alike;
// main thread only. The platform belongs to the platform slot and outlives the driver.
class HeadlessDriver {
public:
    explicit HeadlessDriver(platform::Size screen = {1024, 768});
    // Forgets the main thread; windows still open are the caller's.
    ~HeadlessDriver();
    HeadlessDriver(const HeadlessDriver&) = delete;
    HeadlessDriver& operator=(const HeadlessDriver&) = delete;

    platform::HeadlessPlatform& Platform() const { return *m_headless; }
    engine::WindowProcedure& Procedure() { return m_procedure; }

    // Serves every queued event as the main loop would. While dialogs are followed, it then
    // tears down each followed dialog that closed, the top one first (an owner waits for its
    // dialog), and serves what that queued, until no closed dialog is left: without frame
    // threads nobody else frees them.
    void Pump();
    // Follows the chain of dialogs above `root` from now on; null follows none. A dialog is
    // noted as it opens, because one that closed has already left the chain; dialogs noted
    // before stay noted until they are freed.
    void FollowDialogs(const engine::OWindow* root);
    // The top of the followed chain of dialogs, or null when it has none.
    engine::OWindow* TopDialog() const;
    // Destroys every followed dialog, the top one first, and forgets them.
    void DestroyDialogs();
    // Destroys each window of the list that is still alive, in order, lets every frame thread
    // end, and serves what that queued: a test's teardown.
    void DestroyWindows(const std::vector<engine::OWindow*>& windows);

    // Queues one event for the window as the window system reports it, without serving it:
    // input in client coordinates, `code` a key or button (a KeyDown or KeyUp with a
    // mouse-button code is that button's MouseDown or MouseUp), a Character event's byte
    // taken from `code`.
    void Inject(const engine::OWindow* window, platform::EventKind kind, int code = 0, int x = 0, int y = 0);
    // The same, then serves the queue.
    void Send(const engine::OWindow* window, platform::EventKind kind, int code = 0, int x = 0, int y = 0);
    // Both by the platform window alone, for input that may outlive the engine window: the
    // press that closes a dialog frees it before its release is sent.
    void Inject(platform::WindowId window, platform::EventKind kind, int code = 0, int x = 0, int y = 0);
    void Send(platform::WindowId window, platform::EventKind kind, int code = 0, int x = 0, int y = 0);

    // Puts the mouse on the window's client pixel as a real mouse arrives there: the cursor
    // moves, then two moves are reported. The first may only take the capture away from the
    // control the mouse was over; the second reaches the control under the mouse, so that a
    // button takes the press that follows.
    void MoveTo(const engine::OWindow* window, int x, int y);
    // A real click: MoveTo, then the button's press and release there, each served at once.
    void Click(const engine::OWindow* window, int x, int y, int button = platform::Key_LButton);
    // Click on the middle of one of the window's objects.
    void ClickOn(const engine::OWindow* window, const scene::OGraph* object);
    // A key's press and release, each served at once; keys go where the keyboard focus is.
    void Press(const engine::OWindow* window, int key);
    // Each byte as a typed character, then serves the queue.
    void Type(const engine::OWindow* window, std::string_view text);

    // The manual clock, in milliseconds; it starts at 1000.
    std::uint32_t Time() const { return m_time; }
    // One frame of each window in order at the clock's time, an owner before its dialogs;
    // then serves what they queued and moves the clock on by one frame period of the last.
    void Frame(const std::vector<engine::OWindow*>& windows);
    void Frame(engine::OWindow* window) { Frame(std::vector<engine::OWindow*>{window}); }

private:
    void noteDialogs();

    platform::HeadlessPlatform* m_headless = nullptr;
    engine::WindowProcedure m_procedure;
    const engine::OWindow* m_root = nullptr;
    // Every followed dialog seen and not yet freed, from the bottom up.
    std::vector<engine::OWindow*> m_dialogs;
    std::uint32_t m_time = 1000;
};

} // namespace driver
