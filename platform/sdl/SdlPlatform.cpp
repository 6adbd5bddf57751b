#include "platform/sdl/SdlPlatform.hpp"

#include "platform/sdl/Conversions.hpp"
#include "platform/sdl/MessageBoxShowing.hpp"
#include "platform/sdl/X11Buttons.hpp"
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

SDL_Window* SdlPlatform::find(WindowId window) const {
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : it->second.window;
}

SdlPlatform::WindowState* SdlPlatform::state(WindowId window) {
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : &it->second;
}

void SdlPlatform::SetScale(int scale) {
    if (!m_madeWindow && scale >= 1 && scale <= kMaxScale) {
        m_scale = scale;
    }
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
    const int frame = FrameWidth(request.styleKind);
    const Size size{OuterSide(std::max(request.width, 1), request.styleKind),
                    OuterSide(std::max(request.height, 1), request.styleKind)};
    int x = SDL_WINDOWPOS_CENTERED;
    int y = SDL_WINDOWPOS_CENTERED;
    SDL_Window* owner = find(request.owner);
    if (owner != nullptr || m_scale > 1) {
        // Centred in the program's pixels, so that the place it is told is the centred one.
        const Size screen = ScreenSize();
        const Rect around = owner != nullptr ? WindowArea(request.owner) : Rect{0, 0, screen.width, screen.height};
        const Point corner = CentreOn(around, size);
        x = corner.x * m_scale;
        y = corner.y * m_scale;
    }
    // No window gets the desktop's decorations: the program draws its own caption buttons,
    // and the backend the frame of a framed kind, inside the SDL window around the client.
    SDL_Window* window = SDL_CreateWindow(CodePage1252ToUtf8(request.name).c_str(), x, y, size.width * m_scale,
                                          size.height * m_scale, SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        std::fprintf(stderr, "hoopstack: cannot create a window: %s\n", SDL_GetError());
        return 0;
    }
    m_madeWindow = true;
    if (owner != nullptr) {
        SDL_SetWindowModalFor(window, owner);
    }
    SDL_ShowWindow(window);
    const WindowId id = SDL_GetWindowID(window);
    WindowState& made = m_windows[id];
    made = WindowState{window, owner != nullptr ? request.owner : 0, true, frame, {}};

    if (SDL_Surface* surface = SDL_GetWindowSurface(window)) {
        const Uint32 colour = SDL_MapRGB(surface->format, Uint8(request.background & 0xFF),
                                         Uint8((request.background >> 8) & 0xFF), Uint8((request.background >> 16) & 0xFF));
        SDL_FillRect(surface, nullptr, colour);
        drawFrame(made);
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
    releaseButtonsHeldBy(window);
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
        SDL_SetWindowPosition(w, x * m_scale, y * m_scale);
    }
}

Rect SdlPlatform::WindowArea(WindowId window) {
    SDL_Window* w = find(window);
    if (w == nullptr) {
        return Rect{};
    }
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(w, &x, &y);
    x = ScaledDown(x, m_scale);
    y = ScaledDown(y, m_scale);
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(w, &width, &height);
    return Rect{x, y, x + width / m_scale, y + height / m_scale};
}

Size SdlPlatform::ClientSize(WindowId window) {
    const WindowState* s = state(window);
    if (s == nullptr) {
        return Size{};
    }
    Size size;
    SDL_GetWindowSize(s->window, &size.width, &size.height);
    return Size{std::max(size.width / m_scale - 2 * s->frame, 0), std::max(size.height / m_scale - 2 * s->frame, 0)};
}

Size SdlPlatform::ScreenSize() {
    SDL_Rect bounds{};
    if (!ensureVideo() || SDL_GetDisplayBounds(0, &bounds) != 0) {
        return Size{};
    }
    return Size{bounds.w / m_scale, bounds.h / m_scale};
}

Size SdlPlatform::UsableScreenSize() {
    SDL_Rect bounds{};
    if (!ensureVideo() || SDL_GetDisplayUsableBounds(0, &bounds) != 0) {
        return Size{};
    }
    return Size{bounds.w / m_scale, bounds.h / m_scale};
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
    const WindowState* s = state(window);
    if (s == nullptr) {
        return Point{};
    }
    const Point cursor = cursorOnScreen(*s);
    return Point{ScaledDown(cursor.x, m_scale), ScaledDown(cursor.y, m_scale)};
}

Point SdlPlatform::cursorOnScreen(const WindowState& window) const {
    int mouseX = 0;
    int mouseY = 0;
    int windowX = 0;
    int windowY = 0;
    SDL_GetGlobalMouseState(&mouseX, &mouseY);
    SDL_GetWindowPosition(window.window, &windowX, &windowY);
    return Point{mouseX - windowX - clientOffset(window), mouseY - windowY - clientOffset(window)};
}

void SdlPlatform::drawFrame(const WindowState& window) {
    SDL_Surface* surface = window.frame > 0 ? SDL_GetWindowSurface(window.window) : nullptr;
    if (surface == nullptr) {
        return;
    }
    const int width = surface->w;
    const int height = surface->h;
    const int band = std::min({clientOffset(window), width, height});
    // The four bands of the frame, drawn in 24 bits and converted into the surface's format.
    const SDL_Rect bands[4] = {{0, 0, width, band},
                               {0, height - band, width, band},
                               {0, band, band, height - 2 * band},
                               {width - band, band, band, height - 2 * band}};
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        return;
    }
    std::vector<std::uint8_t> pixels;
    for (const SDL_Rect& part : bands) {
        if (part.w <= 0 || part.h <= 0) {
            continue;
        }
        pixels.assign(std::size_t(part.w) * std::size_t(part.h) * 3, 0);
        const Surface image{pixels.data(), part.w, part.h, part.w * 3, false};
        DrawWindowFrame(image, Rect{part.x, part.y, part.x + part.w, part.y + part.h}, width / m_scale,
                        height / m_scale, window.frame, m_scale);
        SDL_ConvertPixels(part.w, part.h, SDL_PIXELFORMAT_BGR24, pixels.data(), part.w * 3, surface->format->format,
                          static_cast<std::uint8_t*>(surface->pixels) + std::ptrdiff_t(part.y) * surface->pitch +
                              std::ptrdiff_t(part.x) * surface->format->BytesPerPixel,
                          surface->pitch);
    }
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    SDL_UpdateWindowSurfaceRects(window.window, bands, 4);
}

void SdlPlatform::Present(WindowId window, const Surface& pixels, const Rect& area) {
    WindowState* s = state(window);
    if (s == nullptr || pixels.bits == nullptr) {
        return;
    }
    // Asked for every time: SDL makes a new surface after a resize.
    SDL_Surface* surface = SDL_GetWindowSurface(s->window);
    if (surface == nullptr) {
        return;
    }
    const Size client = ClientSize(window);
    const Rect clipped = ClipArea(ClipArea(area, pixels.width, pixels.height), client.width, client.height);
    if (clipped.IsEmpty()) {
        return;
    }
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
        return;
    }
    copyToSurface(*s, surface, pixels, clipped);
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    const int offset = clientOffset(*s);
    const SDL_Rect rect{offset + clipped.left * m_scale, offset + clipped.top * m_scale,
                        static_cast<int>(clipped.Width()) * m_scale, static_cast<int>(clipped.Height()) * m_scale};
    SDL_UpdateWindowSurfaceRects(s->window, &rect, 1);
}

void SdlPlatform::copyToSurface(WindowState& window, SDL_Surface* surface, const Surface& pixels, const Rect& area) {
    const SDL_PixelFormat* format = surface->format;
    const int bytes = format->BytesPerPixel;
    // Client pixel (0, 0) lies inside the frame.
    auto* surfaceClient = static_cast<std::uint8_t*>(surface->pixels) +
                          std::ptrdiff_t(clientOffset(window)) * (surface->pitch + bytes);
    auto* target = surfaceClient;
    int pitch = surface->pitch;
    if (m_scale > 1) {
        // Converted at the program's size first, then scaled into the surface; at scale 1
        // the pixels go straight into the surface.
        pitch = surface->w / m_scale * bytes;
        window.unscaled.resize(std::size_t(pitch) * std::size_t(surface->h / m_scale));
        target = window.unscaled.data();
    }
    if (bytes == 4 && format->Rloss == 0 && format->Gloss == 0 && format->Bloss == 0) {
        const PackedFormat packed{format->Rshift, format->Gshift, format->Bshift, format->Amask};
        CopyBgrToPacked32(pixels, area, target, pitch, packed);
    } else {
        for (int y = area.top; y < area.bottom; ++y) {
            SDL_ConvertPixels(static_cast<int>(area.Width()), 1, SDL_PIXELFORMAT_BGR24,
                              pixels.row(y) + std::ptrdiff_t(area.left) * 3, pixels.stride, format->format,
                              target + std::ptrdiff_t(y) * pitch + std::ptrdiff_t(area.left) * bytes, pitch);
        }
    }
    if (m_scale > 1) {
        ScaleArea(target, pitch, area, bytes, m_scale, surfaceClient, surface->pitch);
    }
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

bool SdlPlatform::ShowingMessage() {
    return MessageBoxShowing::Any();
}

void SdlPlatform::ShowMessage(std::string_view text, std::string_view caption) {
    const MessageBoxShowing showing;
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

void SdlPlatform::SetIcon(WindowId window, const Surface& image, std::uint32_t colourKey) {
    SDL_Window* w = find(window);
    if (w == nullptr || image.bits == nullptr || image.width <= 0 || image.height <= 0) {
        return;
    }
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, image.width, image.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (icon == nullptr) {
        return;
    }
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* in = image.row(y);
        auto* out = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(icon->pixels) +
                                                     std::ptrdiff_t(y) * icon->pitch);
        for (int x = 0; x < image.width; ++x, in += 3) {
            const std::uint32_t value = std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16;
            out[x] = value == colourKey ? 0 : 0xFF000000u | value;
        }
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
        // The frame is the backend's own to show again; the client's pixels the program's.
        drawFrame(*state(id));
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

void SdlPlatform::releaseButtonsHeldBy(WindowId window) {
    SDL_Window* native = find(window);
    // SDL's own count, which the events it has queued but not yet handed out already show.
    const std::uint32_t held = SDL_GetMouseState(nullptr, nullptr);
    if (native == nullptr || held == 0) {
        return;
    }
    // The press went to the window SDL has the mouse over; when the pointer has left every
    // window during the press, to the one it was last read for.
    SDL_Window* focus = SDL_GetMouseFocus();
    std::uint32_t pressedHere = 0;
    if (focus == native) {
        pressedHere = held;
    } else if (focus == nullptr) {
        for (const auto& [button, on] : m_pressedOn) {
            if (on == window) {
                pressedHere |= SDL_BUTTON(button);
            }
        }
    }
    if ((held & pressedHere) != 0) {
        // The round trip there reports errors, and SDL may have put back a handler of its own.
        TolerateStaleWindowErrors();
        ReleaseButtonsOn(native, held & pressedHere);
    }
}

void SdlPlatform::translateMouse(const SDL_Event& event) {
    const bool motion = event.type == SDL_MOUSEMOTION;
    const WindowId source = motion ? event.motion.windowID : event.button.windowID;
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        m_pressedOn[event.button.button] = source;
    } else if (event.type == SDL_MOUSEBUTTONUP) {
        m_pressedOn.erase(event.button.button);
    }
    int x = motion ? event.motion.x : event.button.x;
    int y = motion ? event.motion.y : event.button.y;
    const WindowId target = m_capture != 0 ? m_capture : source;
    const WindowState* targetState = state(target);
    if (targetState == nullptr) {
        return;
    }
    // SDL reports positions from the outer corner of the borderless window; the program's
    // are from the client corner inside the frame.
    if (target != source) {
        if (const WindowState* sourceState = state(source)) {
            int sourceX = 0;
            int sourceY = 0;
            int targetX = 0;
            int targetY = 0;
            SDL_GetWindowPosition(sourceState->window, &sourceX, &sourceY);
            SDL_GetWindowPosition(targetState->window, &targetX, &targetY);
            x += sourceX - targetX - clientOffset(*targetState);
            y += sourceY - targetY - clientOffset(*targetState);
        } else {
            const Point cursor = cursorOnScreen(*targetState);
            x = cursor.x;
            y = cursor.y;
        }
    } else {
        x -= clientOffset(*targetState);
        y -= clientOffset(*targetState);
        const Size client = ClientSize(target);
        if (m_capture == 0 && (x < 0 || y < 0 || x >= client.width * m_scale || y >= client.height * m_scale)) {
            // The frame is not the client's: without the capture nothing there is its input,
            // but a press on a disabled window's frame brings its dialog forward.
            if (event.type == SDL_MOUSEBUTTONDOWN && !acceptsInput(target)) {
                raiseDialogOf(target);
            }
            return;
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
    // Screen pixels to the program's: a pixel of the program covers scale x scale of them.
    out.x = CoordinateHalf(ScaledDown(x, m_scale));
    out.y = CoordinateHalf(ScaledDown(y, m_scale));
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
