#include "platform/headless/MemoryDriver.hpp"

#include <algorithm>
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
    const int scale = request.scale;
    const WindowId id = m_nextId++;
    HeadlessWindow& made = m_windows[id];
    made.wanted = request.wanted;
    made.area = {request.corner.x, request.corner.y, request.corner.x + request.outer.width,
                 request.corner.y + request.outer.height};
    const Size client{request.outer.width / scale - 2 * request.frame,
                      request.outer.height / scale - 2 * request.frame};
    made.layout = FramedLayout(scale, client, request.frame);
    paintLocked(made);
    queue(NativeEvent::Kind::Exposed, id);
    m_system.back().area = {0, 0, client.width, client.height};
    return id;
}

bool MemoryDriver::Place(WindowId window, const Rect& outer, const WindowLayout& layout) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    if (it == m_windows.end() || std::exchange(m_failNextPlace, false)) return false;
    it->second.area = outer;
    it->second.layout = layout;
    paintLocked(it->second);
    return true;
}

void MemoryDriver::SetBorderTile(const ConstSurface& tile) {
    locked([&] { m_border.Set(tile); });
}

void MemoryDriver::paintLocked(HeadlessWindow& made) {
    const WindowLayout& layout = made.layout;
    made.screen.assign(std::size_t(made.area.Width()) * std::size_t(made.area.Height()) * 3, 0);
    const Surface image = imageLocked(made);
    const Rect client{layout.offset.x, layout.offset.y, layout.offset.x + layout.client.width * layout.scale,
                      layout.offset.y + layout.client.height * layout.scale};
    const std::uint32_t background = made.wanted.background;
    for (int y = std::max(client.top, 0); y < std::min<int>(client.bottom, image.height); ++y)
        for (int x = std::max(client.left, 0); x < std::min<int>(client.right, image.width); ++x) {
            std::uint8_t* p = image.row(y) + x * 3;
            p[0] = std::uint8_t(background >> 16);
            p[1] = std::uint8_t(background >> 8);
            p[2] = std::uint8_t(background);
        }
    const Rect whole{0, 0, image.width, image.height};
    if (layout.fullScreen) {
        for (const Rect& band : BandsAround(whole, client)) {
            const Surface part{image.row(band.top) + band.left * 3, static_cast<int>(band.Width()),
                               static_cast<int>(band.Height()), image.stride, false};
            // The tile is laid from the screen's corner.
            m_border.Draw(part,
                          Rect{band.left + made.area.left, band.top + made.area.top,
                               band.right + made.area.left, band.bottom + made.area.top},
                          layout.scale);
        }
        return;
    }
    DrawWindowFrame(image, whole, image.width / layout.scale, image.height / layout.scale, layout.frame,
                    layout.scale);
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
    locked([&] {
        Rect& area = m_windows[window].area;
        area = {corner.x, corner.y, corner.x + static_cast<int>(area.Width()),
                corner.y + static_cast<int>(area.Height())};
    });
}

Rect MemoryDriver::Area(WindowId window) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? Rect{} : it->second.area;
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
    m_cursorScreen = {origin.x + client.x, origin.y + client.y};
}

void MemoryDriver::Present(WindowId window, const Surface& pixels, const Rect& asked, const Rect& clipped) {
    std::lock_guard lock(m_mutex);
    HeadlessWindow& w = m_windows[window];
    w.presented.push_back(asked);
    if (clipped.IsEmpty()) return;
    // The client area starts at the layout's offset.
    const int scale = w.layout.scale;
    const int pitch = static_cast<int>(w.area.Width()) * 3;
    std::uint8_t* client =
        w.screen.data() + std::ptrdiff_t(w.layout.offset.y) * pitch + w.layout.offset.x * 3;
    if (scale > 1) {
        // A bottom-up image is addressed from its top row with a negative pitch.
        const int sourcePitch = pixels.bottomUp ? -pixels.stride : pixels.stride;
        ScaleArea(pixels.row(0), sourcePitch, clipped, 3, scale, client, pitch);
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
        const Point offset = it == m_windows.end() ? Point{} : it->second.layout.offset;
        native.x = event.x + offset.x;
        native.y = event.y + offset.y;
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

bool MemoryDriver::SetClipboardText(std::string_view text) {
    locked([&] { m_clipboard = text; });
    return true;
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
    const int width = static_cast<int>(window.area.Width()), height = static_cast<int>(window.area.Height());
    return {window.screen.data(), width, height, width * 3, false};
}

} // namespace platform
