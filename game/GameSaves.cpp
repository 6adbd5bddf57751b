#include "game/GameSaves.hpp"

#include <utility>

#include "game/HighScores.hpp"
#include "game/ReplayFiles.hpp"
#include "rules/BoardRules.hpp"
#include "rules/GameSettings.hpp"
#include "rules/TGame.hpp"
#include "store/FileIO.hpp"

namespace game {

std::shared_ptr<store::SaveWriter> GameSaves::MakeStateWriter(const std::string& path) {
    // A kill in the middle of writing the replay leaves its temporary file, as for the state.
    store::removeStaleTemporaries(ReplayPathBeside(path));
    return std::make_shared<store::SaveWriter>(
        path, [](const std::string& reason) { ReportSaveFailure("state.dat", reason); },
        store::SaveWriter::WriteFunction(),
        [](const std::string&, const std::string& reason) { ReportSaveFailure("replay.dat", reason); });
}

rules::TSavedGame GameSaves::SavedState(const rules::TGame* game) {
    rules::TSavedGame saved;
    saved.settings = rules::Settings();
    if (!game) return saved;
    saved.score = game->Score();
    saved.gameOver = game->GameOver();
    saved.cells = rules::ColoursOf(game->Grid());
    saved.boardEmpty = rules::CountBalls(game->Grid()) == 0;
    return saved;
}

std::optional<std::string> GameSaves::ReplayText(const rules::TGame* game) {
    const rules::GameReplay* replay = game ? game->Replay() : nullptr;
    if (!replay) return std::nullopt;
    return ReplayFileText(*replay);
}

store::SaveWriter::Companion GameSaves::ReplayCompanion(const std::optional<std::string>& replay) const {
    return {ReplayPathBeside(m_writer->Path()), replay};
}

GameSaves::KeptGame GameSaves::GameToKeep(const rules::TGame& game) const {
    if (m_handedOver && !game.IsSettled()) {
        KeptGame kept = *m_handedOver;
        kept.state.settings = rules::Settings();
        return kept;
    }
    return {SavedState(&game), ReplayText(&game)};
}

bool GameSaves::SaveNow(const rules::TGame& game) {
    if (!m_writer) return false;
    m_handedOver = GameToKeep(game);
    std::string error;
    if (m_writer->WriteNow(rules::FormatSavedGame(m_handedOver->state), &error,
                           {ReplayCompanion(m_handedOver->replay)}))
        return true;
    ReportSaveFailure("state.dat", error);
    return false;
}

void GameSaves::SaveInBackground(KeptGame kept) {
    if (!m_writer || (m_handedOver && m_handedOver->state == kept.state)) return;
    m_writer->Submit(rules::FormatSavedGame(kept.state), {ReplayCompanion(kept.replay)});
    m_handedOver = std::move(kept);
}

void GameSaves::KeepAtRest(const rules::TGame& game) {
    if (!m_writer) return;
    rules::TSavedGame state = SavedState(&game);
    if (m_handedOver && m_handedOver->state == state) return;
    SaveInBackground({std::move(state), ReplayText(&game)});
}

void GameSaves::KeepSettings(const rules::TGame& game) {
    if (!m_writer) return;
    // A throw may be on its way: the board and the replay stay those of the last rest.
    SaveInBackground(GameToKeep(game));
}

} // namespace game
