#include "SimPlay.hpp"

#include <charconv>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "engine/MainThread.hpp"
#include "engine/WindowProcedure.hpp"
#include "game/OGameWindow.hpp"
#include "platform/KeyCodes.hpp"
#include "platform/headless/HeadlessPlatform.hpp"

namespace tools {

namespace {

constexpr int kTickLimit = 200000;

std::optional<int> parseInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// 16 lines of 16 digits 0-7; nullopt with a reason otherwise.
std::optional<game::TSavedGame> readBoard(const std::string& file, std::string& why) {
    std::ifstream in(file);
    if (!in) {
        why = "cannot open " + file;
        return std::nullopt;
    }
    game::TSavedGame saved;
    std::string line;
    int row = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() && row == 16) continue;
        if (++row > 16) {
            why = file + ": more than 16 lines";
            return std::nullopt;
        }
        if (line.size() != 16) {
            why = file + ": line " + std::to_string(row) + " does not hold 16 characters";
            return std::nullopt;
        }
        for (int c = 1; c <= 16; ++c) {
            const char ch = line[std::size_t(c - 1)];
            if (ch < '0' || ch > '7') {
                why = file + ": line " + std::to_string(row) + " holds a character other than 0-7";
                return std::nullopt;
            }
            saved.cells[row][c] = ch - '0';
            if (ch != '0') saved.boardEmpty = false;
        }
    }
    if (row != 16) {
        why = file + ": expected 16 lines, found " + std::to_string(row);
        return std::nullopt;
    }
    return saved;
}

std::string cellJson(const std::optional<game::Cell>& cell) {
    if (!cell || !cell->IsValid()) return "null";
    return "[" + std::to_string(cell->row) + "," + std::to_string(cell->column) + "]";
}

std::string number(double value) {
    char buffer[64];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, ptr) : "0";
}

// Drives the game window on the headless platform: the clock, the frames and the input.
class Session {
public:
    explicit Session(const game::GameWindowSetup& setup) {
        auto owned = std::make_unique<platform::HeadlessPlatform>(platform::Size{1024, 768});
        m_headless = owned.get();
        platform::SetCurrentPlatform(std::move(owned));
        engine::NextWindowParams() = {0x0099CCFF, 7, 750, 600, false};
        m_window = new game::OGameWindow(nullptr, setup);
    }
    ~Session() {
        if (engine::OWindow::IsLiveWindow(m_window)) engine::OWindow::Destroy(m_window);
        Pump();
    }
    bool Start() {
        if (m_window->CreateFailed() != 0 || !m_window->Start()) return false;
        Pump();
        return true;
    }
    game::OGameWindow& Window() { return *m_window; }
    game::TGame& Game() { return *m_window->Game(); }

    void Tick() {
        m_headless->SetTime(m_time);
        int sleep = 0;
        m_window->RunFrame(sleep);
        Pump();
        m_time += std::uint32_t(1000 / std::max(1, m_window->FramesPerSecond()));
    }
    void Click(int x, int y) {
        const platform::WindowId id = m_window->PlatformWindow();
        m_headless->SetCursor(id, {x, y});
        for (const auto kind : {platform::EventKind::MouseMove, platform::EventKind::KeyDown, platform::EventKind::KeyUp}) {
            platform::Event e;
            e.kind = kind;
            e.window = id;
            e.code = kind == platform::EventKind::MouseMove ? 0 : platform::Key_LButton;
            e.x = std::uint16_t(x);
            e.y = std::uint16_t(y);
            m_headless->Inject(e);
            Pump();
        }
    }
    bool AtRest() {
        game::TGame& g = Game();
        return g.IsSettled() && (g.SelectedCell().IsValid() || !game::FirstFreeBall(g.Grid()).IsValid() || g.GameOver());
    }

private:
    void Pump() {
        platform::Event e;
        while (m_headless->PollEvent(e)) m_procedure.Dispatch(e);
    }

    platform::HeadlessPlatform* m_headless = nullptr;
    engine::WindowProcedure m_procedure;
    game::OGameWindow* m_window = nullptr;
    std::uint32_t m_time = 1000;
};

} // namespace

int RunPlay(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
    std::string board;
    int level = 0, speed = 1, seed = 1;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (i + 1 >= args.size() || (a != "--board" && a != "--level" && a != "--speed" && a != "--seed")) {
            err << "hoopstack-sim: unknown or incomplete option " << a << "\n";
            return 2;
        }
        const std::string& v = args[++i];
        if (a == "--board") {
            board = v;
            continue;
        }
        const std::optional<int> n = parseInt(v);
        if (!n || (a == "--level" && (*n < 0 || *n > 2)) || (a == "--speed" && (*n < 0 || *n > 2))) {
            err << "hoopstack-sim: bad value for " << a << ": " << v << "\n";
            return 2;
        }
        (a == "--level" ? level : a == "--speed" ? speed : seed) = *n;
    }
    if (board.empty()) {
        err << "hoopstack-sim: play needs --board FILE\n";
        return 2;
    }
    std::string why;
    std::optional<game::TSavedGame> saved = readBoard(board, why);
    if (!saved) {
        err << "hoopstack-sim: " << why << "\n";
        return 2;
    }
    saved->settings = {level, true, true, true, speed};

    engine::MainThread::Reset();
    engine::MainThread::Claim();
    game::GameWindowSetup setup;
    setup.preset = *saved;
    setup.seed = std::uint32_t(seed);
    Session session(setup);
    if (!session.Start()) {
        err << "hoopstack-sim: could not load the game's pictures\n";
        return 1;
    }
    session.Tick();

    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string command, xs, ys, extra;
        if (!(words >> command)) continue;
        words >> xs >> ys;
        const std::optional<int> x = parseInt(xs), y = parseInt(ys);
        if (command != "click" || !x || !y || (words >> extra)) {
            err << "hoopstack-sim: expected 'click X Y' with whole numbers, got: " << line << "\n";
            return 2;
        }
        game::TGame& g = session.Game();
        g.Report() = {};
        session.Click(*x, *y);
        const game::Cell selected = g.SelectedCell();
        int ticks = 0;
        do {
            session.Tick();
            if (++ticks > kTickLimit) {
                err << "hoopstack-sim: the board did not come to rest after " << kTickLimit << " ticks\n";
                return 1;
            }
        } while (!session.AtRest());

        const game::TThrowReport& r = g.Report();
        std::string json = "{\"click\":[" + std::to_string(*x) + "," + std::to_string(*y) + "]";
        json += ",\"selected\":" + cellJson(selected);
        json += std::string(",\"launched\":") + (r.launched ? "true" : "false");
        json += ",\"landed\":" + cellJson(r.landed);
        json += std::string(",\"void\":") + (r.voidThrow ? "true" : "false");
        json += ",\"group\":" + std::to_string(r.group);
        json += ",\"effort\":" + number(r.launched ? g.FlightEffort() : 0.0);
        json += ",\"points_per_ball\":" + std::to_string(g.PointsPerBall());
        json += ",\"removed\":" + std::to_string(r.removed);
        json += ",\"fell\":" + std::to_string(r.fell);
        json += ",\"drops\":" + std::to_string(r.drops);
        json += ",\"score\":" + std::to_string(g.Score());
        json += std::string(",\"game_over\":") + (g.GameOver() ? "true" : "false");
        json += ",\"board\":[";
        for (int row = 1; row <= 16; ++row) {
            json += row > 1 ? ",\"" : "\"";
            for (int c = 1; c <= 16; ++c) json += char('0' + (g.Grid()[row][c] ? g.Grid()[row][c]->Colour() : 0));
            json += "\"";
        }
        const std::string dialog = session.Window().TakeDialogRequest();
        json += "],\"dialog\":" + (dialog.empty() ? std::string("null") : "\"" + dialog + "\"") + "}";
        out << json << "\n" << std::flush;
    }
    return 0;
}

} // namespace tools
