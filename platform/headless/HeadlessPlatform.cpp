#include "HeadlessPlatform.hpp"

#include <algorithm>
#include <cstring>

#include "platform/PngFile.hpp"

namespace platform {

HeadlessPlatform::HeadlessPlatform(Size screen) : m_screen(screen) {}

bool HeadlessPlatform::isInput(EventKind kind) {
    switch (kind) {
    case EventKind::KeyDown:
    case EventKind::KeyUp:
    case EventKind::Character:
    case EventKind::MouseMove:
        return true;
    default:
        return false;
    }
}

WindowId HeadlessPlatform::CreateWindow(const WindowSpec& wanted) {
    std::lock_guard lock(m_mutex);
    if (m_failNextCreate || wanted.width <= 0 || wanted.height <= 0) {
        m_failNextCreate = false;
        return 0;
    }
    const WindowId id = m_nextId++;
    WindowState& state = m_windows[id];
    state.wanted = wanted;
    state.screen.assign(std::size_t(wanted.width) * wanted.height * 3, 0);
    m_active = id;
    return id;
}

void HeadlessPlatform::DestroyWindow(WindowId window) {
    std::lock_guard lock(m_mutex);
    if (m_windows.erase(window) == 0) return;
    if (m_active == window) m_active = 0;
    if (m_capture == window) m_capture = 0;
    Event destroyed;
    destroyed.kind = EventKind::Destroyed;
    destroyed.window = window;
    m_events.push_back(destroyed);
    m_wake.notify_one();
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

Area HeadlessPlatform::WindowArea(WindowId window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return {};
    const auto& w = it->second;
    return {w.position.x, w.position.y, w.position.x + w.wanted.width, w.position.y + w.wanted.height};
}

Size HeadlessPlatform::ClientSize(WindowId window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    return it == m_windows.end() ? Size{} : Size{it->second.wanted.width, it->second.wanted.height};
}

Size HeadlessPlatform::ScreenSize() { return m_screen; }

void HeadlessPlatform::EnableWindow(WindowId window, bool enabled) {
    std::lock_guard lock(m_mutex);
    if (auto it = m_windows.find(window); it != m_windows.end()) it->second.enabled = enabled;
}

void HeadlessPlatform::ActivateWindow(WindowId window) {
    std::lock_guard lock(m_mutex);
    if (m_windows.count(window)) m_active = window;
}

void HeadlessPlatform::SetCapture(WindowId window) {
    std::lock_guard lock(m_mutex);
    m_capture = m_windows.count(window) ? window : 0;
}

WindowId HeadlessPlatform::CaptureWindow() {
    std::lock_guard lock(m_mutex);
    return m_capture;
}

Point HeadlessPlatform::CursorPosition(WindowId window) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return m_cursorScreen;
    return {m_cursorScreen.x - it->second.position.x, m_cursorScreen.y - it->second.position.y};
}

void HeadlessPlatform::SetCursor(WindowId window, Point client) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    const Point origin = it == m_windows.end() ? Point{} : it->second.position;
    m_cursorScreen = {origin.x + client.x, origin.y + client.y};
}

void HeadlessPlatform::Present(WindowId window, const Surface& pixels, const Area& area) {
    std::lock_guard lock(m_mutex);
    auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    WindowState& w = it->second;
    w.presented.push_back(area);
    const int left = std::max({area.left, 0}), top = std::max(area.top, 0);
    const int right = std::min({area.right, w.wanted.width, pixels.width});
    const int bottom = std::min({area.bottom, w.wanted.height, pixels.height});
    for (int y = top; y < bottom; ++y)
        std::memcpy(&w.screen[(std::size_t(y) * w.wanted.width + left) * 3], pixels.row(y) + left * 3,
                    std::size_t(std::max(0, right - left)) * 3);
}

Event HeadlessPlatform::WaitEvent() {
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return !m_events.empty(); });
    Event event = m_events.front();
    m_events.pop_front();
    return event;
}

bool HeadlessPlatform::PollEvent(Event& event) {
    std::lock_guard lock(m_mutex);
    if (m_events.empty()) return false;
    event = m_events.front();
    m_events.pop_front();
    return true;
}

void HeadlessPlatform::PostEvent(const Event& event) {
    std::lock_guard lock(m_mutex);
    m_events.push_back(event);
    m_wake.notify_one();
}

void HeadlessPlatform::Inject(const Event& event) {
    std::lock_guard lock(m_mutex);
    if (isInput(event.kind)) {
        auto it = m_windows.find(event.window);
        if (it == m_windows.end() || !it->second.enabled) return;
    }
    m_events.push_back(event);
    m_wake.notify_one();
}

std::uint32_t HeadlessPlatform::Milliseconds() { return m_time; }

void HeadlessPlatform::ShowMessage(std::string_view text, std::string_view caption) {
    std::lock_guard lock(m_mutex);
    m_messages.push_back(std::string(caption) + "|" + std::string(text));
}

bool HeadlessPlatform::OpenUrl(std::string_view target) {
    std::lock_guard lock(m_mutex);
    m_urls.emplace_back(target);
    return true;
}

void HeadlessPlatform::PlaySound(const std::string& path, bool wait) {
    std::lock_guard lock(m_mutex);
    m_sounds.push_back((wait ? "wait:" : "") + path);
}

void HeadlessPlatform::SetIcon(WindowId, const Surface&) {}

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
    return {w.screen.data(), w.wanted.width, w.wanted.height, w.wanted.width * 3, false};
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
