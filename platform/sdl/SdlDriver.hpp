#pragma once

#include "platform/BorderTile.hpp"
#include "platform/NativeDriver.hpp"
#include "platform/sdl/SingleInstanceLock.hpp"
#include "platform/sdl/SoundPlayer.hpp"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct SDL_Window;
union SDL_Event;

namespace platform {

class GameControllers;
class QuietWait;

// The real program's windows beneath the window table: SDL2 windows presented through
// their window surfaces, SDL input (game controllers' too) turned into native events, one SDL
// audio voice.
class SdlDriver : public NativeDriver {
public:
    // `lockPath` names the single-copy lock file; empty means the default one in the user's
    // runtime directory.
    explicit SdlDriver(std::string lockPath);
    ~SdlDriver() override;
    SdlDriver(const SdlDriver&) = delete;
    SdlDriver& operator=(const SdlDriver&) = delete;

    bool Ready() override;
    WindowId Create(const NativeWindowSpec& wanted) override;
    void Destroy(WindowId window) override;
    void SetTitle(WindowId window, std::string_view title) override;
    void Show(WindowId window, ShowMode mode) override;
    void Move(WindowId window, Point corner) override;
    Rect Area(WindowId window) override;
    Size Screen(bool usable) override;
    void Raise(WindowId window) override;
    void CaptureMouse(bool captured) override;
    Point Cursor() override;
    void Present(WindowId window, const Surface& pixels, const Rect& asked, const Rect& clipped) override;
    bool Place(WindowId window, const Rect& outer, const WindowLayout& layout) override;
    void SetBorderTile(const ConstSurface& tile) override;
    bool CanWait() override;
    Pumped WaitNative(std::vector<NativeEvent>& out, bool block) override;
    void Wake() override;
    std::uint32_t Milliseconds() override;
    void ShowMessage(std::string_view text, std::string_view caption) override;
    bool OpenUrl(std::string_view target) override;
    bool SetClipboardText(std::string_view text) override;
    void PlaySound(const std::string& path, bool wait) override;
    void SetIcon(WindowId window, const Surface& image, std::uint32_t colourKey) override;

private:
    struct WindowState {
        SDL_Window* window = nullptr;
        WindowLayout layout;
        std::uint32_t background = 0; // 0x00BBGGRR
        // At a scale above 1, presented pixels in the window surface's format at the
        // program's size, before they are scaled into the surface.
        std::vector<std::uint8_t> unscaled;
    };

    bool ensureVideo();
    SDL_Window* find(WindowId window) const;
    // Has SDL count the buttons whose press went to the window released, before the window
    // goes: SDL would drop their releases, and then the next press of each on any window.
    void releaseButtonsHeldBy(WindowId window);
    void translate(const SDL_Event& event, std::vector<NativeEvent>& out);
    // Draws what lies around the client (the frame, or the border on the full screen) and
    // shows it; with `client`, the client area in the background colour too.
    void paintAround(const WindowState& window, bool client);

    SingleInstanceLock m_lock;
    std::unique_ptr<SoundPlayer> m_sound;
    std::unique_ptr<GameControllers> m_pads;
    std::unique_ptr<QuietWait> m_quietWait;
    bool m_events = false;
    bool m_video = false;
    BorderTile m_border;
    std::map<WindowId, WindowState> m_windows;
    // The window each SDL mouse button was last pressed on, from the press to its release.
    std::map<std::uint8_t, WindowId> m_pressedOn;

    std::mutex m_wakeMutex;
    bool m_wakePending = false; // guarded by m_wakeMutex
    std::uint32_t m_wakeType = 0;
};

} // namespace platform
