#include "platform/headless/MemoryDriver.hpp"

#include <cstring>
#include <utility>

#include "platform/KeyCodes.hpp"

namespace platform {

MemoryDriver::MemoryDriver(Size screen) : m_screen(screen) {}

bool MemoryDriver::Ready() {
    return locked([&] { return !std::exchange(m_failNextCreate, false); });
}

WindowId MemoryDriver::Create(const NativeWindowSpec& request) {
    std::lock_guard lock(m_mutex);
    m_scale = request.scale;
    const WindowId id = m_nextId++;
    HeadlessWindow& made = m_windows[id];
    made.wanted = request.wanted;
    made.frame = request.frame;
    made.client = {request.outer.width / m_scale - 2 * request.frame, request.outer.height / m_scale - 2 * request.frame};
    made.position = {request.corner.x / m_scale, request.corner.y / m_scale};
    made.screen.resize(std::size_t(request.outer.width) * std::size_t(request.outer.height) * 3);
    const std::uint32_t background = request.wanted.background;
    for (std::size_t i = 0; i < made.screen.size(); i += 3) {
        made.screen[i] = std::uint8_t(background >> 16);
        made.screen[i + 1] = std::uint8_t(background >> 8);
        made.screen[i + 2] = std::uint8_t(background);
    }
    const Surface image = imageLocked(made);
    DrawWindowFrame(image, Rect{0, 0, image.width, image.height}, made.Outer().width, made.Outer().height, made.frame,
                    m_scale);
    queue(NativeEvent::Kind::Exposed, id);
    m_system.back().area = {0, 0, made.client.width, made.client.height};
    return id;
}

void MemoryDriver::Destroy(WindowId window) {
    std::lock_guard lock(m_mutex);
    m_windows.erase(window);
    if (m_focus == window) m_focus = 0;
}

void MemoryDriver::SetTitle(WindowId window, std::string_view title) {
    locked([&] { m_windows[window].title = title; });
}

void MemoryDriver::Show(WindowId window, ShowMode mode) {
    locked([&] { m_windows[window].shown = mode; });
}

void MemoryDriver::Move(WindowId window, Point corner) {
    locked([&] { m_windows[window].position = {corner.x / m_scale, corner.y / m_scale}; });
}

Rect MemoryDriver::Area(WindowId window) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    if (it == m_windows.end()) return {};
    const HeadlessWindow& w = it->second;
    return {w.position.x * m_scale, w.position.y * m_scale, (w.position.x + w.Outer().width) * m_scale,
            (w.position.y + w.Outer().height) * m_scale};
}

void MemoryDriver::Raise(WindowId window) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    // A minimised window cannot take the focus; raising the focused one changes nothing.
    if (it == m_windows.end() || it->second.shown == ShowMode::Minimize || m_focus == window) return;
    if (m_focus != 0) queue(NativeEvent::Kind::FocusLost, m_focus);
    m_focus = window;
    queue(NativeEvent::Kind::FocusGained, window);
}

void MemoryDriver::queue(NativeEvent::Kind kind, WindowId window) {
    NativeEvent event;
    event.kind = kind;
    event.window = window;
    m_system.push_back(event);
    m_wake.notify_all();
}

Point MemoryDriver::Cursor() {
    std::lock_guard lock(m_mutex);
    return m_cursorScreen;
}

void MemoryDriver::SetCursor(WindowId window, Point client) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    const Point origin = it == m_windows.end() ? Point{} : it->second.ClientOrigin();
    m_cursorScreen = {origin.x * m_scale + client.x, origin.y * m_scale + client.y};
}

void MemoryDriver::Present(WindowId window, const Surface& pixels, const Rect& asked, const Rect& clipped) {
    std::lock_guard lock(m_mutex);
    HeadlessWindow& w = m_windows[window];
    w.presented.push_back(asked);
    if (clipped.IsEmpty()) return;
    // The client area starts inside the frame.
    const int pitch = w.Outer().width * m_scale * 3;
    std::uint8_t* client = w.screen.data() + std::ptrdiff_t(w.frame) * m_scale * (pitch + 3);
    if (m_scale > 1) {
        // A bottom-up image is addressed from its top row with a negative pitch.
        const int sourcePitch = pixels.bottomUp ? -pixels.stride : pixels.stride;
        ScaleArea(pixels.row(0), sourcePitch, clipped, 3, m_scale, client, pitch);
        return;
    }
    for (int y = clipped.top; y < clipped.bottom; ++y)
        std::memcpy(client + std::ptrdiff_t(y) * pitch + clipped.left * 3, pixels.row(y) + clipped.left * 3,
                    std::size_t(clipped.Width()) * 3);
}

NativeDriver::Pumped MemoryDriver::WaitNative(std::vector<NativeEvent>& out, bool block) {
    std::unique_lock lock(m_mutex);
    if (block) m_wake.wait(lock, [&] { return !m_system.empty() || m_woken; });
    m_woken = false;
    if (m_system.empty()) return Pumped::Nothing;
    out.push_back(m_system.front());
    m_system.pop_front();
    return Pumped::Events;
}

void MemoryDriver::Wake() {
    std::lock_guard lock(m_mutex);
    m_woken = true;
    m_wake.notify_all();
}

void MemoryDriver::Inject(const Event& event) {
    using Kind = NativeEvent::Kind;
    std::lock_guard lock(m_mutex);
    NativeEvent native;
    native.window = event.window;
    native.code = event.code;
    native.character = event.character;
    native.area = event.area;
    native.pad = event.pad;
    native.axis = event.axis;
    switch (event.kind) {
    case EventKind::MouseMove: native.kind = Kind::MouseMove; break;
    case EventKind::MouseDown:
        native.kind = Kind::ButtonDown;
        break;
    case EventKind::MouseUp:
        native.kind = Kind::ButtonUp;
        break;
    case EventKind::KeyDown:
        native.kind = Kind::KeyDown;
        break;
    case EventKind::KeyUp:
        native.kind = Kind::KeyUp;
        break;
    case EventKind::Character: native.kind = Kind::Character; break;
    case EventKind::CloseRequest: native.kind = Kind::CloseRequest; break;
    case EventKind::Exposed: native.kind = Kind::Exposed; break;
    case EventKind::Resized: native.kind = Kind::Resized; break;
    case EventKind::FocusGained: native.kind = Kind::FocusGained; break;
    case EventKind::FocusLost:
        // The desktop gave the focus to another program's window.
        native.kind = Kind::FocusLost;
        if (m_focus == event.window) m_focus = 0;
        break;
    case EventKind::PadDown:
        native.kind = Kind::PadDown;
        break;
    case EventKind::PadUp:
        native.kind = Kind::PadUp;
        break;
    case EventKind::PadAxis:
        native.kind = Kind::PadAxis;
        break;
    default: return; // Only the program's own calls make the other kinds.
    }
    const bool mouse =
        native.kind == Kind::MouseMove || native.kind == Kind::ButtonDown || native.kind == Kind::ButtonUp;
    if (native.kind != Kind::MouseMove && mouse) native.code = KeyCodeOf(event.button);
    // A controller belongs to no window; the table finds the focused one.
    if (native.kind == Kind::PadDown || native.kind == Kind::PadUp || native.kind == Kind::PadAxis)
        native.window = 0;
    if (mouse) {
        // Injected in client coordinates, reported from the outer corner as SDL does.
        const auto it = m_windows.find(event.window);
        const int offset = it == m_windows.end() ? 0 : it->second.frame * m_scale;
        native.x = event.x + offset;
        native.y = event.y + offset;
    }
    m_system.push_back(native);
    m_wake.notify_all();
}

void MemoryDriver::ShowMessage(std::string_view text, std::string_view caption) {
    locked([&] { m_messages.push_back(std::string(caption) + "|" + std::string(text)); });
}

bool MemoryDriver::OpenUrl(std::string_view target) {
    locked([&] { m_urls.emplace_back(target); });
    return !m_refuseUrls;
}

void MemoryDriver::PlaySound(const std::string& path, bool wait) {
    locked([&] { m_sounds.push_back((wait ? "wait:" : "") + path); });
}

void MemoryDriver::SetIcon(WindowId window, const Surface& image, std::uint32_t) {
    std::lock_guard lock(m_mutex);
    if (image.bits != nullptr) m_windows[window].icon = {image.width, image.height};
}

HeadlessWindow MemoryDriver::Window(WindowId window) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? HeadlessWindow{} : it->second;
}

Surface MemoryDriver::Image(WindowId window) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? Surface{} : imageLocked(it->second);
}

Surface MemoryDriver::imageLocked(HeadlessWindow& window) const {
    const Size outer = window.Outer();
    return {window.screen.data(), outer.width * m_scale, outer.height * m_scale, outer.width * m_scale * 3, false};
}

} // namespace platform
