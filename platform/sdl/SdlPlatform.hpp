#pragma once

#include "platform/Platform.hpp"
#include "platform/sdl/SingleInstanceLock.hpp"
#include "platform/sdl/SoundPlayer.hpp"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct SDL_Surface;
struct SDL_Window;
union SDL_Event;

namespace platform {

// The real program's platform: SDL2 windows presented through their window
// surfaces, SDL input turned into the program's events, one SDL audio voice.
class SdlPlatform : public Platform {
public:
    // `lockPath` names the single-copy lock file; empty means the default one
    // in the user's runtime directory.
    explicit SdlPlatform(std::string lockPath = {});
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    void SetScale(int scale) override;
    WindowId CreateWindow(const WindowSpec& request) override;
    void DestroyWindow(WindowId window) override;
    void SetTitle(WindowId window, std::string_view title) override;
    void ShowWindow(WindowId window, ShowMode mode) override;
    void MoveWindow(WindowId window, int x, int y) override;
    Rect WindowArea(WindowId window) override;
    Size ClientSize(WindowId window) override;
    Size ScreenSize() override;
    Size UsableScreenSize() override;
    void EnableWindow(WindowId window, bool enabled) override;
    void ActivateWindow(WindowId window) override;
    void SetCapture(WindowId window) override;
    WindowId CaptureWindow() override;
    Point CursorPosition(WindowId window) override;
    void Present(WindowId window, const Surface& pixels, const Rect& area) override;
    Event WaitEvent() override;
    void PostEvent(const Event& event) override;
    std::uint32_t Milliseconds() override;
    void ShowMessage(std::string_view text, std::string_view caption) override;
    // True while a message box holds the main thread, which then serves no other event; any
    // thread.
    static bool ShowingMessage();
    bool OpenUrl(std::string_view target) override;
    void PlaySound(const std::string& path, bool wait) override;
    void SetIcon(WindowId window, const Surface& image, std::uint32_t colourKey) override;

private:
    struct WindowState {
        SDL_Window* window = nullptr;
        WindowId owner = 0;
        bool enabled = true;
        int frame = 0; // FrameWidth of the style kind, in the program's pixels
        // At a scale above 1, presented pixels in the window surface's format at the
        // program's size, before they are scaled into the surface.
        std::vector<std::uint8_t> unscaled;
    };

    bool ensureVideo();
    SDL_Window* find(WindowId window) const;
    WindowState* state(WindowId window);
    // The innermost dialog above `window`, or 0 when it has none.
    WindowId topDialog(WindowId window) const;
    void raiseDialogOf(WindowId window);
    void loseCapture();
    // Has SDL count the buttons whose press went to the window released, before the window
    // goes: SDL would drop their releases, and then the next press of each on any window.
    void releaseButtonsHeldBy(WindowId window);
    void push(EventKind kind, WindowId window);
    void translate(const SDL_Event& event);
    void translateWindowEvent(const SDL_Event& event);
    void translateMouse(const SDL_Event& event);
    void translateKey(const SDL_Event& event);
    void translateText(const SDL_Event& event);
    bool acceptsInput(WindowId window);
    // The mouse position relative to the window's client corner, in screen pixels.
    Point cursorOnScreen(const WindowState& window) const;
    // The client corner's offset from the outer corner, in screen pixels.
    int clientOffset(const WindowState& window) const { return window.frame * m_scale; }
    // Draws the window's frame into its surface and shows it.
    void drawFrame(const WindowState& window);
    // Copies `area` (clipped to both) of `pixels` into the window's surface at the scale.
    void copyToSurface(WindowState& window, SDL_Surface* surface, const Surface& pixels, const Rect& area);

    SingleInstanceLock m_lock;
    std::unique_ptr<SoundPlayer> m_sound;
    bool m_events = false;
    bool m_video = false;
    int m_scale = 1;
    bool m_madeWindow = false;
    std::map<WindowId, WindowState> m_windows;
    WindowId m_capture = 0;
    // The window each SDL mouse button was last pressed on, from the press to its release.
    std::map<std::uint8_t, WindowId> m_pressedOn;
    // Events made by the backend itself, delivered before SDL's next ones.
    std::deque<Event> m_pending;

    std::mutex m_postMutex;
    std::condition_variable m_posted;
    std::deque<Event> m_postQueue;
    bool m_wakePending = false;
    std::uint32_t m_wakeType = 0;
};

} // namespace platform
