#include "OWindow.hpp"

#include <algorithm>

#include "engine/FrameTiming.hpp"
#include "engine/MainThread.hpp"
#include "engine/Messages.hpp"
#include "engine/Quit.hpp"
#include "engine/WindowRegistry.hpp"
#include "scene/OClip.hpp"

namespace engine {

using scene::OGraph;
using scene::Rect;

namespace {

WindowRegistry& registry() { return WindowRegistry::Instance(); }

} // namespace

OWindow::OWindow(OWindow* owner, const CreationParams& params)
    : m_owner(IsLiveWindow(owner) ? owner : nullptr),
      m_styleKind(params.styleKind),
      m_background(params.background) {
    MainThread::ClaimIfUnclaimed();
    m_frames.SetThreaded(params.frameThread);
    const platform::WindowSpec wanted{
        m_owner ? "Dialog window" : "Main window",     params.width, params.height, m_styleKind, m_background,
        m_owner ? m_owner.load()->PlatformWindow() : 0};
    platform::Size screen;
    if (!m_native.Create(wanted, screen)) {
        // Nothing was blocked, so nothing must be unblocked or activated later.
        m_owner = nullptr;
        m_creation = CreateResult::NoPlatformWindow;
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
    m_creation = CreateResult::Created;

    // The back buffer is as large as the screen; only the client part is presented.
    m_compositor.Allocate(std::max(screen.width, Width()), std::max(screen.height, Height()), m_background);
    registry().AddLive(this);
    PlaceWindow();
    m_native.Show();
}

OWindow::~OWindow() = default;

bool OWindow::Start() {
    std::lock_guard lock(m_lock);
    // Without a platform window there is nothing to run, and a window closed before it started
    // must not start; the opener's Close then frees it at once.
    if (CreateFailed() || !PlatformWindow() || IsClosing()) return false;
    RouteToMainThread();
    m_finished = false;
    m_frames.SteadyFramesPerSecond();
    m_frames.ClearStop();
    if (m_frames.Threaded() && !m_frames.HasThread()) {
        registry().FrameThreadStarted();
        m_frames.StartThread([this] { ThreadMain(this); });
    }
    return true;
}

void OWindow::Stop() {
    std::lock_guard lock(m_lock);
    m_closing = true;
    m_finished = true;
    m_compositor.DropPending();
    // Static and shared objects survive their release; they must not keep pointing here.
    for (OGraph* graph : m_graphs.TakeAll()) SceneList::ReleaseFromWindow(graph);
    for (OGraph* control : m_router.TakeAll()) SceneList::ReleaseFromWindow(control);
}

void OWindow::QueryClose(bool&) {}

void OWindow::Tick(std::uint32_t time) {
    std::lock_guard lock(m_lock);
    if (m_finished) return;
    StepObjects(time);
    Render();
}

void OWindow::StepObjects(std::uint32_t time) {
    std::lock_guard lock(m_lock);
    // The counts are read again at each step: objects added during the pass tick in it too.
    m_graphs.Tick(time);
    const std::vector<OGraph*>& controls = m_router.Controls();
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (OGraph::IsLive(controls[i])) controls[i]->Tick(time);
}

void OWindow::CaptureLost() { SetCaptureControl(nullptr); }

void OWindow::MouseMove(int x, int y) {
    if (!IsClosing()) m_router.MouseMove(x, y);
}

void OWindow::KeyDown(int code, int x, int y) {
    if (!IsClosing()) m_router.KeyDown(code, x, y);
}

void OWindow::KeyUp(int code, int x, int y) {
    if (!IsClosing()) m_router.KeyUp(code, x, y);
}

void OWindow::Char(std::uint8_t ch) {
    if (!IsClosing()) m_router.Char(ch);
}

void OWindow::ObjectNotify(OGraph* top, OGraph* origin, scene::Visibility visibility, const Rect& rect) {
    std::lock_guard lock(m_lock);
    if (!IsClosing() && OGraph::IsLive(origin)) {
        const int order = OGraph::IsLive(top) ? top->Order() : 0;
        m_compositor.Notify({top, order, origin, rect, origin->Z(), visibility});
    }
}

void OWindow::ControlEvent(WindowControl* sender, int code) {
    OWindow* owner = m_owner;
    if (IsLiveWindow(owner)) owner->ControlEvent(sender, code & 0xFFFF);
}

void OWindow::FocusChanged(bool) {}

void OWindow::PadButtonDown(platform::PadButton) {}

void OWindow::PadButtonUp(platform::PadButton) {}

void OWindow::PadAxisMoved(platform::PadAxis, int) {}

void OWindow::RemoveObject(OGraph* object) {
    std::lock_guard lock(m_lock);
    if (!IsClosing()) {
        m_router.Remove(object);
        if (m_graphs.Remove(object) && OGraph::IsLive(object) && !object->IsBeingDestroyed())
            object->AttachWindow(nullptr);
    }
    m_compositor.Forget(object);
}

scene::BackBufferView OWindow::BackBuffer() {
    return m_compositor.View();
}

void OWindow::MarkClosing() {
    ForgetInputControls();
    m_closing = true;
}

void OWindow::Close() {
    bool destroyNow = false;
    {
        std::lock_guard lock(m_lock);
        MarkClosing();
        m_frames.RequestStop();
        // A window whose frame thread never started has nobody else to destroy it.
        destroyNow = m_frames.Threaded() && !m_frames.HasThread();
    }
    if (destroyNow) Destroy(this);
}

void OWindow::RouteToMainThread() {
    if (m_routed.exchange(true)) return;
    registry().Route(PlatformWindow(), this);
}

void OWindow::CloseFromPlatform() {
    {
        std::lock_guard lock(m_lock);
        if (m_frames.Threaded() && !m_frames.HasThread()) {
            // Not started yet: its opener still holds it and frees it when Start fails.
            MarkClosing();
            return;
        }
    }
    Close();
}

void OWindow::PostClose() {
    m_native.Post(kPostedClose);
}

void OWindow::PostMouseMove() {
    m_native.Post(kPostedMouseMove);
}

void OWindow::SetBlocked(bool blocked) {
    m_blocked = blocked;
    m_native.SetEnabled(!blocked);
}

void OWindow::ReleaseOwner() {
    OWindow* owner = m_owner.exchange(nullptr);
    if (!owner) return;
    // The owner may be closing on its own thread right now; the registry keeps it alive
    // while it is told.
    registry().ReleaseDialog(owner, this, [](OWindow* live, WindowRegistry::OwnerState state) {
        if (state == WindowRegistry::OwnerState::Unblocked)
            live->SetBlocked(false);
        else if (state == WindowRegistry::OwnerState::Free)
            live->m_native.Activate();
    });
}

void OWindow::SetTitle(const std::string& text) {
    std::lock_guard lock(m_lock);
    m_native.SetTitle(text);
}

std::string OWindow::Title() {
    std::lock_guard lock(m_lock);
    return m_native.Title();
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
    return m_dragRect.Contains(x, y) && !m_router.Claims(x, y);
}

void OWindow::ShowRestored(bool restore) {
    m_native.ShowRestored(restore);
}

void OWindow::PlaceWindow() {
    OWindow* ownerWindow = m_owner;
    m_native.PlaceOn(IsLiveWindow(ownerWindow) ? ownerWindow->PlatformWindow() : 0);
}

void OWindow::GetCursorClient(int& x, int& y) {
    const platform::Point p = m_native.Cursor();
    x = p.x;
    y = p.y;
}

void OWindow::AddObject(OGraph* object) {
    std::lock_guard lock(m_lock);
    if (!OGraph::IsLive(object)) return;
    object->SetOrder(dynamic_cast<WindowControl*>(object) ? m_router.Add(object) : m_graphs.Add(object));
    if (const auto* clip = dynamic_cast<scene::OClip*>(object))
        m_frames.RaiseFramesPerSecond(clip->FramesPerSecond());
    object->AttachWindow(this);
}

void OWindow::SetCaptureControl(WindowControl* control) {
    // A closing window takes no new capture; its controls may only let go.
    if (control && IsClosing()) return;
    m_router.SetCapture(control);
}

void OWindow::SetFocusControl(WindowControl* control) {
    if (control && IsClosing()) return;
    m_router.SetFocus(control);
}

void OWindow::FocusNext() {
    m_router.FocusNext();
}

void OWindow::Render() {
    if (IsClosing()) return;
    std::lock_guard lock(m_lock);
    // The main thread copies these areas from the back buffer to the screen.
    for (const Rect& painted : m_compositor.Compose()) m_native.Post(kPostedPresent, painted);
}

void OWindow::AddDirtyRect(const Rect& rect) {
    std::lock_guard lock(m_lock);
    m_compositor.AddDirty(rect);
}

void OWindow::ClearRect(Rect* rect) {
    m_compositor.ClearRect(rect);
}

bool OWindow::RunFrame(int& sleepMilliseconds) {
    if (m_frames.StopRequested()) return false;
    m_frames.CountFrame();
    std::uint32_t elapsed;
    int framesPerSecond;
    {
        std::lock_guard lock(m_lock);
        const std::uint32_t start = platform::CurrentPlatform().Milliseconds();
        if (!m_blocked && !m_frames.Held()) Tick(start);
        framesPerSecond = m_frames.SteadyFramesPerSecond();
        elapsed = platform::CurrentPlatform().Milliseconds() - start;
    }
    sleepMilliseconds = FrameSleepMilliseconds(framesPerSecond, elapsed);
    return true;
}

void OWindow::ThreadMain(OWindow* window) {
    if (!window) return;
    int sleepMilliseconds = 0;
    while (window->RunFrame(sleepMilliseconds)) {
        if (sleepMilliseconds > 0) window->m_frames.WaitForStop(sleepMilliseconds);
        window->m_frames.WaitWhileHeld();
    }
    Destroy(window);
    registry().FrameThreadEnded();
    scene::WindowMutex::WakeMainThread();
}

void OWindow::WaitForFrameThreads() {
    scene::WindowMutex::WaitUntil([] { return registry().FrameThreads() == 0; });
}

void OWindow::Destroy(OWindow* window) {
    if (!window) return;
    window->ReleaseOwner();
    registry().Unroute(window);
    window->m_native.PostDestroy();
    {
        std::lock_guard lock(window->m_lock);
        window->MarkClosing();
    }
    window->Stop();
    window->m_native.Forget();
    const bool quit = window->m_quitOnDestroy;
    registry().Forget(window);
    window->m_frames.EndThread();
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

CreationParams OWindow::DialogParams(int width, int height) const {
    return {m_background, m_styleKind, width, height, m_frames.Threaded()};
}

OWindow* OWindow::DialogOf(const OWindow* owner) { return owner ? registry().LatestBlocker(owner) : nullptr; }

platform::WindowId OWindow::DialogWindowOf(const OWindow* owner) {
    platform::WindowId id = 0;
    // A dialog leaves the registry's blocks before it is freed, so it is alive while the
    // registry's lock is held.
    if (owner)
        registry().WithLatestBlocker(owner, [&](const OWindow& dialog) { id = dialog.PlatformWindow(); });
    return id;
}

void OWindow::SetClientSize(float width, float height) {
    std::lock_guard lock(m_lock);
    m_native.SetClientSize(width, height);
}

void OWindow::ForgetInputControls() {
    m_router.Forget();
}

void OWindow::DetachPlatformWindow() { registry().Unroute(this); }

} // namespace engine
