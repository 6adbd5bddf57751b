#pragma once

namespace store {
class SaveWriter;
}

namespace app {

// Ends the program at once when it cannot end in order: the connection to the display is
// gone, or a close signal arrives while a message box holds the main thread. The game is
// kept first: the newest saved-game text goes to disk on the calling thread, without any
// lock a frame could hold for long; then the process ends with code 1 and no exit handlers,
// which could wait forever on a dead display.
class UrgentEnd {
public:
    static constexpr int kExitCode = 1;
    // Patience for a write already under way before the newest text is written regardless.
    static constexpr int kPatienceMs = 300;

    // The writers whose newest texts are kept (the regular game's and the daily slot's);
    // nullptr for none. Set before the display opens, cleared before the writers go.
    static void SetWriter(store::SaveWriter* writer, store::SaveWriter* dailyWriter = nullptr);
    // Any thread; a plain function, so that the platform and the signal watcher can call it.
    [[noreturn]] static void SaveAndExit();
};

} // namespace app
