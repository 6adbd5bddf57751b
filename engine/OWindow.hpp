#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/Compositor.hpp"
#include "engine/ControlRouter.hpp"
#include "engine/FontRecord.hpp"
#include "engine/FrameLoop.hpp"
#include "engine/NativeWindow.hpp"
#include "engine/SceneList.hpp"
#include "engine/WindowControl.hpp"
#include "platform/Platform.hpp"
#include "scene/OGraph.hpp"
#include "scene/SceneHost.hpp"

namespace engine {

// How a window's making went.
enum class CreateResult : std::uint8_t {
    Created,
    NoPlatformWindow, // also while the constructor runs
    ContentMissing,   // a derived Start could not load its content
};

// How a window is made; passed to its constructor.
struct CreationParams {
    std::uint32_t background = 0;  // 0x00BBGGRR
    int styleKind = platform::kFramedStyleBit;
    int width = 800;  // 0: the screen's width
    int height = 600; // 0: the screen's height
    // False leaves the frames to the caller (see RunFrame), for deterministic tests.
    bool frameThread = true;
};

// Base of every screen: a platform window with a 24-bit back buffer, a
// recursive lock, a frame thread, scene objects and controls, and the
// bookkeeping of what to redraw. A window made with an owner is a dialog and
// blocks its owner while it exists. Windows are created with new and freed
// only by their frame thread after Close (or by Destroy when frames are driven
// by the caller).
class OWindow : public scene::SceneHost {
public:
    OWindow(OWindow* owner, const CreationParams& params);
    OWindow(const OWindow&) = delete;
    OWindow& operator=(const OWindow&) = delete;

    // Virtual operations, in slot order.
    [[nodiscard]] virtual bool Start();
    virtual void Stop();
    virtual void QueryClose(bool& allow);
    virtual void Tick(std::uint32_t time);
    virtual void CaptureLost();
    virtual void MouseMove(int x, int y);
    virtual void KeyDown(int code, int x, int y);
    virtual void KeyUp(int code, int x, int y);
    virtual void Char(std::uint8_t ch);
    void ObjectNotify(scene::OGraph* top, scene::OGraph* origin, scene::Visibility visibility,
                      const scene::Rect& rect) override;
    virtual void ControlEvent(WindowControl* sender, int code);
    // The window got (`gained`) or lost the keyboard focus; game controller input comes only
    // while it has it, so a window that loses it lets go of what a controller held.
    virtual void FocusChanged(bool gained);
    // A game controller's button or axis (see platform::PadAxis for the values); a window
    // blocked by its dialog gets none, its dialog does.
    virtual void PadButtonDown(platform::PadButton button);
    virtual void PadButtonUp(platform::PadButton button);
    virtual void PadAxisMoved(platform::PadAxis axis, int value);

    // The window as the scene sees it.
    void RemoveObject(scene::OGraph* object) override;
    bool IsClosing() const override { return m_closing; }
    scene::BackBufferView BackBuffer() override;
    scene::WindowMutex& Lock() override { return m_lock; }

    // Sets closing and signals the frame thread to stop and destroy the window.
    // Safe from any thread, and from inside Tick or an input handler.
    void Close();
    // Close for a window whose platform window is gone. A window not started yet is only
    // marked closing: its opener still holds it, its Start fails and the opener's Close frees it.
    void CloseFromPlatform();
    // Asks the window to close as the user would (QueryClose may refuse).
    void PostClose();
    // Posts a mouse move to (0, 0) to this window, which wakes the main loop; any thread.
    void PostMouseMove();
    void SetBlocked(bool blocked);
    // Ends this dialog's hold on its owner (once): the owner is unblocked when no other
    // dialog blocks it, and activated unless another dialog still does.
    void ReleaseOwner();
    void SetTitle(const std::string& text);
    void SetDragRect(int left, int top, int right, int bottom);
    void ShowRestored(bool restore);
    void PlaceWindow();
    void GetCursorClient(int& x, int& y);

    void AddObject(scene::OGraph* object);
    void SetCaptureControl(WindowControl* control);
    void SetFocusControl(WindowControl* control);
    void FocusNext();

    void Render();
    // A frame's motion without its picture: every object and control ticks at `time`, as
    // the base Tick has them do before it renders.
    void StepObjects(std::uint32_t time);
    void AddDirtyRect(const scene::Rect& rect);
    // Paints the rectangle with the background colour; clamps it to the back buffer in place.
    void ClearRect(scene::Rect* rect);

    // One pass of the frame loop: false once the window was closed; otherwise
    // Tick unless blocked, and `sleepMilliseconds` is the wait before the next pass.
    bool RunFrame(int& sleepMilliseconds);
    // Tears the window down and frees it; only for windows whose frames the
    // caller drives (the frame thread does this itself).
    static void Destroy(OWindow* window);

    static bool IsLiveWindow(const OWindow* window);
    // Returns once every frame thread has returned, serving main-thread work meanwhile. The
    // process (or a test) calls it before it takes the platform away.
    static void WaitForFrameThreads();
    // The live window behind a platform window, or null.
    static OWindow* FromPlatformWindow(platform::WindowId id);
    // The same, with its lock taken (main thread only; runs queued main-thread
    // work while it waits). The window cannot be freed while it is locked.
    static OWindow* LockFromPlatformWindow(platform::WindowId id);
    // The parameters of a `width` x `height` dialog of this window: its style, background
    // and frame-thread choice.
    CreationParams DialogParams(int width, int height) const;
    // The live dialog this window owns, or null. A dialog with a frame thread of its own may
    // free itself at any moment after this returns; use DialogWindowOf from other threads.
    static OWindow* DialogOf(const OWindow* owner);
    // The platform window of that dialog, or 0, read while the dialog cannot be freed.
    static platform::WindowId DialogWindowOf(const OWindow* owner);

    // Accessors used by the window procedure, the controls and tests.
    platform::WindowId PlatformWindow() const { return m_native.Id(); }
    OWindow* Owner() const { return m_owner; }
    CreateResult Creation() const { return m_creation; }
    // True unless the window was made and its content loaded.
    bool CreateFailed() const { return m_creation != CreateResult::Created; }
    // A derived Start calls this when its content cannot be loaded.
    void SetContentMissing() { m_creation = CreateResult::ContentMissing; }
    bool IsBlocked() const { return m_blocked; }
    bool Finished() const { return m_finished; }
    void SetFinished(bool finished) { m_finished = finished; }
    bool QuitOnDestroy() const { return m_quitOnDestroy; }
    void SetQuitOnDestroy(bool quit) { m_quitOnDestroy = quit; }
    // While held the window runs no frame, neither Tick nor painting, and its frame thread
    // sleeps until the hold is let go; input is still served. Any thread.
    void HoldFrames(bool held) { m_frames.SetHeld(held); }
    bool FramesHeld() { return m_frames.Held(); }
    int FramesPerSecond() const { return m_frames.FramesPerSecond(); }
    void SetFramesPerSecond(int fps) { m_frames.SetFramesPerSecond(fps); }
    std::string Title();
    scene::Rect DragRect();
    // True for a point of the drag rectangle that no control claims: the window is dragged
    // there, and no other mouse input reaches it unless the mouse is captured.
    bool IsCaptionHit(int x, int y);
    int StyleKind() const { return m_styleKind; }
    int Width() const { return m_native.Width(); }
    int Height() const { return m_native.Height(); }
    float ClientWidth() const { return m_native.ClientWidth(); }
    float ClientHeight() const { return m_native.ClientHeight(); }
    void SetClientSize(float width, float height);
    WindowControl* CaptureControl() const { return m_router.Capture(); }
    WindowControl* FocusControl() const { return m_router.Focus(); }
    const std::vector<scene::OGraph*>& Graphs() const { return m_graphs.Objects(); }
    const std::vector<scene::OGraph*>& Controls() const { return m_router.Controls(); }
    const std::vector<OGraphNotify>& Pending() const { return m_compositor.Pending(); }
    const DirtyRectList& Dirty() const { return m_compositor.Dirty(); }
    std::size_t DisplayedCount() const { return m_compositor.ShownCount(); }
    std::uint32_t BackgroundColour() const { return m_background; }
    // Frame passes run so far, ticked or not; for tests of the frame thread.
    std::uint64_t FramesRun() const { return m_frames.FramesRun(); }
    // Clears focus and capture fields without telling the controls.
    void ForgetInputControls();
    // Forgets the platform window, which is already gone.
    void DetachPlatformWindow();

protected:
    virtual ~OWindow();

private:
    static void ThreadMain(OWindow* window);
    // Makes the window reachable from the window procedure (once).
    void RouteToMainThread();
    // Marks the window closing and forgets its input controls; under the lock.
    void MarkClosing();

    // How each member is protected. "Fixed" members are set in the constructor, before the
    // window is reachable from another thread, and only read afterwards.
    scene::WindowMutex m_lock;        // the window's lock; recursive
    NativeWindow m_native;            // title and client size guarded by m_lock; its id atomic
    Compositor m_compositor;          // guarded by m_lock (its back buffer allocated while fixed)
    ControlRouter m_router{m_native}; // guarded by m_lock
    FrameLoop m_frames;               // see FrameLoop
    SceneList m_graphs;               // guarded by m_lock
    scene::Rect m_dragRect;           // guarded by m_lock
    // Atomic: read by the dialog's frame thread, cleared by the main thread on destruction.
    std::atomic<OWindow*> m_owner{nullptr};
    int m_styleKind = 0;                   // fixed
    std::uint32_t m_background = 0;        // fixed
    // Atomic: read without the lock by other windows and threads.
    std::atomic<bool> m_closing{false};
    std::atomic<bool> m_blocked{false};         // atomic: set by the registry's owner and dialogs
    std::atomic<CreateResult> m_creation{CreateResult::NoPlatformWindow}; // atomic
    std::atomic<bool> m_quitOnDestroy{false};                             // atomic
    std::atomic<bool> m_finished{true};    // atomic
    std::atomic<bool> m_routed{false};     // atomic: routing happens once, on whichever thread comes first
};

} // namespace engine
