#include "platform/headless/HeadlessPlatform.hpp"

#include "platform/PngFile.hpp"

namespace platform {

HeadlessPlatform::HeadlessPlatform(Size screen)
    : WindowTable(std::make_unique<MemoryDriver>(screen)), m_driver(static_cast<MemoryDriver&>(Driver())) {}

void HeadlessPlatform::Inject(const Event& event) {
    m_driver.Inject(event);
}

void HeadlessPlatform::InjectPadButton(PadButton button, bool down) {
    Event event;
    event.kind = down ? EventKind::PadDown : EventKind::PadUp;
    event.pad = button;
    m_driver.Inject(event);
}

void HeadlessPlatform::InjectPadAxis(PadAxis axis, int value) {
    Event event;
    event.kind = EventKind::PadAxis;
    event.axis = axis;
    event.code = value;
    m_driver.Inject(event);
}

void HeadlessPlatform::SetCursor(WindowId window, Point client) {
    m_driver.SetCursor(window, client);
}

HeadlessPlatform::WindowState HeadlessPlatform::Window(WindowId window) {
    WindowState state = m_driver.Window(window);
    if (Exists(window)) state.enabled = Enabled(window);
    return state;
}

WindowId HeadlessPlatform::ActiveWindow() {
    return m_driver.Focused();
}

Surface HeadlessPlatform::Screen(WindowId window) {
    return m_driver.Image(window);
}

Rect HeadlessPlatform::ScreenArea(WindowId window) {
    return m_driver.Area(window);
}

bool HeadlessPlatform::SaveScreen(WindowId window, const std::string& path) {
    return WritePng(path, Screen(window));
}

std::vector<std::string> HeadlessPlatform::Sounds() {
    return m_driver.Sounds();
}

std::vector<std::string> HeadlessPlatform::Urls() {
    return m_driver.Urls();
}

std::string HeadlessPlatform::Clipboard() {
    return m_driver.Clipboard();
}

std::vector<std::string> HeadlessPlatform::Messages() {
    return m_driver.Messages();
}

} // namespace platform
