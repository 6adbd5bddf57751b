#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <random>

#include "rules/BoardRules.hpp"
#include "rules/GameIdentity.hpp"
#include "rules/ReplayFidelity.hpp"
#include "rules/ReplayPlayer.hpp"
#include "rules/SimScene.hpp"
#include "rules/TGame.hpp"

using namespace rules;

namespace {

// A game on the pure rules whose frames come at an uneven pace, as a busy machine's do, and
// whose player clicks at random places on the court whenever the rules take a click.
struct BotGame {
    GameSettings settings;
    SimScene scene;
    std::unique_ptr<TGame> game;
    std::mt19937 bot;
    std::uint32_t time = 1000;

    BotGame(Level level, std::uint32_t seed, std::optional<TSavedGame> saved = {}, std::optional<GameReplay> replay = {})
        : bot(seed * 7919u + 13u) {
        settings.level = level;
        game = std::make_unique<TGame>(scene, settings, CourtGeometry::FromBall(34, 33));
        if (saved) game->SetSavedGame(*saved, std::move(replay));
        game->Seed(seed);
        game->NewGame();
    }
    void MaybeClick() {
        if (game->AcceptsClicks() && std::uniform_int_distribution<int>(0, 19)(bot) == 0) {
            const CourtGeometry& g = game->Geometry();
            game->Click(std::uniform_int_distribution<int>(g.courtLeft, g.courtLeft + g.courtWidth - 1)(bot),
                        std::uniform_int_distribution<int>(g.courtTop, g.courtTop + g.courtHeight - 1)(bot));
        }
    }
    void Frame() {
        MaybeClick();
        game->Step(time);
        scene.Tick(time);
        time += std::uniform_int_distribution<std::uint32_t>(4, 60)(bot);
    }
    // A frame whose pace is decided here rather than by the clock.
    void PacedFrame(bool pace) {
        MaybeClick();
        game->Advance(pace);
        scene.Tick(time++);
    }
    bool PlayToEnd(int limit = 400000) {
        for (int i = 0; i < limit && !game->GameOver(); ++i) Frame();
        for (int i = 0; i < 20000 && !(game->Replay() && game->Replay()->finished); ++i) Frame();
        return game->Replay() && game->Replay()->finished;
    }
    TSavedGame Saved() const {
        TSavedGame saved;
        saved.settings = settings;
        saved.score = game->Score();
        saved.gameOver = game->GameOver();
        saved.cells = ColoursOf(game->Grid());
        saved.boardEmpty = CountBalls(game->Grid()) == 0;
        return saved;
    }
    std::array<std::string, 16> Board() const {
        const auto colours = ColoursOf(game->Grid());
        std::array<std::string, 16> rows;
        for (int r = 1; r <= 16; ++r)
            for (int c = 1; c <= 16; ++c) rows[std::size_t(r - 1)] += char('0' + colours[std::size_t(r)][std::size_t(c)]);
        return rows;
    }
};

std::string Deflated(const std::string& bytes) {
    uLongf size = compressBound(uLong(bytes.size()));
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
             uLong(bytes.size()));
    packed.resize(size);
    return packed;
}

// The text of arbitrary bytes, deflated and written as the codec writes a replay.
std::string TextOf(const std::string& bytes) {
    GameReplay carrier;
    const std::string packed = Deflated(bytes);
    // Reuses the codec's base64url by decoding a known replay's text alphabet: simpler to spell out.
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    std::string out;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : packed) {
        bits = bits << 8 | std::uint8_t(c);
        count += 8;
        while (count >= 6) {
            count -= 6;
            out += alphabet[(bits >> count) & 63];
        }
    }
    if (count > 0) out += alphabet[(bits << (6 - count)) & 63];
    return out;
}

GameReplay FinishedReplay(Level level, std::uint32_t seed, int* score = nullptr) {
    BotGame played(level, seed);
    EXPECT_TRUE(played.PlayToEnd());
    if (score) *score = played.game->Score();
    return *played.game->Replay();
}

} // namespace

TEST(Replay, BotGamesAtEveryLevelPlayBackToTheSameEnd) {
    for (const Level level : {Level::Novice, Level::Expert, Level::Master})
        for (std::uint32_t seed : {1u, 77u, 4000000000u}) {
            BotGame played(level, seed);
            ASSERT_TRUE(played.PlayToEnd()) << "level " << int(level) << " seed " << seed;
            const GameReplay& recorded = *played.game->Replay();
            ASSERT_TRUE(recorded.finished);
            ASSERT_EQ(recorded.level, level);
            const std::string text = EncodeReplay(recorded);
            const auto decoded = DecodeReplay(text);
            ASSERT_TRUE(decoded);
            EXPECT_EQ(*decoded, recorded);

            const ReplayRun run = PlayReplay(*decoded);
            ASSERT_TRUE(run.played) << run.failure;
            EXPECT_TRUE(run.outcome.gameOver);
            EXPECT_EQ(run.outcome.score, played.game->Score());
            EXPECT_EQ(run.outcome.board, played.Board());
            EXPECT_EQ(run.outcome.ticks, recorded.ticks);

            const ReplayVerdict verdict = VerifyReplay(text, level, played.game->Score());
            EXPECT_TRUE(verdict.verified) << verdict.reason;
            EXPECT_TRUE(verdict.reason.empty());
        }
}

TEST(Replay, ANewGameStartsANewRecordAndTheEndClosesIt) {
    BotGame played(Level::Expert, 5);
    for (int i = 0; i < 300; ++i) played.Frame();
    const std::uint32_t firstStart = played.game->Replay()->startState;
    EXPECT_EQ(played.game->Replay()->ticks, 300u);
    played.game->NewGame();
    ASSERT_TRUE(played.game->Replay());
    EXPECT_EQ(played.game->Replay()->ticks, 0u);
    EXPECT_TRUE(played.game->Replay()->inputs.empty());
    EXPECT_NE(played.game->Replay()->startState, firstStart);

    ASSERT_TRUE(played.PlayToEnd());
    const GameReplay closed = *played.game->Replay();
    for (int i = 0; i < 500; ++i) played.Frame();
    EXPECT_EQ(*played.game->Replay(), closed);
}

TEST(Replay, ChangedInputsScoresOrLevelsAreNeverVerified) {
    int score = 0;
    const GameReplay replay = FinishedReplay(Level::Novice, 21, &score);
    const std::string text = EncodeReplay(replay);
    ASSERT_TRUE(VerifyReplay(text, Level::Novice, score).verified);

    EXPECT_FALSE(VerifyReplay(text, Level::Novice, score + 1).verified);
    EXPECT_NE(VerifyReplay(text, Level::Novice, score + 1).reason.find("scores"), std::string::npos);
    EXPECT_FALSE(VerifyReplay(text, Level::Master, score).verified);

    // The same inputs at another level play another game.
    GameReplay other = replay;
    other.level = Level::Expert;
    const ReplayRun original = PlayReplay(replay);
    const ReplayRun atExpert = PlayReplay(other);
    ASSERT_TRUE(original.played && atExpert.played);
    EXPECT_NE(atExpert.outcome.board, original.outcome.board);

    // Every click of the game moved by one pixel, or one tick later, in turn. Such a replay is
    // another game, verified only when that game itself ends finished on the reported score:
    // a click that stays in the same cell and flight can play exactly the same game.
    int clicks = 0, differed = 0;
    for (std::size_t i = 0; i < replay.inputs.size(); ++i) {
        if (replay.inputs[i].kind != ReplayInput::Kind::Click) continue;
        GameReplay moved = replay;
        moved.inputs[i].x += 1;
        GameReplay later = replay;
        if (i + 1 < later.inputs.size() && later.inputs[i + 1].tick == later.inputs[i].tick) continue;
        later.inputs[i].tick += 1;
        ++clicks;
        for (const GameReplay& changed : {moved, later}) {
            const ReplayRun run = PlayReplay(changed);
            ASSERT_TRUE(run.played);
            const bool same = run.outcome.board == original.outcome.board && run.outcome.score == score;
            differed += !same;
            EXPECT_EQ(VerifyReplay(EncodeReplay(changed), Level::Novice, score).verified,
                      run.outcome.gameOver && run.outcome.score == score);
        }
    }
    ASSERT_GT(clicks, 3);
    EXPECT_GT(differed, 0);

    // A replay cut short is not a finished game.
    GameReplay cut = replay;
    cut.ticks /= 2;
    cut.finished = false;
    while (!cut.inputs.empty() && cut.inputs.back().tick >= cut.ticks) cut.inputs.pop_back();
    const ReplayVerdict verdict = VerifyReplay(EncodeReplay(cut), Level::Novice, score);
    EXPECT_FALSE(verdict.verified);
    ASSERT_TRUE(verdict.outcome);
    EXPECT_FALSE(verdict.outcome->gameOver);
    EXPECT_EQ(verdict.outcome->ticks, cut.ticks);

    // A text cut anywhere does not decode.
    for (std::size_t length : {std::size_t(0), std::size_t(1), text.size() / 2, text.size() - 1})
        EXPECT_FALSE(VerifyReplay(text.substr(0, length), Level::Novice, score).verified);
}

TEST(Replay, RulesVersionBallSizeAndBudgetAreChecked) {
    int score = 0;
    const GameReplay replay = FinishedReplay(Level::Master, 3, &score);
    GameReplay future = replay;
    future.rulesVersion = GameReplay::kRulesVersion + 1;
    ReplayVerdict verdict = VerifyReplay(EncodeReplay(future), Level::Master, score);
    EXPECT_FALSE(verdict.verified);
    EXPECT_NE(verdict.reason.find("rules version"), std::string::npos) << verdict.reason;

    GameReplay wide = replay;
    wide.ballWidth = 40;
    EXPECT_FALSE(VerifyReplay(EncodeReplay(wide), Level::Master, score).verified);

    verdict = VerifyReplay(EncodeReplay(replay), Level::Master, score, replay.ticks - 1);
    EXPECT_FALSE(verdict.verified);
    EXPECT_NE(verdict.reason.find("frames"), std::string::npos) << verdict.reason;
    EXPECT_FALSE(verdict.outcome);

    // Far too many frames are refused before any is played.
    GameReplay endless = replay;
    endless.ticks = 0xffffffffu;
    endless.finished = false;
    EXPECT_FALSE(PlayReplay(endless).played);
}

TEST(Replay, MalformedTextsAreRefusedWithAReason) {
    const std::string good = EncodeReplay(FinishedReplay(Level::Expert, 8));
    GameReplay small;
    small.ticks = 10;
    small.inputs = {{2, ReplayInput::Kind::Click, 100, 200}, {5, ReplayInput::Kind::Pace, 0, 0}};
    const std::string bytes = ReplayBytes(small);
    ASSERT_TRUE(DecodeReplay(TextOf(bytes)));

    struct Case {
        const char* what;
        std::string text;
    };
    std::string pacePastEnd = ReplayBytes([&] {
        GameReplay r = small;
        r.inputs.back().tick = 10;
        return r;
    }());
    std::string clickPastEnd = ReplayBytes([&] {
        GameReplay r = small;
        r.inputs.front().tick = 11;
        r.inputs.back().tick = 11;
        return r;
    }());
    std::string overCounted = bytes;
    overCounted[overCounted.size() - 7] = char(0x7f);  // the input count
    const std::vector<Case> cases = {
        {"empty", ""},
        {"padding", good + "="},
        {"a space", " " + good},
        {"stray bits", good.substr(0, good.size() - 1) + "_"},
        {"a length of 4n+1", good + "A"},
        {"not deflated", "QUJD"},
        {"trailing bytes", TextOf(bytes + "x")},
        {"cut bytes", TextOf(bytes.substr(0, bytes.size() - 1))},
        {"format version 2", TextOf("\x02" + bytes.substr(1))},
        {"level 3", TextOf(bytes.substr(0, 2) + "\x03" + bytes.substr(3))},
        {"a pace after the last tick", TextOf(pacePastEnd)},
        {"a click after the last tick", TextOf(clickPastEnd)},
        {"more inputs counted than held", TextOf(overCounted)},
        {"an over-long number", TextOf(std::string(12, char(0xff)))},
        {"a bomb", TextOf(bytes + std::string(5u << 20, '\0'))},
        {"too long", std::string(kMaxReplayText + 1, 'A')},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(DecodeReplay(c.text, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_FALSE(VerifyReplay(c.text, Level::Novice, 0).verified) << c.what;
    }

    // Random texts and random bytes: refused or played, never a crash.
    std::mt19937 random(99);
    for (int i = 0; i < 300; ++i) {
        std::string noise(std::size_t(random() % 200), '\0');
        for (char& ch : noise) ch = char(random());
        DecodeReplay(noise);
        if (const auto replay = DecodeReplay(TextOf(noise))) PlayReplay(*replay, 2000);
        std::string flipped = good;
        flipped[random() % flipped.size()] = "AZaz09-_"[random() % 8];
        if (const auto replay = DecodeReplay(flipped)) PlayReplay(*replay, 50000);
    }
}

TEST(Replay, ARestoredGameContinuesItsReplayWhenTheSavedBoardMatches) {
    for (const Level level : {Level::Novice, Level::Master}) {
        // A game played a while and saved at rest, as the window saves it.
        BotGame first(level, 31);
        for (int i = 0; i < 400 || !first.game->IsSettled(); ++i) first.Frame();
        ASSERT_FALSE(first.game->GameOver());
        ASSERT_GT(first.game->Replay()->inputs.size(), 2u);
        const TSavedGame saved = first.Saved();
        const GameReplay replay = *first.game->Replay();

        BotGame restored(level, 999, saved, replay);
        ASSERT_TRUE(restored.game->ContinuedReplay());
        ASSERT_TRUE(restored.game->Replay());
        EXPECT_EQ(restored.Board(), first.Board());
        EXPECT_EQ(restored.game->Score(), first.game->Score());
        EXPECT_EQ(restored.game->SelectedCell(), first.game->SelectedCell());
        EXPECT_EQ(restored.game->Replay()->ticks, replay.ticks);
        EXPECT_EQ(restored.game->StartState(), replay.startState);

        // Both go on with the same clicks at the same frames and end alike, and the
        // continued record verifies to the score the restored game reached.
        restored.bot = first.bot;
        for (int i = 0; i < 300; ++i) {
            first.PacedFrame(i % 10 == 0);
            restored.PacedFrame(i % 10 == 0);
        }
        EXPECT_EQ(restored.Board(), first.Board());
        EXPECT_EQ(restored.game->Score(), first.game->Score());
        ASSERT_TRUE(restored.PlayToEnd());
        const ReplayRun run = PlayReplay(*restored.game->Replay());
        ASSERT_TRUE(run.played);
        EXPECT_TRUE(run.outcome.gameOver);
        EXPECT_EQ(run.outcome.score, restored.game->Score());
        EXPECT_EQ(run.outcome.board, restored.Board());
    }
}

TEST(Replay, ARestoredGameWithoutAMatchingReplayPlaysOnUnrecorded) {
    BotGame first(Level::Expert, 44);
    for (int i = 0; i < 400 || !first.game->IsSettled(); ++i) first.Frame();
    ASSERT_FALSE(first.game->GameOver());
    const TSavedGame saved = first.Saved();
    const GameReplay replay = *first.game->Replay();

    TSavedGame edited = saved;
    for (int c = 1; c <= 16; ++c)
        if (edited.cells[16][c]) {
            edited.cells[16][c] = edited.cells[16][c] % 7 + 1;
            break;
        }
    TSavedGame richer = saved;
    richer.score += 1;
    GameReplay otherLevel = replay;
    otherLevel.level = Level::Novice;
    for (const auto& [board, record] : std::vector<std::pair<TSavedGame, std::optional<GameReplay>>>{
             {saved, std::nullopt}, {edited, replay}, {richer, replay}, {saved, otherLevel}}) {
        BotGame restored(Level::Expert, 3, board, record);
        EXPECT_FALSE(restored.game->ContinuedReplay());
        EXPECT_FALSE(restored.game->Replay());
        EXPECT_EQ(restored.game->Score(), board.score);
        EXPECT_EQ(ColoursOf(restored.game->Grid()), board.cells);
        // The next game records again.
        restored.game->NewGame();
        EXPECT_TRUE(restored.game->Replay());
    }
}

TEST(Replay, AReplayOfATypicalGameIsSmall) {
    for (const Level level : {Level::Novice, Level::Expert, Level::Master}) {
        const GameReplay replay = FinishedReplay(level, 17);
        EXPECT_LT(EncodeReplay(replay).size(), 3000u) << replay.inputs.size() << " inputs, " << replay.ticks << " ticks";
    }
}

namespace {

bool Has(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

// The reason a changed copy of a finished game is refused, or empty when it verifies.
std::string RefusalOf(const GameReplay& changed, Level level, int score) {
    return VerifyReplay(EncodeReplay(changed), level, score).reason;
}

} // namespace

TEST(ReplayFidelity, ABotGamesRecordIsExactlyWhatTheRulesTakeOfIt) {
    for (const Level level : {Level::Novice, Level::Expert, Level::Master})
        for (std::uint32_t seed = 100; seed < 110; ++seed) {
            const GameReplay recorded = FinishedReplay(level, seed);
            for (const PlayTo to : {PlayTo::LastTick, PlayTo::GameEnd}) {
                const ReplayRun run = PlayReplay(recorded, kReplayTickBudget, to);
                ASSERT_TRUE(run.played);
                EXPECT_EQ(run.taken, recorded) << "level " << int(level) << " seed " << seed;
                EXPECT_EQ(UnfaithfulReason(recorded, run.taken), std::nullopt);
            }
        }
}

TEST(ReplayFidelity, WhatWasAddedAfterTheGameOrNeverTakenIsRefused) {
    int score = 0;
    const GameReplay replay = FinishedReplay(Level::Expert, 23, &score);
    ASSERT_TRUE(RefusalOf(replay, Level::Expert, score).empty());
    const CourtGeometry g;
    const int midX = g.courtLeft + g.courtWidth / 2, midY = g.courtTop + g.courtHeight / 2;

    for (const std::uint32_t extra : {1u, 40u, kReplayTickBudget - replay.ticks}) {
        GameReplay padded = replay;
        padded.ticks += extra;
        EXPECT_TRUE(Has(RefusalOf(padded, Level::Expert, score), "after its game ended")) << extra;
    }
    GameReplay clickAfter = replay;
    clickAfter.inputs.push_back({replay.ticks, ReplayInput::Kind::Click, midX, midY});
    EXPECT_TRUE(Has(RefusalOf(clickAfter, Level::Expert, score), "input after its game ended"));

    GameReplay offCourt = replay;
    offCourt.inputs.insert(offCourt.inputs.begin(),
                           {0, ReplayInput::Kind::Click, g.courtLeft + g.courtWidth + 60, midY});
    EXPECT_TRUE(Has(RefusalOf(offCourt, Level::Expert, score), "did not take, on frame 0"));

    GameReplay idlePace = replay;
    idlePace.inputs.insert(idlePace.inputs.begin(), {0, ReplayInput::Kind::Pace, 0, 0});
    EXPECT_TRUE(Has(RefusalOf(idlePace, Level::Expert, score), "did not take"));

    GameReplay unfinished = replay;
    unfinished.finished = false;
    EXPECT_TRUE(Has(RefusalOf(unfinished, Level::Expert, score), "did not end, but it ended"));

    GameReplay counted = replay;
    const auto unused = std::find(counted.frameCounts.begin(), counted.frameCounts.end(), 0);
    if (unused != counted.frameCounts.end()) {
        *unused = 9;
        EXPECT_TRUE(Has(RefusalOf(counted, Level::Expert, score), "frame counts"));
    }

    // A click the moment after each click: while a thrown ball flies the rules take none, and
    // such a copy is refused; one they do take plays a game of its own, judged as such.
    int refused = 0;
    for (std::size_t i = 0; i < replay.inputs.size(); ++i) {
        const ReplayInput& click = replay.inputs[i];
        if (click.kind != ReplayInput::Kind::Click) continue;
        if (i + 1 < replay.inputs.size() && replay.inputs[i + 1].tick <= click.tick + 1) continue;
        GameReplay doubled = replay;
        doubled.inputs.insert(doubled.inputs.begin() + std::ptrdiff_t(i) + 1,
                              {click.tick + 1, ReplayInput::Kind::Click, click.x, click.y});
        const std::string reason = RefusalOf(doubled, Level::Expert, score);
        if (Has(reason, "did not take")) ++refused;
    }
    EXPECT_GT(refused, 3);
}

TEST(GameIdentity, ReplaysThatPlayTheSameGameShareItAndOthersDoNot) {
    for (const Level level : {Level::Novice, Level::Master}) {
        int score = 0;
        const GameReplay replay = FinishedReplay(level, 61, &score);
        const ReplayVerdict original = VerifyReplay(EncodeReplay(replay), level, score);
        ASSERT_TRUE(original.verified) << original.reason;
        ASSERT_FALSE(original.identity.empty());
        // The uncompressed form of the same replay.
        EXPECT_EQ(VerifyReplay(TextOf(ReplayBytes(replay)), level, score).identity, original.identity);

        // Each click clicked twice on its frame, or moved by a pixel: a copy that verifies
        // plays the very same game exactly when its identity is the original's.
        int same = 0;
        for (std::size_t i = 0; i < replay.inputs.size(); ++i) {
            if (replay.inputs[i].kind != ReplayInput::Kind::Click) continue;
            GameReplay twice = replay;
            twice.inputs.insert(twice.inputs.begin() + std::ptrdiff_t(i), replay.inputs[i]);
            GameReplay nudged = replay;
            nudged.inputs[i].x += 1;
            for (const GameReplay& copy : {twice, nudged}) {
                const ReplayRun run = PlayReplay(copy, kReplayTickBudget, PlayTo::GameEnd);
                ASSERT_TRUE(run.played);
                const ReplayVerdict verdict = VerifyReplay(EncodeReplay(copy), level, score);
                if (!verdict.verified) continue;
                if (verdict.identity == original.identity) {
                    ++same;
                    EXPECT_EQ(run.outcome.board, PlayReplay(replay).outcome.board);
                    EXPECT_EQ(run.outcome.ticks, replay.ticks);
                }
            }
        }
        EXPECT_GT(same, 0) << "no click of the game could be repeated or moved without changing the game";
        // Another start is another game.
        GameReplay elsewhere = replay;
        elsewhere.startState += 1;
        EXPECT_NE(PlayReplay(elsewhere, kReplayTickBudget, PlayTo::GameEnd).identity, original.identity);
    }
}
