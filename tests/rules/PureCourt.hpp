#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "rules/BoardRules.hpp"
#include "rules/CourtControls.hpp"
#include "rules/SimScene.hpp"
#include "rules/TGame.hpp"
#include "rules/ThrowReportObserver.hpp"

namespace rules::test {

// Writes down every event a game tells, by name, besides summing the throw report.
class EventLog : public ThrowReportObserver {
public:
    void ThrowLaunched(const LaunchStart& launch) override {
        ThrowReportObserver::ThrowLaunched(launch);
        events.push_back("launched");
    }
    void ThrowLanded(Cell cell, double effort, bool cameBack) override {
        ThrowReportObserver::ThrowLanded(cell, effort, cameBack);
        events.push_back(cameBack ? "came back" : "landed");
    }
    void GroupCounted(int balls) override {
        ThrowReportObserver::GroupCounted(balls);
        events.push_back("group " + std::to_string(balls));
    }
    void BallsFell(int balls) override {
        ThrowReportObserver::BallsFell(balls);
        events.push_back("fell " + std::to_string(balls));
    }
    void BallRemoved() override {
        ThrowReportObserver::BallRemoved();
        events.push_back("removed");
    }
    void BallDropped() override {
        ThrowReportObserver::BallDropped();
        events.push_back("dropped");
    }
    void CeilingRefreshed(const CourtState&) override { events.push_back("ceiling"); }

    std::vector<std::string> events;
};

// The rules over a scene of records, framed by hand: each frame is paced or not as the test
// says, so that removals, falls and drops come exactly when a test wants them.
struct PureCourt {
    GameSettings settings;
    SimScene scene;
    EventLog log;
    TGame game{scene, settings, CourtGeometry::FromBall(34, 33)};
    CourtControls controls{game};
    std::uint32_t time = 1;

    explicit PureCourt(Level level = Level::Novice) {
        settings.level = level;
        game.SetObserver(&log);
    }
    ~PureCourt() { game.SetObserver(nullptr); }
    PureCourt(const PureCourt&) = delete;
    PureCourt& operator=(const PureCourt&) = delete;

    const CourtState& Court() const { return game.Court(); }

    // Lays the rows out at the bottom of the court (the last one on the floor) and starts the
    // game on them.
    void Start(const std::vector<std::string>& rows, int score = 0) {
        TSavedGame saved;
        saved.settings = settings;
        saved.score = score;
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (int c = 1; c <= 16; ++c) {
                const int colour = rows[i][std::size_t(c - 1)] - '0';
                saved.cells[16 - rows.size() + 1 + i][std::size_t(c)] = colour;
                if (colour) saved.boardEmpty = false;
            }
        game.SetSavedGame(saved);
        game.NewGame();
    }
    void Frame(bool pace = false) {
        game.Advance(pace);
        scene.Tick(time++);
    }
    // Unpaced frames until nothing flies; false after `limit`.
    bool Land(int limit = 5000) {
        for (int i = 0; i < limit; ++i) {
            if (Court().flying.empty()) return true;
            Frame();
        }
        return Court().flying.empty();
    }
    // Frames with every tenth paced until the court is at rest; false after `limit`.
    bool Settle(int limit = 100000) {
        for (int i = 0; i < limit; ++i) {
            if (game.IsSettled() &&
                (Court().selected.IsValid() || Court().gameOver || !FirstFreeBall(Court().grid).IsValid()))
                return true;
            Frame(i % 10 == 0);
        }
        return false;
    }
    int BallsInPlay() const {
        return CountBalls(Court().grid) + int(Court().flying.size() + Court().falling.size());
    }
    // Every ball the scene holds is in exactly one place of the court, and the colour counts
    // are those of the balls in play.
    void ExpectAccounted() const {
        std::set<const Ball*> seen;
        std::array<int, kColours> counts{};
        auto add = [&](const Ball* ball, bool counted) {
            EXPECT_TRUE(seen.insert(ball).second) << "a ball is held twice";
            if (counted) ++counts[std::size_t(ball->Colour() - 1)];
        };
        for (int r = 1; r <= 16; ++r)
            for (int c = 1; c <= 16; ++c)
                if (const Ball* ball = Court().grid[r][c]) add(ball, true);
        for (const Ball* ball : Court().flying) add(ball, true);
        for (const Ball* ball : Court().falling) add(ball, true);
        for (const Ball* ball : Court().removal) add(ball, false);
        for (int c = 1; c <= 16; ++c)
            if (Court().ceiling[c]) add(Court().ceiling[c], false);
        EXPECT_EQ(seen.size(), scene.BallCount());
        EXPECT_EQ(counts, Court().counts);
    }
};

// A throw of the ball in a cell toward a point.
struct Aim {
    Cell ball;
    int x = 0;
    int y = 0;
};

// The first throw, over every free ball of the board and a grid of aim points across the
// court, whose outcome after landing satisfies `wanted`; each is tried on a fresh court of its
// own laid out from the same rows.
inline std::optional<Aim> FindThrow(Level level, const std::vector<std::string>& rows,
                                    const std::function<bool(const PureCourt&)>& wanted) {
    std::vector<Cell> balls;
    {
        PureCourt probe(level);
        probe.Start(rows);
        for (int r = 1; r <= 16; ++r)
            for (int c = 1; c <= 16; ++c)
                if (probe.Court().grid[r][c] && IsFree(probe.Court().grid, r, c)) balls.push_back({r, c});
    }
    const CourtGeometry geometry = CourtGeometry::FromBall(34, 33);
    for (const Cell ball : balls)
        for (int row = 1; row <= 16; row += 3)
            for (int column = 1; column <= 16; ++column) {
                const Aim aim{ball, geometry.CentreX(row, column), geometry.CentreY(row)};
                PureCourt court(level);
                court.Start(rows);
                if (!court.controls.Select(aim.ball) || !court.controls.Launch(aim.x, aim.y)) continue;
                if (court.Land() && wanted(court)) return aim;
            }
    return std::nullopt;
}

} // namespace rules::test
