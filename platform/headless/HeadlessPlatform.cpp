#include "HeadlessPlatform.hpp"

#include <algorithm>
#include <cstring>

#include "platform/KeyCodes.hpp"
#include "platform/PngFile.hpp"

namespace platform {

namespace {

bool isMouse(const Event& event) {
    return event.kind == EventKind::MouseMove ||
           ((event.kind == EventKind::KeyDown || event.kind == EventKind::KeyUp) &&
            IsMouseButton(event.code));
}

// The character a key press also produces on its own, as TranslateMessage makes it.
std::uint8_t characterForKey(int code) {
    switch (code) {
    case Key_Backspace:
    case Key_Tab:
    case Key_Return:
    case Key_Escape:
        return std::uint8_t(code);
    default:
        return 0;
    }
}

// Whether screen pixel (x, y) from a window's client corner lies on its client area.
bool onClient(int x, int y, Size client, int scale) {
    return x >= 0 && y >= 0 && x < client.width * scale && y < client.height * scale;
}

Event windowEvent(EventKind kind, WindowId window) {
    Event event;
    event.kind = kind;
    event.window = window;
    return event;
}

} // namespace

HeadlessPlatform::HeadlessPlatform(Size screen) : m_screen(screen) {}

void HeadlessPlatform::SetScale(int scale) {
    std::lock_guard lock(m_mutex);
    if (!m_madeWindow && scale >= 1 && scale <= kMaxScale) m_scale = scale;
}

WindowId HeadlessPlatform::CreateWindow(const WindowSpec& wanted) {
    std::lock_guard lock(m_mutex);
    if (m_failNextCreate) {
        m_failNextCreate = false;
        return 0;
    }
    m_madeWindow = true;
    const Size size{std::max(wanted.width, 1), std::max(wanted.height, 1)};
    // The outer rectangle centred on the owner's, or on the screen without one, as the SDL
    // backend places them.
    Rect reference{0, 0, m_screen.width / m_scale, m_screen.height / m_scale};
    const auto owner = m_windows.find(wanted.owner);
    if (owner != m_windows.end()) {
        const WindowState& o = owner->second;
        reference = {o.position.x, o.position.y, o.position.x + o.Outer().width, o.position.y + o.Outer().height};
    }
    const WindowId id = m_nextId++;
    WindowState& state = m_windows[id];
    state.wanted = wanted;
    state.wanted.owner = owner != m_windows.end() ? wanted.owner : 0;
    state.client = size;
    state.frame = FrameWidth(wanted.styleKind);
    const Size outer = state.Outer();
    state.position = {static_cast<int>(reference.left + (reference.Width() - outer.width) / 2),
                      static_cast<int>(reference.top + (reference.Height() - outer.height) / 2)};
    state.screen.resize(std::size_t(outer.width) * outer.height * 3 * m_scale * m_scale);
    for (std::size_t i = 0; i < state.screen.size(); i += 3) {
        state.screen[i] = std::uint8_t(wanted.background >> 16);
        state.screen[i + 1] = std::uint8_t(wanted.background >> 8);
        state.screen[i + 2] = std::uint8_t(wanted.background);
    }
    const Surface image{state.screen.data(), outer.width * m_scale, outer.height * m_scale,
                        outer.width * m_scale * 3, false};
    DrawWindowFrame(image, Rect{0, 0, image.width, image.height}, outer.width, outer.height, state.frame, m_scale);
    Event sized = windowEvent(EventKind::Resized, id);
    sized.area = {0, 0, size.width, size.height};
    m_made.push_back(sized);
    Event exposed = windowEvent(EventKind::Exposed, id);
    exposed.area = sized.area;
    m_system.push_back({exposed});
    activateLocked(id);
    m_wake.notify_all();
    return id;
}

void HeadlessPlatform::DestroyWindow(WindowId window) {
    std::lock_guard lock(m_mutex);
    destroyLocked(window);
    m_wake.notify_all();
}

void HeadlessPlatform::destroyLocked(WindowId window) {
    if (m_windows.count(window) == 0) return;
    // Owned windows go first, as their owner's destruction takes them along.
    std::vector<WindowId> owned;
    for (const auto& [id, other] : m_windows)
        if (other.wanted.owner == window) owned.push_back(id);
    for (WindowId id : owned) destroyLocked(id);
    if (m_capture == window) loseCaptureLocked();
    m_windows.erase(window);
    if (m_active == window) m_active = 0;
    m_made.push_back(windowEvent(EventKind::Destroyed, window));
}

void HeadlessPlatform::SetTitle(WindowId window, std::string_view title) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_windows.find(window); it != m_windows.end()) it->second.title = title;
}

void HeadlessPlatform::ShowWindow(WindowId window, ShowMode mode) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_windows.find(window); it != m_windows.end()) it->second.shown = mode;
}

void HeadlessPlatform::MoveWindow(WindowId window, int x, int y) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_windows.find(window); it != m_windows.end()) it->second.position = {x, y};
}

Rect HeadlessPlatform::WindowArea(WindowId window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return {};
    const auto& w = it->second;
    return {w.position.x, w.position.y, w.position.x + w.Outer().width, w.position.y + w.Outer().height};
}

Size HeadlessPlatform::ClientSize(WindowId window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    return it == m_windows.end() ? Size{} : it->second.client;
}

Size HeadlessPlatform::ScreenSize() {
    std::lock_guard lock(m_mutex);
    return {m_screen.width / m_scale, m_screen.height / m_scale};
}

Size HeadlessPlatform::UsableScreenSize() {
    return ScreenSize();
}

void HeadlessPlatform::EnableWindow(WindowId window, bool enabled) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    it->second.enabled = enabled;
    if (!enabled && m_capture == window) loseCaptureLocked();
    m_wake.notify_all();
}

void HeadlessPlatform::ActivateWindow(WindowId window) {
    std::lock_guard lock(m_mutex);
    activateLocked(window);
    m_wake.notify_all();
}

void HeadlessPlatform::activateLocked(WindowId window) {
    auto it = m_windows.find(window);
    // A minimised window cannot take the focus; activating the active one changes nothing.
    if (it == m_windows.end() || it->second.shown == ShowMode::Minimize || m_active == window) return;
    if (m_active != 0) m_system.push_back({windowEvent(EventKind::None, m_active), true});
    m_active = window;
    m_system.push_back({windowEvent(EventKind::FocusGained, window)});
}

WindowId HeadlessPlatform::topDialogLocked(WindowId window) const {
    WindowId dialog = 0;
    for (const auto& [id, other] : m_windows)
        if (other.wanted.owner == window) dialog = id; // The newest one wins: ids grow.
    if (dialog == 0) return 0;
    const WindowId inner = topDialogLocked(dialog);
    return inner != 0 ? inner : dialog;
}

void HeadlessPlatform::raiseDialogOfLocked(WindowId window) {
    if (const WindowId dialog = topDialogLocked(window)) activateLocked(dialog);
}

void HeadlessPlatform::SetCapture(WindowId window) {
    std::lock_guard lock(m_mutex);
    if (window == m_capture) return;
    if (window == 0) {
        // The program's own release is no loss.
        m_capture = 0;
        return;
    }
    if (m_windows.count(window) == 0) return;
    if (m_capture != 0) loseCaptureLocked();
    m_capture = window;
    m_wake.notify_all();
}

void HeadlessPlatform::loseCaptureLocked() {
    m_made.push_back(windowEvent(EventKind::CaptureLost, m_capture));
    m_capture = 0;
}

WindowId HeadlessPlatform::CaptureWindow() {
    std::lock_guard lock(m_mutex);
    return m_capture;
}

Point HeadlessPlatform::CursorPosition(WindowId window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return {};
    const Point origin = it->second.ClientOrigin();
    return {ScaledDown(m_cursorScreen.x - origin.x * m_scale, m_scale),
            ScaledDown(m_cursorScreen.y - origin.y * m_scale, m_scale)};
}

void HeadlessPlatform::SetCursor(WindowId window, Point client) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    const Point origin = it == m_windows.end() ? Point{} : it->second.ClientOrigin();
    m_cursorScreen = {origin.x * m_scale + client.x, origin.y * m_scale + client.y};
}

void HeadlessPlatform::Present(WindowId window, const Surface& pixels, const Rect& area) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    WindowState& w = it->second;
    w.presented.push_back(area);
    const int left = std::max({area.left, 0}), top = std::max(area.top, 0);
    const int right = std::min({area.right, w.client.width, pixels.width});
    const int bottom = std::min({area.bottom, w.client.height, pixels.height});
    if (left >= right || top >= bottom || pixels.height < 1) return;
    // The client area starts inside the frame.
    const int pitch = w.Outer().width * m_scale * 3;
    std::uint8_t* client = w.screen.data() + std::ptrdiff_t(w.frame) * m_scale * (pitch + 3);
    if (m_scale > 1) {
        // A bottom-up image is addressed from its top row with a negative pitch.
        const int sourcePitch = pixels.bottomUp ? -pixels.stride : pixels.stride;
        ScaleArea(pixels.row(0), sourcePitch, Rect{left, top, right, bottom}, 3, m_scale, client, pitch);
        return;
    }
    for (int y = top; y < bottom; ++y)
        std::memcpy(client + std::ptrdiff_t(y) * pitch + left * 3, pixels.row(y) + left * 3,
                    std::size_t(right - left) * 3);
}

Event HeadlessPlatform::WaitEvent() {
    std::unique_lock lock(m_mutex);
    Event event;
    m_wake.wait(lock, [&] { return takeLocked(event); });
    return event;
}

bool HeadlessPlatform::PollEvent(Event& event) {
    std::lock_guard lock(m_mutex);
    return takeLocked(event);
}

bool HeadlessPlatform::takeLocked(Event& event) {
    for (;;) {
        if (!m_made.empty()) {
            event = m_made.front();
            m_made.pop_front();
            return true;
        }
        if (!m_posted.empty()) {
            event = m_posted.front();
            m_posted.pop_front();
            return true;
        }
        if (m_system.empty()) return false;
        const SystemEvent next = m_system.front();
        m_system.pop_front();
        translateLocked(next);
    }
}

bool HeadlessPlatform::acceptsInputLocked(WindowId window) const {
    auto it = m_windows.find(window);
    return it != m_windows.end() && it->second.enabled;
}

void HeadlessPlatform::translateLocked(const SystemEvent& next) {
    const Event& e = next.event;
    if (next.focusLost) {
        if (m_capture == e.window) loseCaptureLocked();
        return;
    }
    if (isMouse(e)) {
        translateMouseLocked(e);
        return;
    }
    const bool known = m_windows.count(e.window) != 0;
    switch (e.kind) {
    case EventKind::FocusGained:
        if (!known) return;
        m_made.push_back(e);
        // An owner must not cover its dialog.
        raiseDialogOfLocked(e.window);
        return;
    case EventKind::CloseRequest:
        // A window blocked by its dialog cannot be closed; its dialog comes forward.
        if (!known) return;
        if (!acceptsInputLocked(e.window))
            raiseDialogOfLocked(e.window);
        else
            m_made.push_back(e);
        return;
    case EventKind::KeyDown:
    case EventKind::KeyUp:
        if (!acceptsInputLocked(e.window)) {
            if (e.kind == EventKind::KeyDown && known) raiseDialogOfLocked(e.window);
            return;
        }
        m_made.push_back(e);
        if (const std::uint8_t character = characterForKey(e.code);
            e.kind == EventKind::KeyDown && character) {
            Event typed = windowEvent(EventKind::Character, e.window);
            typed.character = character;
            m_made.push_back(typed);
        }
        return;
    case EventKind::Character:
        if (acceptsInputLocked(e.window)) m_made.push_back(e);
        return;
    case EventKind::Exposed:
    case EventKind::Resized:
        if (known) m_made.push_back(e);
        return;
    default:
        m_made.push_back(e);
        return;
    }
}

void HeadlessPlatform::translateMouseLocked(Event event) {
    const WindowId source = event.window;
    const WindowId target = m_capture != 0 ? m_capture : source;
    const auto to = m_windows.find(target);
    if (to == m_windows.end()) return;
    if (target != source) {
        // In the capturing window's client coordinates.
        const auto from = m_windows.find(source);
        const Point toOrigin = to->second.ClientOrigin();
        int x = 0, y = 0;
        if (from != m_windows.end()) {
            const Point fromOrigin = from->second.ClientOrigin();
            x = std::int16_t(event.x) + (fromOrigin.x - toOrigin.x) * m_scale;
            y = std::int16_t(event.y) + (fromOrigin.y - toOrigin.y) * m_scale;
        } else {
            x = m_cursorScreen.x - toOrigin.x * m_scale;
            y = m_cursorScreen.y - toOrigin.y * m_scale;
        }
        event.window = target;
        event.x = std::uint16_t(x);
        event.y = std::uint16_t(y);
    } else if (m_capture == 0 && !onClient(std::int16_t(event.x), std::int16_t(event.y), to->second.client, m_scale)) {
        // The frame, or beyond: not the client's input. A press there still brings a
        // disabled window's dialog forward.
        if (event.kind == EventKind::KeyDown && !to->second.enabled) raiseDialogOfLocked(target);
        return;
    }
    // Screen pixels to the program's, as the SDL backend turns them.
    event.x = std::uint16_t(ScaledDown(std::int16_t(event.x), m_scale));
    event.y = std::uint16_t(ScaledDown(std::int16_t(event.y), m_scale));
    if (!to->second.enabled) {
        if (event.kind == EventKind::KeyDown) raiseDialogOfLocked(target);
        return;
    }
    m_made.push_back(event);
}

void HeadlessPlatform::PostEvent(const Event& event) {
    std::lock_guard lock(m_mutex);
    m_posted.push_back(event);
    m_wake.notify_all();
}

void HeadlessPlatform::Inject(const Event& event) {
    std::lock_guard lock(m_mutex);
    m_system.push_back({event});
    m_wake.notify_all();
}

std::uint32_t HeadlessPlatform::Milliseconds() {
    return m_time;
}

void HeadlessPlatform::ShowMessage(std::string_view text, std::string_view caption) {
    std::lock_guard lock(m_mutex);
    m_messages.push_back(std::string(caption) + "|" + std::string(text));
}

bool HeadlessPlatform::OpenUrl(std::string_view target) {
    std::lock_guard lock(m_mutex);
    m_urls.emplace_back(target);
    return !m_refuseUrls;
}

void HeadlessPlatform::PlaySound(const std::string& path, bool wait) {
    std::lock_guard lock(m_mutex);
    m_sounds.push_back((wait ? "wait:" : "") + path);
}

void HeadlessPlatform::SetIcon(WindowId window, const Surface& image, std::uint32_t) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_windows.find(window); it != m_windows.end() && image.bits != nullptr)
        it->second.icon = {image.width, image.height};
}

HeadlessPlatform::WindowState HeadlessPlatform::Window(WindowId window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    return it == m_windows.end() ? WindowState{} : it->second;
}

bool HeadlessPlatform::Exists(WindowId window) {
    std::lock_guard lock(m_mutex);
    return m_windows.count(window) != 0;
}

WindowId HeadlessPlatform::ActiveWindow() {
    std::lock_guard lock(m_mutex);
    return m_active;
}

Surface HeadlessPlatform::Screen(WindowId window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return {};
    auto& w = it->second;
    const Size outer = w.Outer();
    return {w.screen.data(), outer.width * m_scale, outer.height * m_scale, outer.width * m_scale * 3, false};
}

Rect HeadlessPlatform::ScreenArea(WindowId window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return {};
    const auto& w = it->second;
    return {w.position.x * m_scale, w.position.y * m_scale, (w.position.x + w.Outer().width) * m_scale,
            (w.position.y + w.Outer().height) * m_scale};
}

bool HeadlessPlatform::SaveScreen(WindowId window, const std::string& path) {
    return WritePng(path, Screen(window));
}

std::vector<std::string> HeadlessPlatform::Sounds() {
    std::lock_guard lock(m_mutex);
    return m_sounds;
}

std::vector<std::string> HeadlessPlatform::Urls() {
    std::lock_guard lock(m_mutex);
    return m_urls;
}

std::vector<std::string> HeadlessPlatform::Messages() {
    std::lock_guard lock(m_mutex);
    return m_messages;
}

} // namespace platform
