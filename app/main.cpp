// The Hoopstack program: shows the intro, then the game window, and runs the main loop until
// the game window closes. Exit codes: 0 a normal end, 1 content that could not be read, 2 no
// window (another copy of the program is running, or no display).

#include <memory>
#include <optional>

#include "app/CloseSignals.hpp"
#include "app/EntrySequence.hpp"
#include "engine/MessageLoop.hpp"
#include "engine/OWindow.hpp"
#include "engine/WindowProcedure.hpp"
#include "platform/sdl/SdlPlatform.hpp"
#include "scene/ResolvePath.hpp"

int main() {
    app::CloseSignals::Block();
    platform::SetCurrentPlatform(std::make_unique<platform::SdlPlatform>());
    app::CloseSignals::Watch();

    game::GameWindowSetup setup;
    setup.statePath = scene::ResolveWritablePath("state.dat");
    app::EntrySequence sequence(std::move(setup));
    int code = 0;
    if (const std::optional<int> failed = sequence.Begin()) {
        code = *failed;
    } else {
        engine::WindowProcedure procedure;
        code = engine::RunMessageLoop(procedure, [&sequence] { return sequence.AfterMessage(); });
    }
    // A frame thread may still be finishing its window; the platform must outlive it.
    engine::OWindow::WaitForFrameThreads();
    return code;
}
