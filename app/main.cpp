// The Hoopstack program: reads its command line, shows the intro, then the game window, and
// runs the main loop until the game window closes. Exit codes: 0 a normal end (also after
// --help and --version), 1 content that could not be read, 2 no window (another copy of the
// program is running, or no display) or a command line it cannot follow.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/AutomaticScale.hpp"
#include "app/CloseSignals.hpp"
#include "app/CommandLine.hpp"
#include "app/EntrySequence.hpp"
#include "app/UrgentEnd.hpp"
#include "engine/MessageLoop.hpp"
#include "engine/OWindow.hpp"
#include "engine/WindowProcedure.hpp"
#include "game/HighScores.hpp"
#include "platform/sdl/SdlPlatform.hpp"
#include "platform/sdl/X11Errors.hpp"
#include "scene/ResolvePath.hpp"
#include "store/FileIO.hpp"

int main(int argc, char** argv) {
    // Before anything opens a display, so that --help and faults need none.
    const app::CommandLine line = app::CommandLine::Parse(
        std::vector<std::string>(argv + 1, argv + argc), [](const std::string& path) {
            std::error_code error;
            return std::filesystem::is_directory(path, error);
        });
    if (const std::optional<int> end = line.ExitCode()) {
        std::fputs(line.Output().c_str(), stdout);
        std::fputs(line.Errors().c_str(), stderr);
        return *end;
    }
    if (const std::optional<std::string>& folder = line.DataFolder()) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(*folder, error);
        scene::SetExtraDataFolder(error ? *folder : absolute.string());
    }

    app::CloseSignals::Block();
    // The saved game's writer thread starts after the signals are blocked, so that only the
    // watcher takes them. Whatever ends the program, the newest state it was given is kept.
    const std::string statePath = scene::ResolveWritablePath("state.dat");
    const std::shared_ptr<store::SaveWriter> writer = game::OGameWindow::MakeStateWriter(statePath);
    // The score table is written on the main thread; a kill in the middle leaves its
    // temporary file, as the writer clears its own.
    store::removeStaleTemporaries(game::TablePath());
    app::UrgentEnd::SetWriter(writer.get());
    platform::EndOnDisplayLoss(&app::UrgentEnd::SaveAndExit);
    auto sdl = std::make_unique<platform::SdlPlatform>();
    // Without a screen the automatic scale is 1, and the window that cannot open ends the program.
    sdl->SetScale(line.Scale() ? *line.Scale()
                               : app::AutomaticScale(sdl->UsableScreenSize(), app::EntrySequence::GameOuterSize()));
    platform::SetCurrentPlatform(std::move(sdl));
    app::CloseSignals::EndAtOnceWhile(&platform::SdlPlatform::ShowingMessage, &app::UrgentEnd::SaveAndExit);
    app::CloseSignals::Watch();

    game::GameWindowSetup setup;
    setup.statePath = statePath;
    setup.writer = writer;
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
    app::UrgentEnd::SetWriter(nullptr);
    writer->Shutdown();
    return code;
}
