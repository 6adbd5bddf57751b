// Bot games recorded in the headless game window and played again from their replays on the
// pure rules: every one must end exactly where the recording game ended. Then the ways a
// replay can be tampered with: none may verify a score its game did not earn, none may crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "HeadlessSession.hpp"
#include "RecordCommand.hpp"
#include "SoakBot.hpp"
#include "VerifyCommand.hpp"
#include "rules/GameReplay.hpp"
#include "rules/ReplayPlayer.hpp"

namespace {

using sim::HeadlessSession;
using sim::RecordedGame;
using sim::ReplayCheck;
using sim::SoakBot;
using sim::CheckReplayText;
using sim::OutcomeLine;
using sim::RecordGame;

rules::GameSettings SettingsOf(int level) {
    rules::GameSettings settings;
    settings.level = rules::Level(level);
    return settings;
}

RecordedGame RecordInWindow(HeadlessSession& session, int level, std::uint32_t seed, SoakBot::Kind bot) {
    std::ostringstream err;
    RecordedGame recorded = RecordGame(&session, SettingsOf(level), seed, bot, err);
    EXPECT_TRUE(recorded.recorded) << "level " << level << " seed " << seed << ": " << recorded.failure << "\n"
                                   << err.str();
    return recorded;
}

// The games of one level in two halves, so that the six parts run side by side.
class BotGames : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(BotGames, VerifyWithTheScoreAndBoardOfTheRecordingGame) {
    const auto [level, half] = GetParam();
    std::vector<sim::BotGame> ofLevel;
    for (const sim::BotGame& bot : sim::ThousandBotGames())
        if (bot.level == rules::Level(level)) ofLevel.push_back(bot);
    ASSERT_GE(ofLevel.size(), 333u);
    const std::size_t middle = ofLevel.size() / 2;
    const std::vector<sim::BotGame> games(half == 0 ? ofLevel.begin() : ofLevel.begin() + std::ptrdiff_t(middle),
                                          half == 0 ? ofLevel.begin() + std::ptrdiff_t(middle) : ofLevel.end());
    HeadlessSession session;
    int played = 0, greedy = 0;
    for (std::size_t index = REPLAY_GAME_FIRST; index < games.size(); index += REPLAY_GAME_STRIDE) {
        const sim::BotGame& bot = games[index];
        ++played;
        greedy += bot.bot == SoakBot::Kind::Greedy;
        const std::uint32_t seed = bot.seed;
        const RecordedGame recorded = RecordInWindow(session, level, seed, bot.bot);
        ASSERT_TRUE(recorded.recorded);
        SCOPED_TRACE("level " + std::to_string(level) + " seed " + std::to_string(seed));

        const std::string text = rules::EncodeReplay(recorded.replay);
        const std::optional<rules::GameReplay> decoded = rules::DecodeReplay(text);
        ASSERT_TRUE(decoded);
        ASSERT_TRUE(*decoded == recorded.replay);

        const ReplayCheck check = CheckReplayText(text);
        ASSERT_TRUE(check.played) << check.failure;
        EXPECT_TRUE(check.verified);
        // The whole line: level, score, the end of the game, the ticks and every row of the board.
        EXPECT_EQ(OutcomeLine("verified", check.verified, check.outcome),
                  OutcomeLine("verified", true, recorded.outcome));

        const rules::ReplayVerdict verdict =
            rules::VerifyReplay(text, rules::Level(level), recorded.outcome.score);
        EXPECT_TRUE(verdict.verified) << verdict.reason;
    }
    std::cout << "level " << level << " part " << half + 1 << ": " << played << " games recorded and verified, " << greedy
              << " of them the greedy bot's" << std::endl;
}

// The replay fuzzer starts from real replays; they must stay replays of the current format,
// in both the text and the uncompressed form.
TEST(FuzzSeeds, AreRealReplaysThatDecode) {
    int texts = 0, bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(HOOPSTACK_REPLAY_SEEDS)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::string error;
        if (entry.path().extension() == ".text") {
            ++texts;
            const std::optional<rules::GameReplay> replay = rules::DecodeReplay(content, &error);
            ASSERT_TRUE(replay) << entry.path() << ": " << error;
            EXPECT_TRUE(replay->finished) << entry.path();
        } else if (entry.path().extension() == ".bytes") {
            ++bytes;
            EXPECT_TRUE(rules::ParseReplayBytes(content, &error)) << entry.path() << ": " << error;
        }
    }
    EXPECT_GE(texts, 6);
    EXPECT_EQ(bytes, texts);
}

INSTANTIATE_TEST_SUITE_P(Levels, BotGames, ::testing::Combine(::testing::Values(0, 1, 2), ::testing::Values(0, 1)));

// A few recorded games of each level with clicks, paces and ends of both kinds to tamper with.
// The sanitizer build, whose window plays many times slower, tampers with one random bot's game
// of each level.
constexpr std::uint32_t kTamperSeeds = REPLAY_GAME_STRIDE == 1 ? 4 : 1;

class Tampering : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HeadlessSession session;
        for (int level = 0; level < rules::kLevels; ++level)
            for (std::uint32_t seed = 11u; seed < 11u + kTamperSeeds; ++seed) {
                const SoakBot::Kind bot = seed == 14u ? SoakBot::Kind::Greedy : SoakBot::Kind::Random;
                RecordedGame recorded = RecordInWindow(session, level, 500 + seed + 100 * std::uint32_t(level), bot);
                if (recorded.recorded) s_games.push_back(std::move(recorded));
            }
    }
    static void TearDownTestSuite() { s_games.clear(); }

    void SetUp() override { ASSERT_EQ(s_games.size(), 3u * kTamperSeeds); }

    // A replay with nothing but what the rules took of it up to its game's end.
    static bool Faithful(const rules::GameReplay& replay) {
        const rules::ReplayRun run =
            rules::PlayReplay(replay, rules::kReplayTickBudget, rules::PlayTo::GameEnd);
        return run.played && run.taken == replay;
    }

    // Whether the text verifies for the claim, checked against playing it: the verdict is yes
    // exactly when the text decodes, plays into a finished game at that level with that score,
    // and holds nothing but what the rules took of it.
    static bool Verifies(const std::string& text, rules::Level level, int score) {
        const rules::ReplayVerdict verdict = rules::VerifyReplay(text, level, score);
        EXPECT_EQ(verdict.verified, verdict.reason.empty()) << verdict.reason;
        const std::optional<rules::GameReplay> decoded = rules::DecodeReplay(text);
        bool earned = false;
        if (decoded) {
            const rules::ReplayRun run = rules::PlayReplay(*decoded);
            earned = run.played && run.outcome.gameOver && run.outcome.level == level &&
                     run.outcome.score == score && Faithful(*decoded);
        }
        EXPECT_EQ(verdict.verified, earned) << "the verdict differs from playing the replay: " << verdict.reason;
        return verdict.verified;
    }

    static std::vector<RecordedGame> s_games;
};

std::vector<RecordedGame> Tampering::s_games;

TEST_F(Tampering, AnotherScoreOrLevelIsNeverVerified) {
    int movedLevels = 0, movedVerified = 0;
    for (const RecordedGame& game : s_games) {
        const std::string text = rules::EncodeReplay(game.replay);
        const rules::Level level = game.replay.level;
        const int score = game.outcome.score;
        EXPECT_TRUE(Verifies(text, level, score));
        EXPECT_FALSE(Verifies(text, level, score + 1));
        EXPECT_FALSE(Verifies(text, level, score - 1));
        for (int other = 0; other < rules::kLevels; ++other) {
            if (rules::Level(other) == level) continue;
            EXPECT_FALSE(Verifies(text, rules::Level(other), score));
            // The replay itself moved to another level is another game: never one of the
            // report's level, and of its new level only when that game earns the score.
            rules::GameReplay moved = game.replay;
            moved.level = rules::Level(other);
            const std::string movedText = rules::EncodeReplay(moved);
            EXPECT_FALSE(Verifies(movedText, level, score));
            ++movedLevels;
            movedVerified += Verifies(movedText, rules::Level(other), score);
        }
    }
    std::cout << "replays moved to another level: " << movedLevels << ", " << movedVerified
              << " of them verified there (their game at that level earns the same score)" << std::endl;
}

TEST_F(Tampering, ACutReplayIsNeverVerified) {
    for (const RecordedGame& game : s_games) {
        const std::string text = rules::EncodeReplay(game.replay);
        const rules::Level level = game.replay.level;
        const int score = game.outcome.score;
        // The text cut anywhere.
        for (std::size_t keep : {std::size_t(0), std::size_t(1), text.size() / 4, text.size() / 2,
                                 text.size() - 4, text.size() - 2, text.size() - 1})
            EXPECT_FALSE(Verifies(text.substr(0, keep), level, score)) << "kept " << keep << " of " << text.size();
        // The game cut before its end, as a saved game's replay is, claiming the end or not.
        for (std::uint32_t ticks : {game.replay.ticks / 2, game.replay.ticks - 1}) {
            rules::GameReplay cut = game.replay;
            cut.ticks = ticks;
            std::erase_if(cut.inputs,
                          [ticks](const rules::ReplayInput& input) { return input.tick > ticks; });
            for (bool finished : {false, true}) {
                cut.finished = finished;
                EXPECT_FALSE(Verifies(rules::EncodeReplay(cut), level, score)) << ticks << " ticks";
            }
        }
        // The last input dropped: its own game, judged by playing it.
        if (!game.replay.inputs.empty()) {
            rules::GameReplay fewer = game.replay;
            fewer.inputs.pop_back();
            Verifies(rules::EncodeReplay(fewer), level, score);
        }
    }
}

TEST_F(Tampering, RandomBytesAreNeverVerifiedAndNeverCrash) {
    std::mt19937 random(2026);
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    for (int round = 0; round < 2000; ++round) {
        std::string text(std::uniform_int_distribution<std::size_t>(0, 4000)(random), '\0');
        for (char& ch : text)
            ch = round % 2 ? char(random() & 0xFF) : alphabet[random() % alphabet.size()];
        EXPECT_FALSE(Verifies(text, rules::Level(round % 3), round)) << "round " << round;
    }
    // A real replay's first bytes with noise after them.
    const std::string real = rules::EncodeReplay(s_games.front().replay);
    for (int round = 0; round < 500; ++round) {
        std::string text = real.substr(0, real.size() / 3);
        for (int i = 0; i < 200; ++i) text += alphabet[random() % alphabet.size()];
        EXPECT_FALSE(Verifies(text, s_games.front().replay.level, s_games.front().outcome.score));
    }
}

// An input moved by one pixel or one tick plays a game of its own: it verifies only when that
// game ends with the claimed score on the replay's last frame, as any real game would (a click
// one pixel off on the same ball selects the same ball); a moved game that ends elsewhere
// verifies with no score, since its replay no longer ends where its game does. Every verdict
// is checked against playing the moved replay.
TEST_F(Tampering, AMovedInputVerifiesOnlyWhatItsOwnGameEarns) {
    int moved = 0, refused = 0, ownScore = 0, sameGame = 0, otherGame = 0;
    for (const RecordedGame& game : s_games) {
        const rules::Level level = game.replay.level;
        const int score = game.outcome.score;
        const std::size_t count = game.replay.inputs.size();
        // At most 16 inputs of each game, spread over it.
        const std::size_t step = std::max<std::size_t>(1, count / 16);
        for (std::size_t index = 0; index < count; index += step) {
            const rules::ReplayInput& input = game.replay.inputs[index];
            std::vector<rules::GameReplay> variants;
            if (input.kind == rules::ReplayInput::Kind::Click)
                for (const auto& [dx, dy] : {std::pair{1, 0}, std::pair{-1, 0}, std::pair{0, 1}, std::pair{0, -1}}) {
                    rules::GameReplay variant = game.replay;
                    variant.inputs[index].x += dx;
                    variant.inputs[index].y += dy;
                    variants.push_back(std::move(variant));
                }
            for (int dt : {1, -1}) {
                if (dt < 0 && input.tick == 0) continue;
                rules::GameReplay variant = game.replay;
                variant.inputs[index].tick = std::uint32_t(std::int64_t(input.tick) + dt);
                variants.push_back(std::move(variant));
            }
            for (const rules::GameReplay& variant : variants) {
                ++moved;
                const std::string text = rules::EncodeReplay(variant);
                // The moved game itself, played from its text: what it earns decides the verdict. A
                // text that no longer decodes (an input moved before the one ahead of it) is no game.
                const std::optional<rules::GameReplay> decoded = rules::DecodeReplay(text);
                const rules::ReplayRun run = decoded ? rules::PlayReplay(*decoded) : rules::ReplayRun{};
                const bool finished = decoded && run.played && run.outcome.gameOver &&
                                      run.outcome.level == level && Faithful(*decoded);
                const bool earned = finished && run.outcome.score == score;
                EXPECT_EQ(Verifies(text, level, score), earned)
                    << "input " << index << " moved, own game ends with " << run.outcome.score;
                if (!earned) {
                    ++refused;
                    if (finished) {
                        ++ownScore;
                        EXPECT_TRUE(Verifies(text, level, run.outcome.score))
                            << "input " << index << " moved: not verified with its own score "
                            << run.outcome.score;
                    }
                    continue;
                }
                // Verified: the moved game ends with the same score; on the same board or not.
                if (run.outcome.board == game.outcome.board && run.outcome.ticks == game.outcome.ticks)
                    ++sameGame;
                else
                    ++otherGame;
            }
        }
    }
    // Moving inputs changes games.
    EXPECT_GT(moved, 0);
    EXPECT_GT(refused, 0);
    std::cout << "inputs moved by one pixel or one tick: " << moved << "; refused " << refused << " ("
              << ownScore << " of them verified with the score of their own game); verified "
              << sameGame + otherGame << " (" << sameGame << " end as the recorded game did, " << otherGame
              << " end elsewhere with the same score)" << std::endl;
}

} // namespace
