#include "ScreensCommand.hpp"

#include <filesystem>
#include <ostream>
#include <system_error>

#include "CommandLine.hpp"
#include "ScratchDataFolder.hpp"
#include "ScreenSession.hpp"
#include "SimError.hpp"
#include "rules/GameSettings.hpp"
#include "game/HighScores.hpp"
#include "game/OWndResult.hpp"
#include "game/OWndScores.hpp"
#include "game/OWndScoresClear.hpp"
#include "store/TScoresTable.hpp"
#include "ui/OButton.hpp"

namespace sim {

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kSeed = 7;
// Frames before a picture is taken: the game's first frames, the throw's climb, and a
// dialog's first frames as the player sees them when it has just opened.
constexpr int kGameFrames = 10;
constexpr int kFlightFrames = 12;
constexpr int kDialogFrames = 3;
// A fresh game has no score yet; the result window gets one of its own, as at the end of
// a scored game.
constexpr std::int32_t kResultScore = 1850;

// Seven records of level 1, the second with a name too long for its box, so that the Top 10
// shows a cut name and a few empty rows; the other levels' records must not show there.
constexpr const char* kTable =
    "2024-3-14\tPia\t1\t18420\n"
    "2024-2-29\tMaximiliana Featherstonehaugh-Okonkwo of the Riverside Hoop Club\t1\t12655\n"
    "2024-1-7\tTomasz\t1\t9870\n"
    "2023-12-24\tRavi K.\t1\t7315\n"
    "2023-11-2\tLena\t1\t5200\n"
    "2023-10-19\tOskar the Third\t1\t3185\n"
    "2023-9-5\tAnonymous\t1\t980\n"
    "2024-3-1\tExpert Eve\t2\t25500\n"
    "2024-3-2\tMaster Mo\t3\t40010\n";

// The steps of one run, each false after noting what went wrong in Error().
class ScreenShots {
public:
    ScreenShots(ScreenSession& session, fs::path out) : m_session(session), m_out(std::move(out)) {}

    bool Game() {
        game::GameWindowSetup setup;
        setup.seed = kSeed;
        if (!m_session.Open(setup)) return Fail("could not start the game window (are its pictures there?)");
        m_session.Frames(kGameFrames);
        // A throw into the air over the left of the court, caught on its way up.
        game::OGameWindow* window = m_session.Window();
        const rules::CourtGeometry& court = window->Game()->Geometry();
        if (!window->Game()->SelectedCell().IsValid()) return Fail("the fresh game selected no ball");
        m_session.ClickAt(window, court.courtLeft + court.courtWidth / 3, court.courtTop + 4 * court.ballHeight);
        if (window->Game()->Flying().empty()) return Fail("the throw on the game window did not start");
        m_session.Frames(kFlightFrames);
        return Save(window, "game.png");
    }

    bool Dialog(game::GameDialog which, const std::string& file) {
        const std::string name = game::DialogName(which);
        m_session.Window()->OpenDialog(which);
        engine::OWindow* dialog = Opened(name);
        return dialog && Save(dialog, file) && Close(name);
    }

    bool ScoresAndClear() {
        m_session.Window()->OpenDialog(game::GameDialog::Scores);
        engine::OWindow* opened = Opened("scores");
        if (!opened) return false;
        auto* scores = dynamic_cast<game::OWndScores*>(opened);
        if (!scores) return Fail("the scores dialog is not the Top 10");
        if (!Save(scores, "scores.png")) return false;
        m_session.ClickOn(scores, scores->ClearButton());
        engine::OWindow* clear = Opened("scores clear");
        if (!clear) return false;
        if (!dynamic_cast<game::OWndScoresClear*>(clear) || engine::OWindow::DialogOf(scores) != clear)
            return Fail("the Top 10's Clear button did not open the clear confirmation");
        return Save(clear, "scores-clear.png") && Close("scores clear") && Close("scores");
    }

    bool Result() {
        game::OGameWindow* window = m_session.Window();
        ui::ODialog::Open<game::OWndResult>(window, game::OWndResult::kWidth, game::OWndResult::kHeight,
                                            kResultScore, static_cast<int>(rules::Settings().level) + 1);
        engine::OWindow* result = Opened("result");
        return result && Save(result, "result.png") && Close("result");
    }

    int Written() const { return m_written; }
    const std::string& Error() const { return m_error; }

private:
    bool Fail(const std::string& problem) {
        m_error = problem;
        return false;
    }

    // The dialog just opened over the top window, after its first frames; null after a failure.
    engine::OWindow* Opened(const std::string& name) {
        engine::OWindow* dialog = m_session.TopDialog();
        if (!dialog) {
            Fail("the " + name + " dialog did not open");
            return nullptr;
        }
        m_session.Frames(kDialogFrames);
        if (m_session.TopDialog() != dialog) {
            Fail("the " + name + " dialog closed by itself");
            return nullptr;
        }
        return dialog;
    }

    bool Close(const std::string& name) {
        return m_session.CloseTopDialog() || Fail("the " + name + " dialog did not close");
    }

    bool Save(engine::OWindow* window, const std::string& file) {
        const fs::path path = m_out / file;
        if (!m_session.Save(window, path.string())) return Fail("could not write " + path.string());
        ++m_written;
        return true;
    }

    ScreenSession& m_session;
    fs::path m_out;
    int m_written = 0;
    std::string m_error;
};

} // namespace

int RunScreens(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    fs::path folder;
    try {
        const CommandLine options(args, {"out"}, {});
        const std::optional<std::string> value = options.Value("out");
        if (!value || value->empty()) throw SimError("screens needs --out DIR");
        folder = *value;
    } catch (const SimError& error) {
        err << "hoopstack-sim: " << error.what() << std::endl;
        return 2;
    }
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) {
        err << "hoopstack-sim: could not make the folder " << folder.string()
            << (ec ? ": " + ec.message() : std::string()) << std::endl;
        return 1;
    }

    // The data folder outlives the session, whose windows may write to it as they close.
    ScratchDataFolder data;
    std::string error;
    if (!data.Make(error)) {
        err << "hoopstack-sim: " << error << std::endl;
        return 1;
    }
    store::TScoresTable table;
    table.addTableText(kTable);
    if (!table.saveTable(game::TablePath(), &error)) {
        err << "hoopstack-sim: could not write the sample score table: " << error << std::endl;
        return 1;
    }
    rules::Settings() = {};
    game::OWndResult::LastPlayerName().clear();

    ScreenSession session;
    ScreenShots shots(session, folder);
    const bool done = shots.Game() && shots.Dialog(game::GameDialog::Rules, "rules.png") &&
                      shots.Dialog(game::GameDialog::Quit, "quit.png") &&
                      shots.Dialog(game::GameDialog::Level, "level.png") &&
                      shots.Dialog(game::GameDialog::Options, "options.png") && shots.ScoresAndClear() &&
                      shots.Result();
    if (!done) {
        err << "hoopstack-sim: " << shots.Error() << std::endl;
        return 1;
    }
    out << "screens: " << shots.Written() << " pictures in " << folder.string() << std::endl;
    return 0;
}

} // namespace sim
