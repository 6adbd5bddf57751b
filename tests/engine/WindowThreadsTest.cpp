// Windows with real frame threads: the main thread never deadlocks with a frame thread that
// waits for it, and dialogs opened and closed from every side leave no owner blocked.
#include "EngineFixture.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <random>
#include <thread>

#include "engine/MessageLoop.hpp"
#include "platform/KeyCodes.hpp"

namespace {

using engine::MainThread;
using engine::OWindow;
using platform::EventKind;

using WindowThreads = EngineTest;

// Ends the process with a message when the test body has not finished in time: a deadlock
// would otherwise hang the suite until its time-out without saying where.
class Watchdog {
public:
    explicit Watchdog(const char* what, std::chrono::seconds limit = std::chrono::seconds(60))
        : m_thread([this, what, limit] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) {
                  std::fprintf(stderr, "deadlock: %s\n", what);
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

// Holds the window lock on another thread while it waits for the main thread.
class LockHolder {
public:
    explicit LockHolder(OWindow* window)
        : m_thread([this, window] {
              std::lock_guard lock(window->Lock());
              {
                  std::lock_guard flag(m_mutex);
                  m_holding = true;
              }
              m_changed.notify_all();
              MainThread::Run([] {});
          }) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_holding; });
    }
    ~LockHolder() { m_thread.join(); }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_holding = false;
    std::thread m_thread;
};

TEST_F(WindowThreads, MainThreadServesAFrameThreadThatHoldsTheLockItWants) {
    Watchdog watchdog("main thread and lock holder");
    OWindow* w = Make();
    {
        LockHolder holder(w);
        w->AddObject(new Sprite(0, 0, 10, 10, 0, 0x102030));
    }
    {
        LockHolder holder(w);
        w->Render();
    }
    {
        // The window procedure's lookup waits the same way.
        LockHolder holder(w);
        Inject(EventKind::MouseMove, w, 0, 5, 5);
    }
    EXPECT_EQ(w->Graphs().size(), 1u);
}

class StressDialog : public OWindow {
public:
    StressDialog(OWindow* owner, int lifeTicks, int ending)
        : OWindow(owner, owner->DialogParams(300, 200)), m_lifeTicks(lifeTicks), m_ending(ending) {}
    ~StressDialog() override {
        ++destroyed;
        // Wakes the test's loop, which may be waiting for an event that nothing else sends.
        platform::Event wake;
        wake.kind = EventKind::Posted;
        platform::CurrentPlatform().PostEvent(wake);
    }
    static inline std::atomic<int> destroyed{0};
    bool Start() override {
        SetFramesPerSecond(1000);
        return OWindow::Start();
    }
    void Tick(std::uint32_t time) override {
        OWindow::Tick(time);
        if (++m_ticks != m_lifeTicks) return;
        // Either as the user would, or at once from the frame thread.
        if (m_ending == 0)
            PostClose();
        else
            Close();
    }

private:
    int m_ticks = 0;
    int m_lifeTicks;
    int m_ending;
};

// Opens dialogs over itself from its frame thread and, on a key, from the main thread.
class StressOwner : public OWindow {
public:
    explicit StressOwner(int total)
        : OWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 300, 200, true}), m_total(total) {}
    bool Start() override {
        SetFramesPerSecond(1000);
        return OWindow::Start();
    }
    void Tick(std::uint32_t time) override {
        OWindow::Tick(time);
        if (++m_ticks % 3 == 0) OpenDialog();
    }
    void KeyDown(int code, int x, int y) override {
        if (code == 'D') OpenDialog();
        OWindow::KeyDown(code, x, y);
    }
    int Opened() const { return m_opened; }
    bool AllOpened() const { return m_opened >= m_total; }

private:
    void OpenDialog() {
        std::lock_guard lock(Lock());
        if (IsBlocked() || m_opened >= m_total) return;
        const int n = m_opened++;
        auto* dialog = new StressDialog(this, 1 + n % 3, n % 2);
        if (!dialog->Start()) dialog->Close();
    }

    std::atomic<int> m_opened{0};
    int m_total;
    int m_ticks = 0;
};

TEST_F(WindowThreads, ThousandDialogsOverATickingOwnerLeaveItFree) {
    constexpr int kDialogs = 1000;
    StressDialog::destroyed = 0;
    Watchdog watchdog("dialog stress", std::chrono::seconds(240));
    auto* owner = new StressOwner(kDialogs);
    ASSERT_TRUE(owner->Start());
    std::mt19937 random(7);
    auto injectSomething = [&] {
        const std::vector<platform::WindowId> targets = [&] {
            std::vector<platform::WindowId> ids{owner->PlatformWindow()};
            if (const platform::WindowId dialog = OWindow::DialogWindowOf(owner)) ids.push_back(dialog);
            return ids;
        }();
        platform::Event e;
        e.window = targets[random() % targets.size()];
        e.x = int(random() % 300);
        e.y = int(random() % 200);
        switch (random() % 4) {
        case 0: e.kind = EventKind::MouseMove; break;
        case 1: e.kind = EventKind::KeyDown; e.code = 'D'; break;
        case 2:
            e.kind = EventKind::MouseDown;
            e.button = platform::MouseButton::Left;
            break;
        default: e.kind = EventKind::CloseRequest; break;
        }
        // The owner itself must stay; only its dialogs are closed from outside.
        if (e.kind == EventKind::CloseRequest && e.window == owner->PlatformWindow()) e.kind = EventKind::MouseMove;
        headless->Inject(e);
    };
    // The main loop: serve every event, inject input now and then, until all dialogs are gone.
    for (int served = 0;; ++served) {
        const platform::Event e = headless->WaitEvent();
        procedure.Dispatch(e);
        if (served % 7 == 0) injectSomething();
        // A dialog under construction neither blocks nor counts as destroyed yet.
        if (StressDialog::destroyed == kDialogs) break;
    }
    EXPECT_EQ(owner->Opened(), kDialogs);
    EXPECT_EQ(OWindow::DialogOf(owner), nullptr);
    EXPECT_FALSE(owner->IsBlocked());
    owner->Close();
    // Keep serving until the owner's thread has destroyed it.
    while (OWindow::IsLiveWindow(owner)) {
        platform::Event e;
        if (headless->PollEvent(e))
            procedure.Dispatch(e);
        else
            MainThread::RunPending(), std::this_thread::yield();
    }
}

} // namespace
