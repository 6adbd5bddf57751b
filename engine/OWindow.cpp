#include "OWindow.hpp"

#include <algorithm>
#include <cstring>
#include <map>

#include "engine/FrameTiming.hpp"
#include "engine/MainThread.hpp"
#include "engine/Messages.hpp"
#include "engine/Quit.hpp"
#include "engine/WindowRegistry.hpp"
#include "platform/KeyCodes.hpp"
#include "scene/OClip.hpp"

namespace engine {

using scene::OGraph;
using scene::Rect;

namespace {

WindowRegistry& registry() { return WindowRegistry::Instance(); }

platform::Platform& os() { return platform::CurrentPlatform(); }

WindowControl* liveControl(OGraph* graph) {
    return OGraph::IsLive(graph) ? dynamic_cast<WindowControl*>(graph) : nullptr;
}

int localX(WindowControl* c, int x) { return scene::TruncateToInt(double(x) - c->Graph()->X()); }
int localY(WindowControl* c, int y) { return scene::TruncateToInt(double(y) - c->Graph()->Y()); }

} // namespace

CreationParams& NextWindowParams() {
    static CreationParams params;
    return params;
}

OWindow::OWindow(OWindow* owner) {
    const CreationParams params = NextWindowParams();
    MainThread::ClaimIfUnclaimed();
    m_styleKind = params.styleKind;
    m_owner = IsLiveWindow(owner) ? owner : nullptr;
    m_threaded = params.frameThread;
    m_background = params.background;

    platform::WindowSpec wanted;
    wanted.name = m_owner ? "Dialog window" : "Main window";
    wanted.styleKind = m_styleKind;
    wanted.background = m_background;
    wanted.owner = m_owner ? m_owner.load()->PlatformWindow() : 0;
    platform::Size screen;
    MainThread::Run([&] {
        screen = os().ScreenSize();
        wanted.width = params.width ? params.width : screen.width;
        wanted.height = params.height ? params.height : screen.height;
        m_platformWindow = os().CreateWindow(wanted);
        if (m_platformWindow) {
            const platform::Size client = os().ClientSize(m_platformWindow);
            m_clientWidth = float(client.width);
            m_clientHeight = float(client.height);
        }
    });
    m_width = wanted.width;
    m_height = wanted.height;
    m_dragRect = {};
    if (!m_platformWindow) {
        // Nothing was blocked, so nothing must be unblocked or activated later.
        m_owner = nullptr;
        m_createFailed = 1;
        return;
    }
    // The main thread dispatches input by the registry. A window built on another thread is
    // handed to it only once Start runs, when its derived parts exist; one built on the main
    // thread cannot be dispatched to before its constructor returns anyway.
    if (MainThread::IsCurrent()) RouteToMainThread();
    if (OWindow* liveOwner = m_owner) {
        m_quitOnDestroy = false;
        registry().Block(liveOwner, this);
        liveOwner->SetBlocked(true);
    }
    m_createFailed = 0;

    // The back buffer is as large as the screen; only the client part is presented.
    m_compositor.Allocate(std::max(screen.width, m_width), std::max(screen.height, m_height), m_background);
    registry().AddLive(this);
    PlaceWindow();
    const platform::WindowId id = m_platformWindow;
    MainThread::Post([id] { os().ShowWindow(id, platform::ShowMode::Show); });
}

OWindow::~OWindow() = default;

bool OWindow::Start() {
    std::lock_guard lock(m_lock);
    // Without a platform window there is nothing to run, and a window closed before it started
    // must not start; the opener's Close then frees it at once.
    if (m_createFailed != 0 || !m_platformWindow || IsClosing()) return false;
    RouteToMainThread();
    m_finished = false;
    if (m_framesPerSecond < 1) m_framesPerSecond = 1;
    {
        std::lock_guard stop(m_stopMutex);
        m_stopped = false;
    }
    if (m_threaded && !m_thread.joinable()) {
        registry().FrameThreadStarted();
        m_thread = std::thread(ThreadMain, this);
    }
    return true;
}

void OWindow::Stop() {
    std::lock_guard lock(m_lock);
    m_stateFlags |= kClosing;
    m_finished = true;
    m_compositor.DropPending();
    // Static and shared objects survive their release; they must not keep pointing here.
    auto release = [](OGraph* object) {
        if (OGraph::IsLive(object) && !OGraph::Release(object) && OGraph::IsLive(object) &&
            !object->IsBeingDestroyed())
            object->AttachWindow(nullptr);
    };
    for (OGraph* graph : m_graphs) release(graph);
    for (OGraph* control : m_controls) release(control);
    m_graphs.clear();
    m_controls.clear();
}

void OWindow::QueryClose(bool&) {}

void OWindow::Tick(std::uint32_t time) {
    std::lock_guard lock(m_lock);
    if (m_finished) return;
    for (std::size_t i = 0; i < m_graphs.size(); ++i)
        if (OGraph::IsLive(m_graphs[i])) m_graphs[i]->Tick(time);
    for (std::size_t i = 0; i < m_controls.size(); ++i)
        if (OGraph::IsLive(m_controls[i])) m_controls[i]->Tick(time);
    Render();
}

void OWindow::CaptureLost() { SetCaptureControl(nullptr); }

void OWindow::MouseMove(int x, int y) {
    if (IsClosing()) return;
    if (WindowControl* capture = m_captureControl) {
        capture->OnMouseMove(localX(capture, x), localY(capture, y));
        return;
    }
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        WindowControl* control = liveControl(m_controls[i]);
        if (!control) continue;
        const int lx = localX(control, x), ly = localY(control, y);
        if (control->HitTest(lx, ly)) {
            control->OnMouseMove(lx, ly);
            if (m_captureControl) return;
        }
    }
}

void OWindow::KeyDown(int code, int x, int y) {
    if (IsClosing()) return;
    if (m_captureControl && platform::IsMouseButton(code)) {
        m_captureControl->OnKeyDown(code, localX(m_captureControl, x), localY(m_captureControl, y));
        return;
    }
    if (m_focusControl && !platform::IsMouseButton(code)) {
        m_focusControl->OnKeyDown(code, localX(m_focusControl, x), localY(m_focusControl, y));
        return;
    }
    if (code == platform::Key_Tab && !m_focusControl) FocusNext();
}

void OWindow::KeyUp(int code, int x, int y) {
    if (IsClosing()) return;
    if (m_captureControl && platform::IsMouseButton(code)) {
        m_captureControl->OnKeyUp(code, localX(m_captureControl, x), localY(m_captureControl, y));
        return;
    }
    if (m_focusControl && !platform::IsMouseButton(code))
        m_focusControl->OnKeyUp(code, localX(m_focusControl, x), localY(m_focusControl, y));
}

void OWindow::Char(std::uint8_t ch) {
    if (IsClosing()) return;
    if (m_focusControl) m_focusControl->OnChar(ch);
}

void OWindow::ObjectNotify(OGraph* top, OGraph* origin, bool& done, int mode, const Rect& rect) {
    std::lock_guard lock(m_lock);
    if (!IsClosing() && OGraph::IsLive(origin)) {
        const int order = OGraph::IsLive(top) ? top->Order() : 0;
        m_compositor.Notify({top, order, origin, rect, origin->Z(), mode});
    }
    done = true;
}

void OWindow::ControlEvent(WindowControl* sender, int code) {
    OWindow* owner = m_owner;
    if (IsLiveWindow(owner)) owner->ControlEvent(sender, code & 0xFFFF);
}

void OWindow::RemoveObject(OGraph* object) {
    std::lock_guard lock(m_lock);
    if (!IsClosing()) {
        if (m_captureControl && m_captureControl->Graph() == object) SetCaptureControl(nullptr);
        if (m_focusControl && m_focusControl->Graph() == object) SetFocusControl(nullptr);
        if (auto it = std::find(m_graphs.begin(), m_graphs.end(), object); it != m_graphs.end()) {
            it = m_graphs.erase(it);
            for (; it != m_graphs.end(); ++it)
                if (OGraph::IsLive(*it)) (*it)->SetOrder((*it)->Order() - 1);
            if (OGraph::IsLive(object) && !object->IsBeingDestroyed()) object->AttachWindow(nullptr);
        }
        if (auto it = std::find(m_controls.begin(), m_controls.end(), object); it != m_controls.end()) {
            it = m_controls.erase(it);
            for (; it != m_controls.end(); ++it)
                if (OGraph::IsLive(*it)) (*it)->SetOrder((*it)->Order() - 1);
        }
    }
    m_compositor.Forget(object);
}

scene::BackBufferView OWindow::BackBuffer() { return m_compositor.View(); }

void OWindow::Close() {
    bool destroyNow = false;
    {
        std::lock_guard lock(m_lock);
        ForgetInputControls();
        m_stateFlags |= kClosing;
        {
            std::lock_guard stop(m_stopMutex);
            m_stopped = true;
        }
        m_stopSignal.notify_all();
        // A window whose frame thread never started has nobody else to destroy it.
        destroyNow = m_threaded && !m_thread.joinable();
    }
    if (destroyNow) Destroy(this);
}

void OWindow::RouteToMainThread() {
    if (m_routed.exchange(true)) return;
    registry().Route(m_platformWindow, this);
}

void OWindow::CloseFromPlatform() {
    {
        std::lock_guard lock(m_lock);
        if (m_threaded && !m_thread.joinable()) {
            // Not started yet: its opener still holds it and frees it when Start fails.
            ForgetInputControls();
            m_stateFlags |= kClosing;
            return;
        }
    }
    Close();
}

void OWindow::PostClose() {
    platform::Event e;
    e.kind = platform::EventKind::Posted;
    e.code = kPostedClose;
    e.window = m_platformWindow;
    os().PostEvent(e);
}

void OWindow::PostMouseMove() {
    platform::Event e;
    e.kind = platform::EventKind::Posted;
    e.code = kPostedMouseMove;
    e.window = m_platformWindow;
    os().PostEvent(e);
}

void OWindow::SetBlocked(bool blocked) {
    m_blocked = blocked;
    const platform::WindowId id = m_platformWindow;
    MainThread::Post([id, blocked] {
        os().EnableWindow(id, !blocked);
        if (!blocked) os().ActivateWindow(id);
    });
}

void OWindow::ReleaseOwner() {
    OWindow* owner = m_owner.exchange(nullptr);
    if (!owner) return;
    // The owner may be closing on its own thread right now; the registry keeps it alive
    // while it is told.
    registry().ReleaseDialog(owner, this, [](OWindow* live, WindowRegistry::OwnerState state) {
        if (state == WindowRegistry::OwnerState::Unblocked) {
            live->SetBlocked(false);
        } else if (state == WindowRegistry::OwnerState::Free) {
            const platform::WindowId id = live->PlatformWindow();
            MainThread::Post([id] { os().ActivateWindow(id); });
        }
    });
}

void OWindow::SetTitle(const std::string& text) {
    std::lock_guard lock(m_lock);
    m_title = text;
    const platform::WindowId id = m_platformWindow;
    MainThread::Post([id, text] { os().SetTitle(id, text); });
}

std::string OWindow::Title() {
    std::lock_guard lock(m_lock);
    return m_title;
}

void OWindow::SetDragRect(int left, int top, int right, int bottom) {
    std::lock_guard lock(m_lock);
    m_dragRect = {left, top, right, bottom};
}

Rect OWindow::DragRect() {
    std::lock_guard lock(m_lock);
    return m_dragRect;
}

bool OWindow::IsCaptionHit(int x, int y) {
    std::lock_guard lock(m_lock);
    if (!m_dragRect.Contains(x, y)) return false;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        WindowControl* control = liveControl(m_controls[i]);
        if (control && control->HitTest(localX(control, x), localY(control, y))) return false;
    }
    return true;
}

void OWindow::ShowRestored(bool restore) {
    const platform::WindowId id = m_platformWindow;
    MainThread::Post([id, restore] {
        os().ShowWindow(id, restore ? platform::ShowMode::Restore : platform::ShowMode::Minimize);
    });
}

void OWindow::PlaceWindow() {
    if (m_placement == 0 || m_clientWidth == 0 || m_clientHeight == 0) return;
    const platform::WindowId id = m_platformWindow;
    OWindow* ownerWindow = m_owner;
    const platform::WindowId owner = IsLiveWindow(ownerWindow) ? ownerWindow->PlatformWindow() : 0;
    const float clientWidth = m_clientWidth, clientHeight = m_clientHeight;
    MainThread::Run([&] {
        platform::Rect ref;
        if (owner) {
            ref = os().WindowArea(owner);
        } else {
            const platform::Size screen = os().ScreenSize();
            ref = {0, 0, screen.width, screen.height};
        }
        // The client size is centred in the owner's outer rectangle and the outer corner put
        // there, so a framed window sits one frame width right of and below the exact centre.
        const float x = float(ref.left) + (float(ref.right - ref.left) - clientWidth) * 0.5f;
        const float y = float(ref.top) + (float(ref.bottom - ref.top) - clientHeight) * 0.5f;
        os().MoveWindow(id, scene::TruncateToInt(x), scene::TruncateToInt(y));
    });
}

void OWindow::GetCursorClient(int& x, int& y) {
    platform::Point p;
    const platform::WindowId id = m_platformWindow;
    MainThread::Run([&] { p = os().CursorPosition(id); });
    x = p.x;
    y = p.y;
}

void OWindow::AddObject(OGraph* object) {
    std::lock_guard lock(m_lock);
    if (!OGraph::IsLive(object)) return;
    const auto* clip = dynamic_cast<scene::OClip*>(object);
    if (dynamic_cast<WindowControl*>(object)) {
        m_controls.push_back(object);
        object->SetOrder(10000 + int(m_controls.size()));
    } else {
        m_graphs.push_back(object);
        object->SetOrder(int(m_graphs.size()));
    }
    if (clip && clip->FramesPerSecond() > m_framesPerSecond) m_framesPerSecond = clip->FramesPerSecond();
    object->AttachWindow(this);
}

void OWindow::SetCaptureControl(WindowControl* control) {
    // A closing window takes no new capture; its controls may only let go.
    if (control && IsClosing()) return;
    if (control == m_captureControl) return;
    if (m_captureControl && OGraph::IsLive(m_captureControl->Graph())) m_captureControl->OnCaptureChange(control);
    m_captureControl = control;
    const platform::WindowId id = m_platformWindow;
    if (control) {
        MainThread::Post([id] { os().SetCapture(id); });
        control->OnCaptureChange(control);
    } else {
        MainThread::Post([id] {
            if (os().CaptureWindow() == id) os().SetCapture(0);
        });
    }
}

void OWindow::SetFocusControl(WindowControl* control) {
    if (control && (!control->IsFocusable() || IsClosing())) return;
    if (control == m_focusControl) return;
    if (m_focusControl && OGraph::IsLive(m_focusControl->Graph())) m_focusControl->OnFocusChange(control);
    m_focusControl = control;
    if (control) control->OnFocusChange(control);
}

void OWindow::FocusNext() {
    std::size_t start = 0;
    if (m_focusControl && OGraph::IsLive(m_focusControl->Graph())) {
        OGraph* top = m_focusControl->Graph();
        while (OGraph::IsLive(top->Parent())) top = top->Parent();
        const auto it = std::find(m_controls.begin(), m_controls.end(), top);
        start = it == m_controls.end() ? 1 : std::size_t(it - m_controls.begin()) + 1;
    }
    for (std::size_t i = start; i < m_controls.size(); ++i) {
        WindowControl* control = liveControl(m_controls[i]);
        if (control && control->IsFocusable()) {
            SetFocusControl(control);
            return;
        }
    }
    SetFocusControl(nullptr);
}

void OWindow::Render() {
    if (IsClosing()) return;
    std::lock_guard lock(m_lock);
    // The main thread copies these areas from the back buffer to the screen.
    for (const Rect& painted : m_compositor.Compose()) {
        platform::Event present;
        present.kind = platform::EventKind::Posted;
        present.code = kPostedPresent;
        present.window = m_platformWindow;
        present.area = painted;
        os().PostEvent(present);
    }
}

void OWindow::AddDirtyRect(const Rect& rect) {
    std::lock_guard lock(m_lock);
    m_compositor.AddDirty(rect);
}

void OWindow::ClearRect(Rect* rect) { m_compositor.ClearRect(rect); }

bool OWindow::RunFrame(int& sleepMilliseconds) {
    if (StopRequested()) return false;
    ++m_framesRun;
    std::uint32_t elapsed;
    int framesPerSecond;
    {
        std::lock_guard lock(m_lock);
        const std::uint32_t start = os().Milliseconds();
        if (!m_blocked) Tick(start);
        if (m_framesPerSecond <= 0) m_framesPerSecond = 1;
        elapsed = os().Milliseconds() - start;
        framesPerSecond = m_framesPerSecond;
    }
    sleepMilliseconds = FrameSleepMilliseconds(framesPerSecond, elapsed);
    return true;
}

void OWindow::ThreadMain(OWindow* window) {
    if (!window) return;
    int sleepMilliseconds = 0;
    while (window->RunFrame(sleepMilliseconds))
        if (sleepMilliseconds > 0) window->WaitForStop(sleepMilliseconds);
    Destroy(window);
    registry().FrameThreadEnded();
    scene::WindowMutex::WakeMainThread();
}

void OWindow::WaitForFrameThreads() {
    scene::WindowMutex::WaitUntil([] { return registry().FrameThreads() == 0; });
}

bool OWindow::StopRequested() {
    std::lock_guard lock(m_stopMutex);
    return m_stopped;
}

void OWindow::WaitForStop(int milliseconds) {
    std::unique_lock lock(m_stopMutex);
    m_stopSignal.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return m_stopped; });
}

void OWindow::Destroy(OWindow* window) {
    if (!window) return;
    window->ReleaseOwner();
    registry().Unroute(window);
    if (const platform::WindowId id = window->m_platformWindow)
        MainThread::Post([id] { os().DestroyWindow(id); });
    {
        std::lock_guard lock(window->m_lock);
        window->ForgetInputControls();
        window->m_stateFlags |= kClosing;
    }
    window->Stop();
    window->m_platformWindow = 0;
    const bool quit = window->m_quitOnDestroy;
    registry().Forget(window);
    if (window->m_thread.joinable()) {
        if (window->m_thread.get_id() == std::this_thread::get_id())
            window->m_thread.detach();
        else
            window->m_thread.join();
    }
    delete window;
    if (quit) PostQuit(0);
}

bool OWindow::IsLiveWindow(const OWindow* window) { return registry().IsLive(window); }

OWindow* OWindow::FromPlatformWindow(platform::WindowId id) { return registry().Routed(id); }

OWindow* OWindow::LockFromPlatformWindow(platform::WindowId id) {
    OWindow* locked = nullptr;
    // The registry's lock, held during each attempt, keeps the window from being unrouted and
    // freed meanwhile; between attempts the main thread serves queued work.
    scene::WindowMutex::WaitUntil([&] {
        bool found = false;
        locked = registry().TryLockRouted(id, found, [](OWindow* w) { return w->m_lock.try_lock(); });
        return locked != nullptr || !found;
    });
    return locked;
}

OWindow* OWindow::DialogOf(const OWindow* owner) { return owner ? registry().LatestBlocker(owner) : nullptr; }

void OWindow::SetClientSize(float width, float height) {
    std::lock_guard lock(m_lock);
    m_clientWidth = width;
    m_clientHeight = height;
}

void OWindow::ForgetInputControls() {
    m_focusControl = nullptr;
    m_captureControl = nullptr;
}

void OWindow::DetachPlatformWindow() { registry().Unroute(this); }

} // namespace engine
