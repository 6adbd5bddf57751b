// The Hoopstack program: reads its command line, shows the intro, then the game window, and
// runs the main loop until the game window closes; with --replay it shows the recorded game
// in the game window at once instead. Exit codes: 0 a normal end (also after --help and
// --version), 1 content or a replay that could not be read, 2 no window (another copy of the
// program is running, or no display) or a command line it cannot follow.

#include <cstdio>
#include <cstdlib>
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
#include "app/ReplayFile.hpp"
#include "app/UrgentEnd.hpp"
#include "engine/MessageLoop.hpp"
#include "engine/OWindow.hpp"
#include "engine/WindowProcedure.hpp"
#include "game/GameSaves.hpp"
#include "game/HighScores.hpp"
#include "platform/sdl/Conversions.hpp"
#include "platform/sdl/SdlPlatform.hpp"
#include "platform/sdl/SingleInstanceLock.hpp"
#include "platform/sdl/X11Errors.hpp"
#include "scene/ResolvePath.hpp"
#include "store/FileIO.hpp"
#include "store/Preferences.hpp"
#include "ui/Translation.hpp"

#include <unistd.h>

namespace {

// A replay window takes a lock of its own beside the game's: it reads and writes none of the
// game's files, so it opens while a game is played, but one replay window is enough.
std::string replayLockPath() {
    std::string path =
        platform::DefaultLockPath(std::getenv("XDG_RUNTIME_DIR"), static_cast<unsigned>(::getuid()));
    const std::string suffix = ".lock";
    if (path.size() >= suffix.size() && path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
        path.insert(path.size() - suffix.size(), "-replay");
    else
        path += "-replay";
    return path;
}

} // namespace

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
    // The catalogues lie in locale/ beside the data in a build tree, and in share/locale of
    // an installed copy, beside its share/hoopstack.
    {
        const std::string data = scene::DataFolder();
        std::error_code error;
        const std::string locale =
            std::filesystem::is_directory(data + "locale", error) ? data + "locale" : data + "../locale";
        const std::string language =
            ui::ChooseLanguage(line.Language(), std::getenv("LANGUAGE"), std::getenv("LC_ALL"),
                               std::getenv("LC_MESSAGES"), std::getenv("LANG"));
        ui::SetUpTranslations(locale, language);
        // The pictures with words: the language's own ("pt_BR"), then its family's ("pt").
        std::vector<std::string> artLanguages;
        if (!language.empty() && language != "en") artLanguages.push_back(language);
        if (const std::size_t underscore = language.find('_'); underscore != std::string::npos)
            artLanguages.push_back(language.substr(0, underscore));
        scene::SetArtLanguages(std::move(artLanguages));
    }

    const std::optional<std::string>& replayFile = line.ReplayFile();

    app::CloseSignals::Block();
    // Watching a replay touches none of the player's files: no saved game, no Top 10.
    std::string statePath;
    std::string dailyStatePath;
    std::shared_ptr<store::SaveWriter> writer;
    std::shared_ptr<store::SaveWriter> dailyWriter;
    if (!replayFile) {
        // The saved game's writer thread starts after the signals are blocked, so that only the
        // watcher takes them. Whatever ends the program, the newest state it was given is kept.
        statePath = scene::ResolveWritablePath("state.dat");
        writer = game::GameSaves::MakeStateWriter(statePath);
        // The day's court is kept in a folder of its own, beside the regular game.
        dailyStatePath = scene::ResolveWritablePath("daily/state.dat");
        dailyWriter = game::GameSaves::MakeStateWriter(dailyStatePath);
        // The score table is written on the main thread; a kill in the middle leaves its
        // temporary file, as the writer clears its own.
        store::removeStaleTemporaries(game::TablePath());
        store::removeStaleTemporaries(game::StatisticsPath());
    }
    app::UrgentEnd::SetWriter(writer.get(), dailyWriter.get());
    platform::EndOnDisplayLoss(&app::UrgentEnd::SaveAndExit);
    auto sdl = std::make_unique<platform::SdlPlatform>(replayFile ? replayLockPath() : std::string());
    // Without a screen the automatic scale is 1, and the window that cannot open ends the program.
    sdl->SetScale(line.Scale() ? *line.Scale()
                               : app::AutomaticScale(sdl->UsableScreenSize(), app::EntrySequence::GameOuterSize()));
    platform::SetCurrentPlatform(std::move(sdl));
    app::CloseSignals::EndAtOnceWhile(&platform::SdlPlatform::ShowingMessage, &app::UrgentEnd::SaveAndExit);
    app::CloseSignals::Watch();

    game::GameWindowSetup setup;
    if (replayFile) {
        // Read once the platform is there, so that the player who opened a broken file from
        // the desktop sees why in a message box.
        std::string reason;
        setup.playback = app::ReadReplayFile(*replayFile, &reason);
        if (!setup.playback) {
            const std::string text = app::ReplayFailureText(*replayFile, reason);
            std::fprintf(stderr, "hoopstack: %s\n", text.c_str());
            platform::CurrentPlatform().ShowMessage(platform::Utf8ToCodePage1252(text), "Hoopstack");
            app::UrgentEnd::SetWriter(nullptr);
            return app::EntrySequence::kExitContentMissing;
        }
    } else {
        setup.statePath = statePath;
        setup.writer = writer;
        setup.dailyStatePath = dailyStatePath;
        setup.dailyWriter = dailyWriter;
        setup.statisticsPath = game::StatisticsPath();
    }
    // The full screen as F11 or Alt+Enter last left it, unless the command line chooses for
    // this run; each switch by key is kept for the next.
    const std::string settingsPath =
        store::Preferences::DefaultPath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    const bool fullScreen = line.FullScreen().value_or(store::Preferences::Load(settingsPath).FullScreen());
    setup.fullScreenSwitched = [settingsPath](bool full) {
        // Read again, so that what another program wrote meanwhile is kept.
        store::Preferences preferences = store::Preferences::Load(settingsPath);
        preferences.SetFullScreen(full);
        std::string error;
        if (!preferences.Save(settingsPath, &error))
            std::fprintf(stderr, "hoopstack: cannot keep the full-screen choice: %s\n", error.c_str());
    };
    app::EntrySequence sequence(std::move(setup));
    sequence.StartFullScreen(fullScreen);
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
    if (writer) writer->Shutdown();
    return code;
}
