#pragma once

#include <memory>
#include <optional>
#include <string>

#include "rules/TSavedGame.hpp"
#include "store/SaveWriter.hpp"

namespace rules {
class TGame;
}

namespace game {

// What the game window keeps of its game, and when it hands it to the writer. The court is
// kept each time it comes to rest, a game starts or the settings change, through the writer's
// thread so that no frame waits for the disk, and once more, waiting for the disk, whenever
// the window ends in order. The game's replay goes with every save, in "replay.dat" beside the
// saved game, taken at the moment of the board it is saved with; a game without a replay
// removes that file. Without a writer nothing is kept. The caller holds the window's lock.
class GameSaves {
public:
    GameSaves() = default;
    explicit GameSaves(std::shared_ptr<store::SaveWriter> writer) : m_writer(std::move(writer)) {}

    // A writer for the saved game whose failures (its replay's too) the player is told about
    // once per file.
    static std::shared_ptr<store::SaveWriter> MakeStateWriter(const std::string& path);

    // The settings and the game's court as the saved game holds them; the settings alone
    // without a game.
    static rules::TSavedGame SavedState(const rules::TGame* game);
    // The game's replay as its file holds it, or none for a game without one.
    static std::optional<std::string> ReplayText(const rules::TGame* game);

    // At rest: hands the court and its replay to the writer's thread unless that court was
    // handed over last. The replay is encoded only then, not on every frame.
    void KeepAtRest(const rules::TGame& game);
    // Hands the current settings, with the board of the last rest, to the writer's thread.
    void KeepSettings(const rules::TGame& game);
    // Writes the settings and the board now, with its replay, after any write in progress and
    // instead of any waiting; false when there is no writer or the write failed, which the
    // player is told about once. While balls move, the board is that of the last rest.
    bool SaveNow(const rules::TGame& game);

    store::SaveWriter* Writer() const { return m_writer.get(); }
    // Lets go of the writer: one of the window's own drains and ends here, a shared one goes on.
    void ReleaseWriter() { m_writer.reset(); }

private:
    // A saved game and the replay that goes with it (its file's text; none removes the file).
    struct KeptGame {
        rules::TSavedGame state;
        std::optional<std::string> replay;
    };
    // What to keep now: the current court and replay at rest; while balls move, those of the
    // last rest (the thrown ball is on no cell), with the current settings.
    KeptGame GameToKeep(const rules::TGame& game) const;
    // The writer's companion for the replay: written beside the state, or removed.
    store::SaveWriter::Companion ReplayCompanion(const std::optional<std::string>& replay) const;
    // Hands the state and its replay to the writer's thread unless the state is the one
    // handed over last.
    void SaveInBackground(KeptGame kept);

    std::shared_ptr<store::SaveWriter> m_writer;
    std::optional<KeptGame> m_handedOver;
};

} // namespace game
