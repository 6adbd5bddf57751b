// The Hoopstack program: opens the game window and runs the main loop until it closes.

#include <memory>

#include "CloseSignals.hpp"
#include "engine/MessageLoop.hpp"
#include "engine/OWindow.hpp"
#include "engine/WindowProcedure.hpp"
#include "game/OGameWindow.hpp"
#include "platform/sdl/SdlPlatform.hpp"
#include "scene/ResolvePath.hpp"

int main() {
    app::CloseSignals::Block();
    platform::SetCurrentPlatform(std::make_unique<platform::SdlPlatform>());
    app::CloseSignals::Watch();

    engine::NextWindowParams() = {0x0099CCFF, 7, 750, 600, true};
    game::GameWindowSetup setup;
    setup.statePath = scene::ResolveWritablePath("state.dat");
    auto* window = new game::OGameWindow(nullptr, setup);
    window->SetTitle("Hoopstack");
    if (window->CreateFailed() != 0) {
        window->Close();
        return 2;
    }
    window->SetQuitOnDestroy(true);
    if (!window->Start()) {
        platform::CurrentPlatform().ShowMessage("Could not read clip", "");
        return 1;
    }
    window->Render();
    app::CloseSignals::SetTarget(window->PlatformWindow());

    engine::WindowProcedure procedure;
    const int code = engine::RunMessageLoop(procedure, [window]() -> std::optional<int> {
        // The quit confirmation finishes the game window; closing it saves and quits.
        if (engine::OWindow::IsLiveWindow(window) && window->Finished() && !window->IsClosing()) window->Close();
        return std::nullopt;
    });
    // The frame thread that posted the quit may still be finishing its window; the platform
    // must outlive it.
    engine::OWindow::WaitForFrameThreads();
    return code;
}
