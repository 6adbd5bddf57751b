#include "platform/sdl/SdlPlatform.hpp"

#include "platform/sdl/Conversions.hpp"
#include "platform/sdl/X11Errors.hpp"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

std::uint32_t wakeEventType() {
    static const std::uint32_t type = SDL_RegisterEvents(1);
    return type;
}

std::string lockPathOrDefault(std::string path) {
    if (!path.empty()) {
        return path;
    }
    return DefaultLockPath(std::getenv("XDG_RUNTIME_DIR"), static_cast<unsigned>(::getuid()));
}

} // namespace

SdlPlatform::SdlPlatform(std::string lockPath) : m_lock(lockPathOrDefault(std::move(lockPath))) {
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
}

SdlPlatform::~SdlPlatform() {
    for (auto& [id, window] : m_windows) {
        SDL_DestroyWindow(window.window);
    }
    m_windows.clear();
    m_sound.reset();
    if (m_video) {
        SDL_StopTextInput();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    if (m_events) {
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
}

bool SdlPlatform::ensureVideo() {
    if (!m_video) {
        // Installed before SDL opens the display, so the handler SDL saves and puts back when
        // it closes the display (and reports late errors) is ours.
        TolerateStaleWindowErrors();
        m_video = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        if (m_video) {
            TolerateStaleWindowErrors();
            SDL_StartTextInput();
        }
    }
    return m_video;
}

SDL_Window* SdlPlatform::find(WindowId window) const {
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : it->second.window;
}

SdlPlatform::WindowState* SdlPlatform::state(WindowId window) {
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : &it->second;
}

WindowId SdlPlatform::CreateWindow(const WindowSpec& request) {
    // The program ends with its "no window" code after a failure here; the reason goes to
    // the terminal, as nothing else can show it.
    if (!m_lock.Acquire()) {
        std::fprintf(stderr, "hoopstack: another copy is already running\n");
        return 0;
    }
    if (!ensureVideo()) {
        std::fprintf(stderr, "hoopstack: cannot open the display: %s\n", SDL_GetError());
        return 0;
    }
    const Size size{std::max(request.width, 1), std::max(request.height, 1)};
    int x = SDL_WINDOWPOS_CENTERED;
    int y = SDL_WINDOWPOS_CENTERED;
    SDL_Window* owner = find(request.owner);
    if (owner != nullptr) {
        const Point corner = CentreOn(WindowArea(request.owner), size);
        x = corner.x;
        y = corner.y;
    }
    // Every window kind is undecorated: the program draws its own caption buttons.
    SDL_Window* window = SDL_CreateWindow(CodePage1252ToUtf8(request.name).c_str(), x, y, size.width,
                                          size.height, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        std::fprintf(stderr, "hoopstack: cannot create a window: %s\n", SDL_GetError());
        return 0;
    }
    if (owner != nullptr) {
        SDL_SetWindowModalFor(window, owner);
    }
    SDL_ShowWindow(window);
    const WindowId id = SDL_GetWindowID(window);
    m_windows[id] = WindowState{window, owner != nullptr ? request.owner : 0, true};

    if (SDL_Surface* surface = SDL_GetWindowSurface(window)) {
        const Uint32 colour = SDL_MapRGB(surface->format, Uint8(request.background & 0xFF),
                                         Uint8((request.background >> 8) & 0xFF), Uint8((request.background >> 16) & 0xFF));
        SDL_FillRect(surface, nullptr, colour);
        SDL_UpdateWindowSurface(window);
    }
    ActivateWindow(id);
    // Win32 reports a new window's size once, as every later change; the size it got,
    // which a window manager may have changed.
    Event sized;
    sized.kind = EventKind::Resized;
    sized.window = id;
    const Size client = ClientSize(id);
    sized.area = Rect{0, 0, client.width, client.height};
    m_pending.push_back(sized);
    return id;
}

void SdlPlatform::DestroyWindow(WindowId window) {
    if (find(window) == nullptr) {
        return;
    }
    // Owned windows go first, as their owner's destruction takes them along.
    std::vector<WindowId> owned;
    for (const auto& [id, other] : m_windows) {
        if (other.owner == window) {
            owned.push_back(id);
        }
    }
    for (WindowId id : owned) {
        DestroyWindow(id);
    }
    if (m_capture == window) {
        loseCapture();
    }
    SDL_DestroyWindow(find(window));
    m_windows.erase(window);
    push(EventKind::Destroyed, window);
}

void SdlPlatform::SetTitle(WindowId window, std::string_view title) {
    if (SDL_Window* w = find(window)) {
        SDL_SetWindowTitle(w, CodePage1252ToUtf8(title).c_str());
    }
}

void SdlPlatform::ShowWindow(WindowId window, ShowMode mode) {
    SDL_Window* w = find(window);
    if (w == nullptr) {
        return;
    }
    switch (mode) {
    case ShowMode::Show: SDL_ShowWindow(w); break;
    case ShowMode::Minimize: SDL_MinimizeWindow(w); break;
    case ShowMode::Restore:
        SDL_RestoreWindow(w);
        SDL_ShowWindow(w);
        break;
    }
}

void SdlPlatform::MoveWindow(WindowId window, int x, int y) {
    if (SDL_Window* w = find(window)) {
        SDL_SetWindowPosition(w, x, y);
    }
}

Rect SdlPlatform::WindowArea(WindowId window) {
    SDL_Window* w = find(window);
    if (w == nullptr) {
        return Rect{};
    }
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    SDL_GetWindowPosition(w, &x, &y);
    SDL_GetWindowSize(w, &width, &height);
    return Rect{x, y, x + width, y + height};
}

Size SdlPlatform::ClientSize(WindowId window) {
    Size size;
    if (SDL_Window* w = find(window)) {
        SDL_GetWindowSize(w, &size.width, &size.height);
    }
    return size;
}

Size SdlPlatform::ScreenSize() {
    SDL_Rect bounds{};
    if (!ensureVideo() || SDL_GetDisplayBounds(0, &bounds) != 0) {
        return Size{};
    }
    return Size{bounds.w, bounds.h};
}

void SdlPlatform::EnableWindow(WindowId window, bool enabled) {
    WindowState* s = state(window);
    if (s == nullptr) {
        return;
    }
    s->enabled = enabled;
    if (!enabled && m_capture == window) {
        loseCapture();
    }
}

void SdlPlatform::ActivateWindow(WindowId window) {
    SDL_Window* w = find(window);
    if (w == nullptr) {
        return;
    }
    SDL_RaiseWindow(w);
    // Without a window manager nobody else hands the keyboard focus over; an
    // unmapped window cannot take it.
    const Uint32 flags = SDL_GetWindowFlags(w);
    if ((flags & SDL_WINDOW_SHOWN) != 0 && (flags & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) == 0) {
        SDL_SetWindowInputFocus(w);
    }
}

void SdlPlatform::SetCapture(WindowId window) {
    if (window == m_capture) {
        return;
    }
    if (window == 0) {
        // Our own release: no capture-lost event, as the program asked for it.
        m_capture = 0;
        SDL_CaptureMouse(SDL_FALSE);
        return;
    }
    if (find(window) == nullptr) {
        return;
    }
    if (m_capture != 0) {
        loseCapture();  // Another window taking the capture ends the old holder's.
    }
    m_capture = window;
    // SDL captures for the focused window; events from any of our windows are
    // routed to the capturing one anyway.
    SDL_CaptureMouse(SDL_TRUE);
}

WindowId SdlPlatform::CaptureWindow() {
    return m_capture;
}

void SdlPlatform::loseCapture() {
    const WindowId lost = m_capture;
    m_capture = 0;
    SDL_CaptureMouse(SDL_FALSE);
    push(EventKind::CaptureLost, lost);
}

Point SdlPlatform::CursorPosition(WindowId window) {
    SDL_Window* w = find(window);
    if (w == nullptr) {
        return Point{};
    }
    int mouseX = 0;
    int mouseY = 0;
    int windowX = 0;
    int windowY = 0;
    SDL_GetGlobalMouseState(&mouseX, &mouseY);
    SDL_GetWindowPosition(w, &windowX, &windowY);
    return Point{mouseX - windowX, mouseY - windowY};
}

void SdlPlatform::Present(WindowId window, const Surface& pixels, const Rect& area) {
    SDL_Window* w = find(window);
    if (w == nullptr || pixels.bits == nullptr) {
        return;
    }
    // Asked for every time: SDL makes a new surface after a resize.
    SDL_Surface* surface = SDL_GetWindowSurface(w);
    if (surface == nullptr) {
        return;
    }
    const Rect clipped = ClipArea(ClipArea(area, pixels.width, pixels.height), surface->w, surface->h);
    if (clipped.IsEmpty()) {
        return;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        return;
    }
    const SDL_PixelFormat* format = surface->format;
    auto* target = static_cast<std::uint8_t*>(surface->pixels);
    if (format->BytesPerPixel == 4 && format->Rloss == 0 && format->Gloss == 0 && format->Bloss == 0) {
        const PackedFormat packed{format->Rshift, format->Gshift, format->Bshift, format->Amask};
        CopyBgrToPacked32(pixels, clipped, target, surface->pitch, packed);
    } else {
        for (int y = clipped.top; y < clipped.bottom; ++y) {
            SDL_ConvertPixels(clipped.Width(), 1, SDL_PIXELFORMAT_BGR24,
                              pixels.row(y) + std::ptrdiff_t(clipped.left) * 3, pixels.stride, format->format,
                              target + std::ptrdiff_t(y) * surface->pitch +
                                  std::ptrdiff_t(clipped.left) * format->BytesPerPixel,
                              surface->pitch);
        }
    }
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    const SDL_Rect rect{clipped.left, clipped.top, static_cast<int>(clipped.Width()),
                        static_cast<int>(clipped.Height())};
    SDL_UpdateWindowSurfaceRects(w, &rect, 1);
}

Event SdlPlatform::WaitEvent() {
    for (;;) {
        if (!m_pending.empty()) {
            const Event event = m_pending.front();
            m_pending.pop_front();
            return event;
        }
        {
            std::unique_lock lock(m_postMutex);
            // Posted events come before input, as posted messages do on Win32.
            if (m_windows.empty() || !m_events) {
                // SDL can block only while a window exists; without one only
                // a posted event can arrive.
                m_posted.wait(lock, [&] { return !m_postQueue.empty(); });
            }
            if (!m_postQueue.empty()) {
                const Event event = m_postQueue.front();
                m_postQueue.pop_front();
                return event;
            }
        }
        SDL_Event event;
        TolerateStaleWindowErrors();
        if (SDL_WaitEvent(&event) == 0) {
            std::unique_lock lock(m_postMutex);
            m_posted.wait_for(lock, std::chrono::milliseconds(10), [&] { return !m_postQueue.empty(); });
            continue;
        }
        if (event.type == m_wakeType) {
            std::lock_guard lock(m_postMutex);
            m_wakePending = false;
            continue;
        }
        translate(event);
    }
}

void SdlPlatform::PostEvent(const Event& event) {
    std::lock_guard lock(m_postMutex);
    m_postQueue.push_back(event);
    m_posted.notify_one();
    // One wake-up in SDL's queue at a time is enough: the waiter drains ours after it.
    if (!m_wakePending && m_events) {
        SDL_Event wake{};
        wake.type = m_wakeType;
        m_wakePending = SDL_PushEvent(&wake) == 1;
    }
}

std::uint32_t SdlPlatform::Milliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SdlPlatform::ShowMessage(std::string_view text, std::string_view caption) {
    const std::string utf8Text = CodePage1252ToUtf8(text);
    const std::string utf8Caption = CodePage1252ToUtf8(caption);
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, utf8Caption.c_str(), utf8Text.c_str(), nullptr) != 0) {
        std::fprintf(stderr, "%s: %s\n", utf8Caption.c_str(), utf8Text.c_str());
    }
}

bool SdlPlatform::OpenUrl(std::string_view target) {
    return SDL_OpenURL(std::string(target).c_str()) == 0;
}

void SdlPlatform::PlaySound(const std::string& path, bool wait) {
    m_sound->Play(path, wait);
}

void SdlPlatform::SetIcon(WindowId window, const Surface& image) {
    SDL_Window* w = find(window);
    if (w == nullptr || image.bits == nullptr || image.width <= 0 || image.height <= 0) {
        return;
    }
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 24, SDL_PIXELFORMAT_BGR24);
    if (icon == nullptr) {
        return;
    }
    for (int y = 0; y < image.height; ++y) {
        std::memcpy(static_cast<std::uint8_t*>(icon->pixels) + std::ptrdiff_t(y) * icon->pitch, image.row(y),
                    std::size_t(image.width) * 3);
    }
    SDL_SetWindowIcon(w, icon);
    SDL_FreeSurface(icon);
}

void SdlPlatform::push(EventKind kind, WindowId window) {
    Event event;
    event.kind = kind;
    event.window = window;
    m_pending.push_back(event);
}

WindowId SdlPlatform::topDialog(WindowId window) const {
    WindowId dialog = 0;
    for (const auto& [id, other] : m_windows) {
        if (other.owner == window) {
            dialog = id;  // The newest one wins: ids grow.
        }
    }
    if (dialog == 0) {
        return 0;
    }
    const WindowId inner = topDialog(dialog);
    return inner != 0 ? inner : dialog;
}

void SdlPlatform::raiseDialogOf(WindowId window) {
    if (const WindowId dialog = topDialog(window)) {
        ActivateWindow(dialog);
    }
}

bool SdlPlatform::acceptsInput(WindowId window) {
    const WindowState* s = state(window);
    return s != nullptr && s->enabled;
}

void SdlPlatform::translate(const SDL_Event& event) {
    switch (event.type) {
    case SDL_WINDOWEVENT: translateWindowEvent(event); break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: translateMouse(event); break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: translateKey(event); break;
    case SDL_TEXTINPUT: translateText(event); break;
    default: break;
    }
}

void SdlPlatform::translateWindowEvent(const SDL_Event& event) {
    const WindowId id = event.window.windowID;
    SDL_Window* w = find(id);
    if (w == nullptr) {
        return;
    }
    switch (event.window.event) {
    case SDL_WINDOWEVENT_CLOSE:
        // A window blocked by its dialog cannot be closed; its dialog comes forward.
        if (!acceptsInput(id)) {
            raiseDialogOf(id);
        } else {
            push(EventKind::CloseRequest, id);
        }
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_EXPOSED: {
        Event out;
        out.kind = event.window.event == SDL_WINDOWEVENT_EXPOSED ? EventKind::Exposed : EventKind::Resized;
        out.window = id;
        const Size size = ClientSize(id);
        out.area = Rect{0, 0, size.width, size.height};
        m_pending.push_back(out);
        break;
    }
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        push(EventKind::FocusGained, id);
        // An owner must not cover its dialog.
        raiseDialogOf(id);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
    case SDL_WINDOWEVENT_HIDDEN:
    case SDL_WINDOWEVENT_MINIMIZED:
        if (m_capture == id) {
            loseCapture();
        }
        break;
    default: break;
    }
}

void SdlPlatform::translateMouse(const SDL_Event& event) {
    const bool motion = event.type == SDL_MOUSEMOTION;
    const WindowId source = motion ? event.motion.windowID : event.button.windowID;
    int x = motion ? event.motion.x : event.button.x;
    int y = motion ? event.motion.y : event.button.y;
    const WindowId target = m_capture != 0 ? m_capture : source;
    SDL_Window* targetWindow = find(target);
    if (targetWindow == nullptr) {
        return;
    }
    if (target != source) {
        if (SDL_Window* sourceWindow = find(source)) {
            int sourceX = 0;
            int sourceY = 0;
            int targetX = 0;
            int targetY = 0;
            SDL_GetWindowPosition(sourceWindow, &sourceX, &sourceY);
            SDL_GetWindowPosition(targetWindow, &targetX, &targetY);
            x += sourceX - targetX;
            y += sourceY - targetY;
        } else {
            const Point cursor = CursorPosition(target);
            x = cursor.x;
            y = cursor.y;
        }
    }
    if (!acceptsInput(target)) {
        if (event.type == SDL_MOUSEBUTTONDOWN) {
            raiseDialogOf(target);
        }
        return;
    }
    Event out;
    out.window = target;
    out.x = CoordinateHalf(x);
    out.y = CoordinateHalf(y);
    if (motion) {
        out.kind = EventKind::MouseMove;
    } else {
        out.code = MouseButtonCode(event.button.button);
        if (out.code == 0) {
            return;
        }
        out.kind = event.type == SDL_MOUSEBUTTONDOWN ? EventKind::KeyDown : EventKind::KeyUp;
    }
    m_pending.push_back(out);
}

void SdlPlatform::translateKey(const SDL_Event& event) {
    const WindowId id = event.key.windowID;
    const bool down = event.type == SDL_KEYDOWN;
    if (!acceptsInput(id)) {
        if (down && find(id) != nullptr) {
            raiseDialogOf(id);
        }
        return;
    }
    const int code = VirtualKeyFromSdl(event.key.keysym.sym);
    if (code == 0) {
        return;
    }
    const Point cursor = CursorPosition(id);
    Event out;
    out.kind = down ? EventKind::KeyDown : EventKind::KeyUp;
    out.window = id;
    out.code = code;
    out.x = CoordinateHalf(cursor.x);
    out.y = CoordinateHalf(cursor.y);
    m_pending.push_back(out);
    // SDL sends no text for these keys; Win32 follows them with a character.
    if (const std::uint8_t character = CharacterForKey(code); down && character != 0) {
        Event typed;
        typed.kind = EventKind::Character;
        typed.window = id;
        typed.character = character;
        m_pending.push_back(typed);
    }
}

void SdlPlatform::translateText(const SDL_Event& event) {
    const WindowId id = event.text.windowID;
    if (!acceptsInput(id)) {
        return;
    }
    for (char c : Utf8ToCodePage1252(event.text.text)) {
        Event typed;
        typed.kind = EventKind::Character;
        typed.window = id;
        typed.character = static_cast<std::uint8_t>(c);
        m_pending.push_back(typed);
    }
}

} // namespace platform
