// Throws per second of the game's rules alone, over a scene of plain records, against the same
// kind of play in the headless game window with its real pictures, in the same run; the ratio
// of the two is printed at the end, with the window's frames per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "rules/BoardRules.hpp"
#include "rules/GameSettings.hpp"
#include "game/OGameWindow.hpp"
#include "rules/SimScene.hpp"
#include "rules/ThrowReportObserver.hpp"
#include "rules/TGame.hpp"
#include "tools/driver/HeadlessDriver.hpp"

namespace {

constexpr std::uint32_t kSeed = 20240611;
constexpr int kAttempts = 200;
constexpr int kFrameLimit = 20000;
constexpr int kFastFrameRate = 100;

// Novice lets the player pick the ball, and Fast is the speed the throws are timed at. The
// headless platform keeps every sound it is asked to play, so both courts play none.
rules::GameSettings BenchSettings() {
    rules::GameSettings settings;
    settings.level = rules::Level::Novice;
    settings.sound = false;
    settings.speed = rules::Speed::Fast;
    return settings;
}

// Nothing moves or waits, and the next throw has its ball unless none is left to throw.
bool AtRest(const rules::TGame& game) {
    return game.IsSettled() &&
           (game.SelectedCell().IsValid() || !rules::FirstFreeBall(game.Grid()).IsValid() || game.GameOver());
}

std::vector<rules::Cell> FreeBalls(const rules::BallGrid& grid) {
    std::vector<rules::Cell> cells;
    for (int row = 1; row <= rules::kRows; ++row)
        for (int column = 1; column <= rules::kColumns; ++column)
            if (grid[std::size_t(row)][std::size_t(column)] && rules::IsFree(grid, row, column))
                cells.push_back({row, column});
    return cells;
}

// The rules over a scene of plain records, the clock moving by one frame period per frame.
class PureCourt {
public:
    explicit PureCourt(std::uint32_t seed)
        : m_settings(BenchSettings()), m_game(m_scene, m_settings, rules::CourtGeometry{}) {
        m_game.Seed(seed);
        m_game.NewGame();
    }

    bool Started() const { return true; }
    rules::TGame& Game() { return m_game; }
    void Click(int x, int y) { m_game.Click(x, y); }
    void NewGame() { m_game.NewGame(); }
    void Frame() {
        m_game.Step(m_time);
        m_scene.Tick(m_time);
        const int fps = m_scene.FrameRate();
        m_time += std::uint32_t(1000 / (fps > 0 ? fps : 1));
    }

private:
    rules::SimScene m_scene;
    rules::GameSettings m_settings;
    rules::TGame m_game;
    std::uint32_t m_time = 1000;
};

// The game window on the headless platform, its frames driven by a manual clock and its
// clicks put in as a real mouse makes them, so that each goes through the window procedure.
class WindowCourt {
public:
    explicit WindowCourt(std::uint32_t seed) {
        game::GameWindowSetup setup;
        rules::TSavedGame preset;
        preset.settings = BenchSettings();
        // An empty board cannot be restored, so the window starts a fresh one.
        preset.boardEmpty = true;
        setup.preset = preset;
        setup.seed = seed;
        setup.openDialogs = false;
        m_window =
            new game::OGameWindow(nullptr, {0x0099CCFF, platform::kFramedPopupStyle, 750, 600, false}, setup);
        m_started = m_window->CreateFailed() == 0 && m_window->Start();
        m_driver.Pump();
    }
    ~WindowCourt() {
        if (engine::OWindow::IsLiveWindow(m_window)) engine::OWindow::Destroy(m_window);
        m_driver.Pump();
    }
    WindowCourt(const WindowCourt&) = delete;
    WindowCourt& operator=(const WindowCourt&) = delete;

    bool Started() const { return m_started && m_window->Game(); }
    rules::TGame& Game() { return *m_window->Game(); }
    void NewGame() { m_window->NewGame(); }
    void Click(int x, int y) { m_driver.Click(m_window, x, y); }
    void Frame() { m_driver.Frame(m_window); }

private:
    driver::HeadlessDriver m_driver;
    game::OGameWindow* m_window = nullptr;
    bool m_started = false;
};

// One throw as a player makes it: a click on a random free ball, then one on a random aim
// point of the court, tried again when the rules refuse it; a game that is over, or has no
// ball left to throw, gives way to a new one. Then frames run until the court is at rest.
// Returns the frames it took, or -1 when no throw was taken or the court never settled.
template <class Court>
int PlayThrow(Court& court, std::mt19937& random) {
    rules::TGame& game = court.Game();
    rules::ThrowReportObserver throws;
    game.SetObserver(&throws);
    bool launched = false;
    for (int attempt = 0; attempt < kAttempts && !launched; ++attempt) {
        if (game.GameOver()) court.NewGame();
        const std::vector<rules::Cell> free = FreeBalls(game.Grid());
        if (free.empty()) {
            court.NewGame();
            continue;
        }
        const rules::CourtGeometry& g = game.Geometry();
        const rules::Cell ball = free[std::uniform_int_distribution<std::size_t>(0, free.size() - 1)(random)];
        const int x = std::uniform_int_distribution<int>(g.courtLeft, g.courtLeft + g.courtWidth - 1)(random);
        const int y = std::uniform_int_distribution<int>(0, g.courtTop + g.courtHeight - 1)(random);
        throws.Clear();
        court.Click(g.CentreX(ball.row, ball.column), g.CentreY(ball.row));
        court.Click(x, y);
        launched = throws.Report().launched;
    }
    game.SetObserver(nullptr);
    if (!launched) return -1;
    for (int frames = 1; frames <= kFrameLimit; ++frames) {
        court.Frame();
        if (AtRest(game)) return frames;
    }
    return -1;
}

// Times are CPU time of this thread: the machine may be busy with other work, and neither
// court runs a thread of its own.
template <class Court>
void Throws(benchmark::State& state) {
    Court court(kSeed);
    if (!court.Started()) {
        state.SkipWithError("the game window could not load its pictures beside the executable");
        return;
    }
    std::mt19937 random(kSeed);
    std::int64_t frames = 0;
    for (auto _ : state) {
        const int taken = PlayThrow(court, random);
        if (taken < 0) {
            state.SkipWithError("a throw was refused every time, or the court never came to rest");
            break;
        }
        frames += taken;
    }
    const double throws = double(state.iterations());
    state.counters["throws/s"] = benchmark::Counter(throws, benchmark::Counter::kIsRate);
    state.counters["frames/s"] = benchmark::Counter(double(frames), benchmark::Counter::kIsRate);
    state.counters["frames/throw"] = benchmark::Counter(throws > 0 ? double(frames) / throws : 0);
}

void PureRules(benchmark::State& state) {
    Throws<PureCourt>(state);
}
void GameWindow(benchmark::State& state) {
    Throws<WindowCourt>(state);
}

// Throws differ widely from one another, so each court plays for two seconds at least.
BENCHMARK(PureRules)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(GameWindow)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

// Keeps each benchmark's counters for the figures printed at the end; with repetitions, the
// median of them.
class CounterReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.error_occurred) continue;
            if (median || (run.run_type == Run::RT_Iteration && !m_medians.count(name))) {
                for (const auto& [key, counter] : run.counters) counters[name][key] = counter.value;
                if (median) m_medians.insert(name);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The counter of a benchmark, or 0 when it did not run.
    double Value(const std::string& name, const std::string& key) const {
        const auto bench = counters.find(name);
        if (bench == counters.end()) return 0;
        const auto counter = bench->second.find(key);
        return counter == bench->second.end() ? 0 : counter->second;
    }

    std::map<std::string, std::map<std::string, double>> counters;

private:
    std::set<std::string> m_medians;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CounterReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double pure = reporter.Value("PureRules", "throws/s");
    const double window = reporter.Value("GameWindow", "throws/s");
    const double frames = reporter.Value("GameWindow", "frames/s");
    std::printf("\nthrows per second (same run, level Novice at the Fast speed, seed %u):\n", kSeed);
    if (pure > 0 && window > 0) {
        std::printf("%-34s %10.0f throws/s\n", "pure rules over a plain scene", pure);
        std::printf("%-34s %10.0f throws/s, %.0f frames/s (%.1fx the Fast speed's %d)\n",
                    "headless game window", window, frames, frames / kFastFrameRate, kFastFrameRate);
        std::printf("%-34s %10.1fx\n", "pure rules / game window", pure / window);
    }
    benchmark::Shutdown();
    return 0;
}
