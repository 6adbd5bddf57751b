#include "platform/sdl/SdlDriver.hpp"

#include "platform/WindowTable.hpp"
#include "platform/sdl/Conversions.hpp"
#include "platform/sdl/GameControllers.hpp"
#include "platform/sdl/MessageBoxShowing.hpp"
#include "platform/sdl/QuietWait.hpp"
#include "platform/sdl/WindowSurface.hpp"
#include "platform/sdl/X11Buttons.hpp"
#include "platform/sdl/X11Errors.hpp"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace platform {
namespace {

std::uint32_t wakeEventType() {
    static const std::uint32_t type = SDL_RegisterEvents(1);
    return type;
}

std::string lockPathOrDefault(std::string path) {
    if (!path.empty()) return path;
    return DefaultLockPath(std::getenv("XDG_RUNTIME_DIR"), static_cast<unsigned>(::getuid()));
}

NativeEvent windowEvent(NativeEvent::Kind kind, WindowId window) {
    NativeEvent event;
    event.kind = kind;
    event.window = window;
    return event;
}

} // namespace

SdlDriver::SdlDriver(std::string lockPath) : m_lock(lockPathOrDefault(std::move(lockPath))) {
    // Without this SDL presents window surfaces through OpenGL, at many times the cost.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Capture is the program's own decision, as on Win32; SDL must not add its own.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    // The click that activates a window is delivered to it too.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // Ctrl+C and SIGTERM keep ending the process instead of becoming an ignored quit event.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    m_events = SDL_InitSubSystem(SDL_INIT_EVENTS) == 0;
    m_wakeType = wakeEventType();
    m_sound = std::make_unique<SoundPlayer>();
    m_pads = std::make_unique<GameControllers>();
    m_quietWait = std::make_unique<QuietWait>();
}

SdlDriver::~SdlDriver() {
    for (auto& [id, window] : m_windows) SDL_DestroyWindow(window.window);
    m_windows.clear();
    m_sound.reset();
    m_pads.reset();
    if (m_video) {
        SDL_StopTextInput();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    if (m_events) SDL_QuitSubSystem(SDL_INIT_EVENTS);
}

bool SdlDriver::ensureVideo() {
    if (!m_video) {
        // Installed before SDL opens the display, so the handler SDL saves and puts back when
        // it closes the display (and reports late errors) is ours.
        TolerateStaleWindowErrors();
        m_video = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        if (m_video && !RealDisplay(SDL_GetCurrentVideoDriver(), std::getenv("SDL_VIDEODRIVER"))) {
            // Without a display SDL falls back to a driver that shows nothing; a program
            // nobody can see must not run on unseen.
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            m_video = false;
        }
        if (m_video) {
            TolerateStaleWindowErrors();
            SDL_StartTextInput();
        }
    }
    return m_video;
}

SDL_Window* SdlDriver::find(WindowId window) const {
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : it->second.window;
}

bool SdlDriver::Ready() {
    // The program ends with its "no window" code after a failure here; the reason goes to
    // the terminal, as nothing else can show it.
    if (!m_lock.Acquire()) {
        std::fprintf(stderr, "hoopstack: another copy is already running\n");
        return false;
    }
    if (!ensureVideo()) {
        std::fprintf(stderr, "hoopstack: cannot open the display: %s\n", SDL_GetError());
        return false;
    }
    return true;
}

WindowId SdlDriver::Create(const NativeWindowSpec& request) {
    const int scale = request.scale;
    SDL_Window* owner = find(request.wanted.owner);
    // SDL's own centring on the screen is the table's at scale 1.
    const bool centred = owner == nullptr && scale == 1;
    // No window gets the desktop's decorations: the program draws its own caption buttons,
    // and the backend the frame of a framed kind, inside the SDL window around the client.
    SDL_Window* window = SDL_CreateWindow(CodePage1252ToUtf8(request.wanted.name).c_str(),
                                          centred ? int(SDL_WINDOWPOS_CENTERED) : request.corner.x,
                                          centred ? int(SDL_WINDOWPOS_CENTERED) : request.corner.y, request.outer.width,
                                          request.outer.height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        std::fprintf(stderr, "hoopstack: cannot create a window: %s\n", SDL_GetError());
        return 0;
    }
    if (owner != nullptr) SDL_SetWindowModalFor(window, owner);
    SDL_ShowWindow(window);
    const WindowId id = SDL_GetWindowID(window);
    WindowState& made = m_windows[id];
    const Size client{request.outer.width / scale - 2 * request.frame,
                      request.outer.height / scale - 2 * request.frame};
    made = WindowState{window, FramedLayout(scale, client, request.frame), request.wanted.background, {}};
    paintAround(made, true);
    return id;
}

bool SdlDriver::Place(WindowId window, const Rect& outer, const WindowLayout& layout) {
    const auto it = m_windows.find(window);
    if (it == m_windows.end()) return false;
    SDL_Window* w = it->second.window;
    const Rect before = Area(window);
    const int width = static_cast<int>(outer.Width()), height = static_cast<int>(outer.Height());
    // A borderless window the size of the screen: SDL's own full-screen modes need a window
    // manager to follow them, and this works with one and without.
    SDL_SetWindowSize(w, width, height);
    SDL_SetWindowPosition(w, outer.left, outer.top);
    int madeWidth = 0, madeHeight = 0;
    SDL_GetWindowSize(w, &madeWidth, &madeHeight);
    if (madeWidth != width || madeHeight != height) {
        std::fprintf(stderr, "hoopstack: the window could not take %dx%d (got %dx%d)\n", width, height,
                     madeWidth, madeHeight);
        SDL_SetWindowSize(w, static_cast<int>(before.Width()), static_cast<int>(before.Height()));
        SDL_SetWindowPosition(w, before.left, before.top);
        return false;
    }
    it->second.layout = layout;
    it->second.unscaled.clear();
    paintAround(it->second, true);
    return true;
}

void SdlDriver::SetBorderTile(const ConstSurface& tile) {
    m_border.Set(tile);
}

void SdlDriver::paintAround(const WindowState& state, bool client) {
    const WindowLayout& layout = state.layout;
    SDL_Surface* surface = SDL_GetWindowSurface(state.window);
    if (surface == nullptr) return;
    const Rect clientArea{layout.offset.x, layout.offset.y,
                          layout.offset.x + layout.client.width * layout.scale,
                          layout.offset.y + layout.client.height * layout.scale};
    if (client) {
        const std::uint32_t bgr = state.background;
        const Uint32 colour = SDL_MapRGB(surface->format, Uint8(bgr & 0xFF), Uint8((bgr >> 8) & 0xFF),
                                         Uint8((bgr >> 16) & 0xFF));
        const SDL_Rect fill{clientArea.left, clientArea.top, static_cast<int>(clientArea.Width()),
                            static_cast<int>(clientArea.Height())};
        SDL_FillRect(surface, &fill, colour);
    }
    if (!layout.fullScreen) {
        DrawFrame(state.window, layout.frame, layout.scale);
        if (client) SDL_UpdateWindowSurface(state.window);
        return;
    }
    int x = 0, y = 0;
    SDL_GetWindowPosition(state.window, &x, &y);
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    std::vector<std::uint8_t> pixels;
    for (const Rect& band : BandsAround(Rect{0, 0, surface->w, surface->h}, clientArea)) {
        const int w = static_cast<int>(band.Width()), h = static_cast<int>(band.Height());
        pixels.assign(std::size_t(w) * std::size_t(h) * 3, 0);
        // The tile is laid from the screen's corner.
        m_border.Draw(Surface{pixels.data(), w, h, w * 3, false},
                      Rect{band.left + x, band.top + y, band.right + x, band.bottom + y}, layout.scale);
        SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_BGR24, pixels.data(), w * 3, surface->format->format,
                          static_cast<std::uint8_t*>(surface->pixels) +
                              std::ptrdiff_t(band.top) * surface->pitch +
                              std::ptrdiff_t(band.left) * surface->format->BytesPerPixel,
                          surface->pitch);
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_UpdateWindowSurface(state.window);
}

void SdlDriver::Destroy(WindowId window) {
    releaseButtonsHeldBy(window);
    SDL_DestroyWindow(find(window));
    m_windows.erase(window);
}

void SdlDriver::SetTitle(WindowId window, std::string_view title) {
    SDL_SetWindowTitle(find(window), CodePage1252ToUtf8(title).c_str());
}

void SdlDriver::Show(WindowId window, ShowMode mode) {
    SDL_Window* w = find(window);
    switch (mode) {
    case ShowMode::Show: SDL_ShowWindow(w); break;
    case ShowMode::Minimize: SDL_MinimizeWindow(w); break;
    case ShowMode::Restore:
        SDL_RestoreWindow(w);
        SDL_ShowWindow(w);
        break;
    }
}

void SdlDriver::Move(WindowId window, Point corner) {
    SDL_SetWindowPosition(find(window), corner.x, corner.y);
}

Rect SdlDriver::Area(WindowId window) {
    int x = 0, y = 0, width = 0, height = 0;
    SDL_Window* w = find(window);
    SDL_GetWindowPosition(w, &x, &y);
    SDL_GetWindowSize(w, &width, &height);
    return Rect{x, y, x + width, y + height};
}

Size SdlDriver::Screen(bool usable) {
    SDL_Rect bounds{};
    if (!ensureVideo() || (usable ? SDL_GetDisplayUsableBounds(0, &bounds) : SDL_GetDisplayBounds(0, &bounds)) != 0)
        return Size{};
    return Size{bounds.w, bounds.h};
}

void SdlDriver::Raise(WindowId window) {
    SDL_Window* w = find(window);
    SDL_RaiseWindow(w);
    // Without a window manager nobody else hands the keyboard focus over; an unmapped
    // window cannot take it.
    const Uint32 flags = SDL_GetWindowFlags(w);
    if ((flags & SDL_WINDOW_SHOWN) != 0 && (flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) == 0)
        SDL_SetWindowInputFocus(w);
}

void SdlDriver::CaptureMouse(bool captured) {
    SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE);
}

Point SdlDriver::Cursor() {
    Point cursor;
    SDL_GetGlobalMouseState(&cursor.x, &cursor.y);
    return cursor;
}

void SdlDriver::Present(WindowId window, const Surface& pixels, const Rect&, const Rect& clipped) {
    const auto it = m_windows.find(window);
    // Asked for every time: SDL makes a new surface after a resize.
    SDL_Surface* surface = clipped.IsEmpty() ? nullptr : SDL_GetWindowSurface(it->second.window);
    if (surface == nullptr || (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)) return;
    const WindowLayout& layout = it->second.layout;
    // The table clipped to the window it knew; a surface SDL has not resized yet is smaller.
    const Rect fits = ClipArea(clipped, (surface->w - layout.offset.x) / layout.scale,
                               (surface->h - layout.offset.y) / layout.scale);
    if (fits.IsEmpty()) {
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
        return;
    }
    CopyToSurface(surface, layout.offset, layout.client, pixels, fits, layout.scale, it->second.unscaled);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    const int scale = layout.scale;
    const SDL_Rect rect{layout.offset.x + fits.left * scale, layout.offset.y + fits.top * scale,
                        static_cast<int>(fits.Width()) * scale, static_cast<int>(fits.Height()) * scale};
    SDL_UpdateWindowSurfaceRects(it->second.window, &rect, 1);
}
bool SdlDriver::CanWait() {
    // SDL can block only while a window exists.
    return m_events && !m_windows.empty();
}

NativeDriver::Pumped SdlDriver::WaitNative(std::vector<NativeEvent>& out, bool block) {
    SDL_Event event;
    TolerateStaleWindowErrors();
    if (block && SDL_NumJoysticks() > 0 && m_quietWait->Usable()) {
        // SDL's own wait would read the joysticks every millisecond.
        m_quietWait->Wait(event, m_windows.empty() ? nullptr : m_windows.begin()->second.window);
    } else if ((block ? SDL_WaitEvent(&event) : SDL_PollEvent(&event)) == 0) {
        return block ? Pumped::Failed : Pumped::Nothing;
    }
    if (event.type == m_wakeType) {
        std::lock_guard lock(m_wakeMutex);
        m_wakePending = false;
        return Pumped::Nothing;
    }
    translate(event, out);
    return out.empty() ? Pumped::Nothing : Pumped::Events;
}

void SdlDriver::Wake() {
    std::lock_guard lock(m_wakeMutex);
    // One wake-up in SDL's queue at a time is enough: the waiter drains ours after it.
    if (!m_wakePending && m_events) {
        SDL_Event wake{};
        wake.type = m_wakeType;
        m_wakePending = SDL_PushEvent(&wake) == 1;
        m_quietWait->Wake();
    }
}

std::uint32_t SdlDriver::Milliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SdlDriver::ShowMessage(std::string_view text, std::string_view caption) {
    const MessageBoxShowing showing;
    const std::string utf8Text = CodePage1252ToUtf8(text);
    const std::string utf8Caption = CodePage1252ToUtf8(caption);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, utf8Caption.c_str(), utf8Text.c_str(), nullptr) != 0)
        std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8Text.c_str());
}

bool SdlDriver::OpenUrl(std::string_view target) {
    return SDL_OpenURL(std::string(target).c_str()) == 0;
}

bool SdlDriver::SetClipboardText(std::string_view text) {
    return SDL_SetClipboardText(std::string(text).c_str()) == 0;
}

void SdlDriver::PlaySound(const std::string& path, bool wait) {
    m_sound->Play(path, wait);
}

void SdlDriver::SetIcon(WindowId window, const Surface& image, std::uint32_t colourKey) {
    if (SDL_Surface* icon = IconSurface(image, colourKey)) {
        SDL_SetWindowIcon(find(window), icon);
        SDL_FreeSurface(icon);
    }
}

void SdlDriver::releaseButtonsHeldBy(WindowId window) {
    SDL_Window* native = find(window);
    // SDL's own count, which the events it has queued but not yet handed out already show.
    const std::uint32_t held = SDL_GetMouseState(nullptr, nullptr);
    if (native == nullptr || held == 0) return;
    // The press went to the window SDL has the mouse over; when the pointer has left every
    // window during the press, to the one it was last read for.
    SDL_Window* focus = SDL_GetMouseFocus();
    std::uint32_t pressedHere = 0;
    if (focus == native) {
        pressedHere = held;
    } else if (focus == nullptr) {
        for (const auto& [button, on] : m_pressedOn)
            if (on == window) pressedHere |= SDL_BUTTON(button);
    }
    if ((held & pressedHere) != 0) {
        // The round trip there reports errors, and SDL may have put back a handler of its own.
        TolerateStaleWindowErrors();
        ReleaseButtonsOn(native, held & pressedHere);
    }
}

void SdlDriver::translate(const SDL_Event& event, std::vector<NativeEvent>& out) {
    using Kind = NativeEvent::Kind;
    switch (event.type) {
    case SDL_WINDOWEVENT: {
        const WindowId id = event.window.windowID;
        const auto it = m_windows.find(id);
        if (it == m_windows.end()) return;
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: out.push_back(windowEvent(Kind::CloseRequest, id)); break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_EXPOSED: {
            // The frame or border is the backend's own to show again; the client's pixels the
            // program's.
            paintAround(it->second, false);
            NativeEvent changed = windowEvent(
                event.window.event == SDL_WINDOWEVENT_EXPOSED ? Kind::Exposed : Kind::Resized, id);
            const WindowLayout& layout = it->second.layout;
            if (layout.fullScreen) {
                changed.area = Rect{0, 0, layout.client.width, layout.client.height};
            } else {
                int width = 0, height = 0;
                SDL_GetWindowSize(it->second.window, &width, &height);
                const int frame = layout.frame, scale = layout.scale;
                changed.area = Rect{0, 0, std::max(width / scale - 2 * frame, 0),
                                    std::max(height / scale - 2 * frame, 0)};
            }
            out.push_back(changed);
            break;
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED: out.push_back(windowEvent(Kind::FocusGained, id)); break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
        case SDL_WINDOWEVENT_HIDDEN:
        case SDL_WINDOWEVENT_MINIMIZED: out.push_back(windowEvent(Kind::FocusLost, id)); break;
        default: break;
        }
        return;
    }
    case SDL_MOUSEMOTION:
        out.push_back(windowEvent(Kind::MouseMove, event.motion.windowID));
        out.back().x = event.motion.x;
        out.back().y = event.motion.y;
        return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        if (down)
            m_pressedOn[event.button.button] = event.button.windowID;
        else
            m_pressedOn.erase(event.button.button);
        out.push_back(windowEvent(down ? Kind::ButtonDown : Kind::ButtonUp, event.button.windowID));
        out.back().code = MouseButtonCode(event.button.button);
        out.back().x = event.button.x;
        out.back().y = event.button.y;
        return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        out.push_back(windowEvent(event.type == SDL_KEYDOWN ? Kind::KeyDown : Kind::KeyUp, event.key.windowID));
        out.back().code = VirtualKeyFromSdl(event.key.keysym.sym);
        return;
    case SDL_TEXTINPUT:
        for (char c : Utf8ToCodePage1252(event.text.text)) {
            out.push_back(windowEvent(Kind::Character, event.text.windowID));
            out.back().character = static_cast<std::uint8_t>(c);
        }
        return;
    default:
        m_pads->Translate(event, out);
        return;
    }
}

} // namespace platform
