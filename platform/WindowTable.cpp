#include "platform/WindowTable.hpp"

#include <algorithm>
#include <chrono>

#include "platform/KeyCodes.hpp"
#include "platform/PixelScale.hpp"

namespace platform {

std::uint8_t CharacterForKey(int virtualKey) {
    switch (virtualKey) {
    case Key_Backspace:
    case Key_Tab:
    case Key_Return:
    case Key_Escape: return static_cast<std::uint8_t>(virtualKey);
    default: return 0;
    }
}

Rect ClipArea(const Rect& area, int width, int height) {
    const Rect clipped = area.Intersect(Rect{0, 0, width, height});
    return clipped.IsEmpty() ? Rect{} : clipped;
}

Point CentreOn(const Rect& owner, Size size) {
    return Point{static_cast<int>(owner.left + (owner.Width() - size.width) / 2),
                 static_cast<int>(owner.top + (owner.Height() - size.height) / 2)};
}

int FullScreenScale(Size screen, Size client) {
    if (client.width < 1 || client.height < 1) return 1;
    const int scale = std::min(screen.width / client.width, screen.height / client.height);
    return std::clamp(scale, 1, kMaxScale);
}

Point FullScreenCorner(Size screen, Size client, int scale) {
    const auto side = [scale](int room, int used) {
        const int spare = room - used * scale;
        return spare <= 0 ? 0 : spare / 2 / scale * scale;
    };
    return Point{side(screen.width, client.width), side(screen.height, client.height)};
}

WindowTable::WindowTable(std::unique_ptr<NativeDriver> driver) : m_driver(std::move(driver)) {}

WindowTable::~WindowTable() = default;

void WindowTable::SetScale(int scale) {
    std::lock_guard lock(m_mutex);
    if (!m_madeWindow && scale >= 1 && scale <= kMaxScale) m_scale = scale;
}

int WindowTable::Scale() {
    std::lock_guard lock(m_mutex);
    return m_scale;
}

int WindowTable::ScaleOf(WindowId window) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    return it == m_windows.end() ? 0 : it->second.layout.scale;
}

int WindowTable::scaleForOwnerLocked(WindowId owner) const {
    const auto it = m_windows.find(owner);
    return it == m_windows.end() ? m_scale : it->second.layout.scale;
}

WindowId WindowTable::CreateWindow(const WindowSpec& wanted) {
    std::lock_guard lock(m_mutex);
    if (!m_driver->Ready()) return 0;
    const int frame = FrameWidth(wanted.styleKind);
    const Size outer{OuterSide(std::max(wanted.width, 1), wanted.styleKind),
                     OuterSide(std::max(wanted.height, 1), wanted.styleKind)};
    const bool owned = m_windows.count(wanted.owner) != 0;
    const int scale = scaleForOwnerLocked(owned ? wanted.owner : 0);
    // Centred in the program's pixels, so that the place it is told is the centred one; the
    // screen counts in the table's, an owner in its own.
    const Size screen = screenLocked(false);
    const Rect around = owned ? areaLocked(wanted.owner) : Rect{0, 0, screen.width, screen.height};
    const Point corner = CentreOn(around, outer);
    NativeWindowSpec request;
    request.wanted = wanted;
    request.wanted.owner = owned ? wanted.owner : 0;
    request.corner = {corner.x * scale, corner.y * scale};
    request.outer = {outer.width * scale, outer.height * scale};
    request.frame = frame;
    request.scale = scale;
    const WindowId id = m_driver->Create(request);
    if (id == 0) return 0;
    m_madeWindow = true;
    Entry& entry = m_windows[id];
    entry = Entry{request.wanted.owner, frame, true, {}, false, {}, scale};
    entry.layout = FramedLayout(scale, {outer.width - 2 * frame, outer.height - 2 * frame}, frame);
    m_driver->Raise(id);
    // A new window's size is reported once, as every later change: the size it got, which a
    // window manager may have changed.
    pushWholeClientLocked(EventKind::Resized, id);
    return id;
}

void WindowTable::DestroyWindow(WindowId window) {
    std::lock_guard lock(m_mutex);
    destroyLocked(window);
}

void WindowTable::destroyLocked(WindowId window) {
    if (m_windows.count(window) == 0) return;
    // Owned windows go first, as their owner's destruction takes them along.
    std::vector<WindowId> owned;
    for (const auto& [id, entry] : m_windows)
        if (entry.owner == window) owned.push_back(id);
    for (WindowId id : owned) destroyLocked(id);
    if (m_capture == window) loseCaptureLocked();
    m_driver->Destroy(window);
    m_windows.erase(window);
    if (m_focused == window) m_focused = 0;
    pushLocked(EventKind::Destroyed, window);
}

void WindowTable::SetTitle(WindowId window, std::string_view title) {
    std::lock_guard lock(m_mutex);
    if (m_windows.count(window) != 0) m_driver->SetTitle(window, title);
}

void WindowTable::ShowWindow(WindowId window, ShowMode mode) {
    std::lock_guard lock(m_mutex);
    if (m_windows.count(window) != 0) m_driver->Show(window, mode);
}

void WindowTable::MoveWindow(WindowId window, int x, int y) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    // A full-screen window stays where it is.
    if (it == m_windows.end() || it->second.full) return;
    const int scale = it->second.layout.scale;
    m_driver->Move(window, Point{x * scale, y * scale});
}

Rect WindowTable::WindowArea(WindowId window) {
    std::lock_guard lock(m_mutex);
    return areaLocked(window);
}

Rect WindowTable::areaLocked(WindowId window) {
    const auto it = m_windows.find(window);
    if (it == m_windows.end()) return Rect{};
    const WindowLayout& layout = it->second.layout;
    const int scale = layout.scale;
    if (it->second.full) {
        // The client's place, as the frame is not shown.
        const Point corner = clientCornerLocked(window);
        const int x = ScaledDown(corner.x, scale), y = ScaledDown(corner.y, scale);
        return Rect{x, y, x + layout.client.width, y + layout.client.height};
    }
    const Rect native = m_driver->Area(window);
    const int x = ScaledDown(static_cast<int>(native.left), scale);
    const int y = ScaledDown(static_cast<int>(native.top), scale);
    return Rect{x, y, x + static_cast<int>(native.Width()) / scale,
                y + static_cast<int>(native.Height()) / scale};
}

Point WindowTable::clientCornerLocked(WindowId window) {
    const Rect native = m_driver->Area(window);
    const Point offset = m_windows[window].layout.offset;
    return Point{static_cast<int>(native.left) + offset.x, static_cast<int>(native.top) + offset.y};
}

Size WindowTable::ClientSize(WindowId window) {
    std::lock_guard lock(m_mutex);
    return clientSizeLocked(window);
}

Size WindowTable::clientSizeLocked(WindowId window) {
    const auto it = m_windows.find(window);
    if (it == m_windows.end()) return Size{};
    if (it->second.full) return it->second.layout.client;
    const Rect native = m_driver->Area(window);
    const int frame = it->second.frame;
    const int scale = it->second.layout.scale;
    return Size{std::max(static_cast<int>(native.Width()) / scale - 2 * frame, 0),
                std::max(static_cast<int>(native.Height()) / scale - 2 * frame, 0)};
}

Size WindowTable::ScreenSize() {
    std::lock_guard lock(m_mutex);
    return screenLocked(false);
}

Size WindowTable::UsableScreenSize() {
    std::lock_guard lock(m_mutex);
    return screenLocked(true);
}

Size WindowTable::screenLocked(bool usable) {
    const Size screen = m_driver->Screen(usable);
    return Size{screen.width / m_scale, screen.height / m_scale};
}

void WindowTable::EnableWindow(WindowId window, bool enabled) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    if (it == m_windows.end()) return;
    it->second.enabled = enabled;
    if (!enabled && m_capture == window) loseCaptureLocked();
}

bool WindowTable::Exists(WindowId window) {
    std::lock_guard lock(m_mutex);
    return m_windows.count(window) != 0;
}

bool WindowTable::Enabled(WindowId window) {
    std::lock_guard lock(m_mutex);
    return acceptsInputLocked(window);
}

bool WindowTable::acceptsInputLocked(WindowId window) const {
    const auto it = m_windows.find(window);
    return it != m_windows.end() && it->second.enabled;
}

void WindowTable::ActivateWindow(WindowId window) {
    std::lock_guard lock(m_mutex);
    if (m_windows.count(window) != 0) m_driver->Raise(window);
}

WindowId WindowTable::FocusedWindow() {
    std::lock_guard lock(m_mutex);
    return m_focused;
}

WindowId WindowTable::topDialogLocked(WindowId window) const {
    WindowId dialog = 0;
    for (const auto& [id, entry] : m_windows)
        if (entry.owner == window) dialog = id; // The newest one wins: ids grow.
    if (dialog == 0) return 0;
    const WindowId inner = topDialogLocked(dialog);
    return inner != 0 ? inner : dialog;
}

void WindowTable::raiseDialogOfLocked(WindowId window) {
    if (const WindowId dialog = topDialogLocked(window)) m_driver->Raise(dialog);
}

void WindowTable::SetCapture(WindowId window) {
    std::lock_guard lock(m_mutex);
    if (window == m_capture) return;
    if (window == 0) {
        // The program's own release: no capture-lost event, as the program asked for it.
        m_capture = 0;
        m_driver->CaptureMouse(false);
        return;
    }
    if (m_windows.count(window) == 0) return;
    if (m_capture != 0) loseCaptureLocked(); // Another window taking it ends the old holder's.
    m_capture = window;
    // The system keeps the mouse for the focused window; events from any of ours are routed
    // to the capturing one anyway.
    m_driver->CaptureMouse(true);
}

WindowId WindowTable::CaptureWindow() {
    std::lock_guard lock(m_mutex);
    return m_capture;
}

void WindowTable::loseCaptureLocked() {
    const WindowId lost = m_capture;
    m_capture = 0;
    m_driver->CaptureMouse(false);
    pushLocked(EventKind::CaptureLost, lost);
}

Point WindowTable::CursorPosition(WindowId window) {
    std::lock_guard lock(m_mutex);
    if (m_windows.count(window) == 0) return Point{};
    const Point cursor = cursorOnClientLocked(window);
    const int scale = m_windows[window].layout.scale;
    return Point{ScaledDown(cursor.x, scale), ScaledDown(cursor.y, scale)};
}

Point WindowTable::cursorOnClientLocked(WindowId window) {
    const Point cursor = m_driver->Cursor();
    const Point corner = clientCornerLocked(window);
    return Point{cursor.x - corner.x, cursor.y - corner.y};
}

void WindowTable::Present(WindowId window, const Surface& pixels, const Rect& area) {
    std::lock_guard lock(m_mutex);
    if (m_windows.count(window) == 0) return;
    const Size client = clientSizeLocked(window);
    Rect clipped = pixels.bits == nullptr
                       ? Rect{}
                       : ClipArea(ClipArea(area, pixels.width, pixels.height), client.width, client.height);
    // A client larger than the screen shows the part the window holds.
    const WindowLayout& layout = m_windows[window].layout;
    const Rect native = m_driver->Area(window);
    clipped = ClipArea(clipped, static_cast<int>(native.Width() - layout.offset.x) / layout.scale,
                       static_cast<int>(native.Height() - layout.offset.y) / layout.scale);
    m_driver->Present(window, pixels, area, clipped);
}

Event WindowTable::WaitEvent() {
    Event event;
    take(event, true);
    return event;
}

bool WindowTable::PollEvent(Event& event) {
    return take(event, false);
}

bool WindowTable::take(Event& event, bool wait) {
    std::vector<NativeEvent> natives;
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (takeQueuedLocked(event)) return true;
        if (wait && !m_driver->CanWait()) {
            // Without a native wait only a posted event can arrive.
            lock.unlock();
            {
                std::unique_lock post(m_postMutex);
                m_postCv.wait(post, [&] { return !m_postQueue.empty(); });
            }
            lock.lock();
            continue;
        }
        m_waitingNative = true;
        lock.unlock();
        natives.clear();
        const NativeDriver::Pumped pumped = m_driver->WaitNative(natives, wait);
        if (pumped == NativeDriver::Pumped::Failed) {
            std::unique_lock post(m_postMutex);
            m_postCv.wait_for(post, std::chrono::milliseconds(10), [&] { return !m_postQueue.empty(); });
        }
        lock.lock();
        m_waitingNative = false;
        for (const NativeEvent& native : natives) translateLocked(native);
        if (!wait && pumped != NativeDriver::Pumped::Events) return takeQueuedLocked(event);
    }
}

bool WindowTable::takeQueuedLocked(Event& event) {
    if (!m_made.empty()) {
        event = m_made.front();
        m_made.pop_front();
        return true;
    }
    // Posted events come before native input, as posted messages do on Win32.
    std::lock_guard post(m_postMutex);
    if (m_postQueue.empty()) return false;
    event = m_postQueue.front();
    m_postQueue.pop_front();
    return true;
}

void WindowTable::PostEvent(const Event& event) {
    {
        std::lock_guard post(m_postMutex);
        m_postQueue.push_back(event);
    }
    m_postCv.notify_all();
    m_driver->Wake();
}

void WindowTable::pushLocked(const Event& event) {
    m_made.push_back(event);
    // A call from another thread while the events are being waited for.
    if (m_waitingNative) m_driver->Wake();
}

void WindowTable::pushLocked(EventKind kind, WindowId window) {
    Event event;
    event.kind = kind;
    event.window = window;
    pushLocked(event);
}

void WindowTable::translateLocked(const NativeEvent& native) {
    using Kind = NativeEvent::Kind;
    const WindowId id = native.window;
    switch (native.kind) {
    case Kind::MouseMove:
    case Kind::ButtonDown:
    case Kind::ButtonUp: translateMouseLocked(native); return;
    case Kind::KeyDown:
    case Kind::KeyUp: translateKeyLocked(native); return;
    case Kind::PadDown:
    case Kind::PadUp:
    case Kind::PadAxis:
        translatePadLocked(native);
        return;
    case Kind::Character:
        if (acceptsInputLocked(id)) {
            Event typed;
            typed.kind = EventKind::Character;
            typed.window = id;
            typed.character = native.character;
            pushLocked(typed);
        }
        return;
    default: break;
    }
    if (m_windows.count(id) == 0) return;
    switch (native.kind) {
    case Kind::CloseRequest:
        // A window blocked by its dialog cannot be closed; its dialog comes forward.
        if (!acceptsInputLocked(id))
            raiseDialogOfLocked(id);
        else
            pushLocked(EventKind::CloseRequest, id);
        break;
    case Kind::Exposed:
    case Kind::Resized: {
        Event out;
        out.kind = native.kind == Kind::Exposed ? EventKind::Exposed : EventKind::Resized;
        out.window = id;
        out.area = native.area;
        pushLocked(out);
        break;
    }
    case Kind::FocusGained:
        // The window system may tell the new window before the old one; the old one hears
        // first, so that each window's gains and losses alternate.
        if (m_focused != 0 && m_focused != id) pushLocked(EventKind::FocusLost, m_focused);
        m_focused = id;
        pushLocked(EventKind::FocusGained, id);
        // An owner must not cover its dialog.
        raiseDialogOfLocked(id);
        break;
    case Kind::FocusLost:
        if (m_focused == id) {
            m_focused = 0;
            pushLocked(EventKind::FocusLost, id);
        }
        if (m_capture == id) loseCaptureLocked();
        break;
    default: break;
    }
}

void WindowTable::translateMouseLocked(const NativeEvent& native) {
    const WindowId source = native.window;
    const WindowId target = m_capture != 0 ? m_capture : source;
    const auto to = m_windows.find(target);
    if (to == m_windows.end()) return;
    const bool press = native.kind == NativeEvent::Kind::ButtonDown;
    const Point offset = to->second.layout.offset;
    const int scale = to->second.layout.scale;
    int x = native.x;
    int y = native.y;
    // Native positions are from the outer corner; the program's from the client corner.
    if (target != source) {
        if (m_windows.count(source) != 0) {
            const Rect from = m_driver->Area(source);
            const Rect into = m_driver->Area(target);
            x += static_cast<int>(from.left - into.left) - offset.x;
            y += static_cast<int>(from.top - into.top) - offset.y;
        } else {
            const Point cursor = cursorOnClientLocked(target);
            x = cursor.x;
            y = cursor.y;
        }
    } else {
        x -= offset.x;
        y -= offset.y;
        const Size client = clientSizeLocked(target);
        if (m_capture == 0 && (x < 0 || y < 0 || x >= client.width * scale || y >= client.height * scale)) {
            // The frame is not the client's: without the capture nothing there is its input,
            // but a press on a disabled window's frame brings its dialog forward.
            if (press && !to->second.enabled) raiseDialogOfLocked(target);
            return;
        }
    }
    if (!to->second.enabled) {
        if (press) raiseDialogOfLocked(target);
        return;
    }
    Event out;
    out.window = target;
    // Screen pixels to the program's: a pixel of the program covers scale x scale of them.
    out.x = ScaledDown(x, scale);
    out.y = ScaledDown(y, scale);
    if (native.kind == NativeEvent::Kind::MouseMove) {
        out.kind = EventKind::MouseMove;
    } else {
        out.button = ButtonOf(native.code);
        if (out.button == MouseButton::None) return;
        out.kind = press ? EventKind::MouseDown : EventKind::MouseUp;
    }
    pushLocked(out);
}

void WindowTable::translateKeyLocked(const NativeEvent& native) {
    const WindowId id = native.window;
    const bool down = native.kind == NativeEvent::Kind::KeyDown;
    if (!acceptsInputLocked(id)) {
        if (down && m_windows.count(id) != 0) raiseDialogOfLocked(id);
        return;
    }
    if (native.code == 0) return;
    const Point cursor = cursorOnClientLocked(id);
    const int scale = m_windows[id].layout.scale;
    Event out;
    out.kind = down ? EventKind::KeyDown : EventKind::KeyUp;
    out.window = id;
    out.code = native.code;
    out.x = ScaledDown(cursor.x, scale);
    out.y = ScaledDown(cursor.y, scale);
    pushLocked(out);
    // A press of these keys types its character too, as on Windows.
    if (const std::uint8_t character = CharacterForKey(native.code); down && character != 0) {
        Event typed;
        typed.kind = EventKind::Character;
        typed.window = id;
        typed.character = character;
        pushLocked(typed);
    }
}

void WindowTable::translatePadLocked(const NativeEvent& native) {
    using Kind = NativeEvent::Kind;
    // A game in the background must not move: without a focused window of ours, nobody's.
    WindowId target = m_focused;
    if (m_windows.count(target) == 0) return;
    if (!acceptsInputLocked(target)) {
        // A blocked owner's input belongs to the dialog that blocks it, as its keys do once
        // the dialog has come forward.
        target = topDialogLocked(target);
        if (!acceptsInputLocked(target)) return;
        if (native.kind == Kind::PadDown) m_driver->Raise(target);
    }
    Event out;
    out.window = target;
    switch (native.kind) {
    case Kind::PadDown:
    case Kind::PadUp:
        if (native.pad == PadButton::None) return;
        out.kind = native.kind == Kind::PadDown ? EventKind::PadDown : EventKind::PadUp;
        out.pad = native.pad;
        break;
    default:
        if (native.axis == PadAxis::None) return;
        out.kind = EventKind::PadAxis;
        out.axis = native.axis;
        out.code = native.code;
        break;
    }
    pushLocked(out);
}

std::uint32_t WindowTable::Milliseconds() {
    return m_driver->Milliseconds();
}

void WindowTable::ShowMessage(std::string_view text, std::string_view caption) {
    m_driver->ShowMessage(text, caption);
}

bool WindowTable::OpenUrl(std::string_view target) {
    return m_driver->OpenUrl(target);
}

bool WindowTable::SetClipboardText(std::string_view text) {
    return m_driver->SetClipboardText(text);
}

void WindowTable::PlaySound(const std::string& path, bool wait) {
    m_driver->PlaySound(path, wait);
}

bool WindowTable::SetFullScreen(WindowId window, bool full) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    if (it == m_windows.end() || it->second.owner != 0) return false;
    if (it->second.full == full) return true;
    // Where each dialog lies from its owner's client corner, in its owner's pixels, before
    // anything moves.
    const std::vector<WindowId> dialogs = dialogsOfLocked(window);
    std::vector<Point> places;
    for (WindowId dialog : dialogs) {
        const WindowId owner = m_windows[dialog].owner;
        const Rect native = m_driver->Area(dialog);
        const Point corner = clientCornerLocked(owner);
        const int scale = m_windows[owner].layout.scale;
        places.push_back(Point{ScaledDown(static_cast<int>(native.left) - corner.x, scale),
                               ScaledDown(static_cast<int>(native.top) - corner.y, scale)});
    }
    Entry& entry = it->second;
    const Size client = clientSizeLocked(window);
    if (full) {
        const Size screen = m_driver->Screen(false);
        if (screen.width < 1 || screen.height < 1) return false;
        const int scale = FullScreenScale(screen, client);
        const WindowLayout layout{scale, FullScreenCorner(screen, client, scale), client, 0, true};
        const Rect before = m_driver->Area(window);
        if (!m_driver->Place(window, Rect{0, 0, screen.width, screen.height}, layout)) return false;
        entry.windowed = before;
        entry.windowedScale = entry.layout.scale;
        entry.layout = layout;
        entry.full = true;
    } else {
        const WindowLayout layout = FramedLayout(entry.windowedScale, client, entry.frame);
        if (!m_driver->Place(window, entry.windowed, layout)) return false;
        entry.layout = layout;
        entry.full = false;
    }
    // Owners come before their dialogs, so each dialog is placed on its owner's new place.
    for (std::size_t i = 0; i < dialogs.size(); ++i) {
        Entry& dialog = m_windows[dialogs[i]];
        const Size size = clientSizeLocked(dialogs[i]);
        const int scale = m_windows[dialog.owner].layout.scale;
        const Point corner = clientCornerLocked(dialog.owner);
        const WindowLayout layout = FramedLayout(scale, size, dialog.frame);
        const Point at{corner.x + places[i].x * scale, corner.y + places[i].y * scale};
        const Rect outer{at.x, at.y, at.x + (size.width + 2 * dialog.frame) * scale,
                         at.y + (size.height + 2 * dialog.frame) * scale};
        if (m_driver->Place(dialogs[i], outer, layout)) dialog.layout = layout;
    }
    // On top of other windows, its dialogs above it, the newest with the focus.
    m_driver->Raise(window);
    for (WindowId dialog : dialogs) m_driver->Raise(dialog);
    exposeLocked(window);
    for (WindowId dialog : dialogs) exposeLocked(dialog);
    return true;
}

bool WindowTable::IsFullScreen(WindowId window) {
    std::lock_guard lock(m_mutex);
    const auto it = m_windows.find(window);
    return it != m_windows.end() && it->second.full;
}

void WindowTable::SetBorderTile(const Surface& tile) {
    std::lock_guard lock(m_mutex);
    m_driver->SetBorderTile(tile);
}

std::vector<WindowId> WindowTable::dialogsOfLocked(WindowId window) const {
    std::vector<WindowId> found;
    std::vector<WindowId> owners{window};
    // Ids grow, so every dialog is newer than its owner: one pass in id order finds them all.
    for (const auto& [id, entry] : m_windows)
        if (std::find(owners.begin(), owners.end(), entry.owner) != owners.end() && id != window) {
            found.push_back(id);
            owners.push_back(id);
        }
    return found;
}

void WindowTable::exposeLocked(WindowId window) {
    pushWholeClientLocked(EventKind::Exposed, window);
}

void WindowTable::pushWholeClientLocked(EventKind kind, WindowId window) {
    Event event;
    event.kind = kind;
    event.window = window;
    const Size client = clientSizeLocked(window);
    event.area = Rect{0, 0, client.width, client.height};
    pushLocked(event);
}

void WindowTable::SetIcon(WindowId window, const Surface& image, std::uint32_t colourKey) {
    std::lock_guard lock(m_mutex);
    if (m_windows.count(window) != 0) m_driver->SetIcon(window, image, colourKey);
}

} // namespace platform
