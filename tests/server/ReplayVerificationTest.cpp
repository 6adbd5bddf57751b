// What the server makes of a publish's replay: a real finished game verifies, each way a
// replay can be wrong leaves a reason, hostile text never crashes; and the verification
// workers' queue stays bounded.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <random>
#include <thread>

#include "ReplayGames.hpp"
#include "TextSearch.hpp"
#include "rules/ReplayPlayer.hpp"
#include "server/ReplayCheck.hpp"
#include "server/ReplayVerifier.hpp"

using namespace server;

namespace {

const PlayedGame& aGame() {
    static const std::optional<PlayedGame> played = PlayGame(2, 7);
    if (!played) throw std::runtime_error("the rules recorded no replay");
    return *played;
}

TEST(CheckReplay, AFinishedGameVerifiesWithItsHashAndFinalCourt) {
    const PlayedGame& g = aGame();
    const ReplayCheck check = CheckReplay(g.replay, g.level, g.score);
    EXPECT_TRUE(check.verified) << check.reason;
    EXPECT_EQ(check.reason, "");
    EXPECT_EQ(check.replay, g.replay);
    EXPECT_EQ(check.replayHash.size(), 64u);
    EXPECT_TRUE(SplitBoard(check.board)) << check.board;
    // The same game sent again, with white space after it, is the same replay.
    const ReplayCheck again = CheckReplay(g.replay + "\r\n", g.level, g.score);
    EXPECT_TRUE(again.verified);
    EXPECT_EQ(again.replayHash, check.replayHash);
}

TEST(CheckReplay, AGameIsItsOwnWhateverBytesCarryIt) {
    const PlayedGame& g = aGame();
    const ReplayCheck original = CheckReplay(g.replay, g.level, g.score);
    ASSERT_TRUE(original.verified) << original.reason;
    // Copies that play the same game in other bytes hash as the game does.
    int same = 0;
    for (const std::string& copy : RepeatedClickCopies(g.replay)) {
        const ReplayCheck check = CheckReplay(copy, g.level, g.score);
        if (!check.verified) continue;
        ++same;
        EXPECT_EQ(check.replayHash, original.replayHash);
    }
    EXPECT_GT(same, 0);
    // Copies with something after the game or never taken are not faithful recordings; the
    // frames after the end are not played.
    struct Case {
        const char* what;
        std::function<void(rules::GameReplay&)> change;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"frames after the end", [](rules::GameReplay& r) { r.ticks = rules::kReplayTickBudget; },
         "after its game ended"},
        {"a click after the end",
         [](rules::GameReplay& r) {
             r.inputs.push_back({r.ticks, rules::ReplayInput::Kind::Click, 200, 200});
         },
         "after its game ended"},
        {"a click right of the court",
         [](rules::GameReplay& r) {
             r.inputs.insert(r.inputs.begin(), {0, rules::ReplayInput::Kind::Click, 900, 200});
         },
         "did not take"},
        {"the end flag cleared", [](rules::GameReplay& r) { r.finished = false; }, "did not end"},
    };
    for (const Case& c : cases) {
        const auto started = std::chrono::steady_clock::now();
        const ReplayCheck check = CheckReplay(ChangedReplay(g.replay, c.change), g.level, g.score);
        EXPECT_FALSE(check.verified) << c.what;
        EXPECT_TRUE(Contains(check.reason, c.reason)) << c.what << ": " << check.reason;
        EXPECT_TRUE(check.replayHash.empty()) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20)) << c.what;
    }
}

TEST(CheckReplay, EveryWrongReplayIsUnverifiedWithAReason) {
    const PlayedGame& g = aGame();
    struct Case {
        const char* what;
        std::string text;
        int level;
        std::int32_t score;
        bool kept;  // the text is stored with the record
    };
    std::string cut = g.replay.substr(0, g.replay.size() / 2);
    std::string flipped = g.replay;
    flipped[flipped.size() / 2] = flipped[flipped.size() / 2] == 'A' ? 'B' : 'A';
    const std::vector<Case> cases = {
        {"a score one higher", g.replay, g.level, g.score + 1, true},
        {"a score one lower", g.replay, g.level, g.score - 1, true},
        {"another level", g.replay, g.level % 3 + 1, g.score, true},
        {"a cut replay", cut, g.level, g.score, true},
        {"a changed character", flipped, g.level, g.score, true},
        {"an unfinished game", UnfinishedReplay(g.level), g.level, 0, true},
        {"base64url of nothing", "AAAA", g.level, g.score, true},
        {"percent-decoded garbage", "ab+/=\xff\x01", g.level, g.score, false},
        {"too long", std::string(kMaxStoredReplay + 1, 'A'), g.level, g.score, false},
    };
    for (const Case& c : cases) {
        const ReplayCheck check = CheckReplay(c.text, c.level, c.score);
        EXPECT_FALSE(check.verified) << c.what;
        EXPECT_FALSE(check.reason.empty()) << c.what;
        EXPECT_EQ(check.reason.find('\t'), std::string::npos) << c.what;
        EXPECT_EQ(check.reason.find('\n'), std::string::npos) << c.what;
        EXPECT_EQ(check.replay.empty(), !c.kept) << c.what;
        EXPECT_TRUE(check.replayHash.empty()) << c.what;
        EXPECT_TRUE(check.board.empty()) << c.what;
    }
    EXPECT_EQ(CheckReplay("", 1, 0).reason, "no replay");
    EXPECT_EQ(CheckReplay(" \n", 1, 0).reason, "no replay");
    EXPECT_TRUE(Contains(CheckReplay(std::string(9000, 'A'), 1, 0).reason, "too long"));
    EXPECT_EQ(CheckReplay("a.b", 1, 0).reason, "replay is not base64url text");
}

TEST(CheckReplay, RandomTextNeverCrashesOrVerifies) {
    std::mt19937 random(20);
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    for (int i = 0; i < 300; ++i) {
        std::string text(std::uniform_int_distribution<std::size_t>(1, 3000)(random), 'A');
        for (char& c : text) c = alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
        EXPECT_FALSE(CheckReplay(text, 1 + i % 3, i).verified);
    }
    // Real replays with a character changed: one that still verifies is the same game (a
    // change in the unused bits of the last character), never another.
    const PlayedGame& g = aGame();
    const std::string original = CheckReplay(g.replay, g.level, g.score).replayHash;
    for (int i = 0; i < 100; ++i) {
        std::string text = g.replay;
        text[std::uniform_int_distribution<std::size_t>(0, text.size() - 1)(random)] =
            alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
        const ReplayCheck check = CheckReplay(text, g.level, g.score);
        if (check.verified) {
            EXPECT_EQ(check.replayHash, original);
        }
    }
}

TEST(ReplayHelpers, HashBoardsAndReasons) {
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    std::array<std::string, 16> rows;
    rows.fill("0000000000000000");
    rows[15] = "1234567012345670";
    const std::string board = JoinBoard(rows);
    EXPECT_EQ(board.size(), 16u * 17u - 1u);
    EXPECT_EQ(SplitBoard(board), rows);
    for (const std::string& bad : {std::string(), board.substr(1), board + "/", std::string(board).replace(0, 1, "8"),
                                   std::string(board).replace(16, 1, "0"), std::string(board).replace(3, 1, "<")})
        EXPECT_FALSE(SplitBoard(bad)) << bad;
    EXPECT_EQ(OneLineReason("a\tb\nc"), "a b c");
    EXPECT_EQ(OneLineReason(std::string(1000, 'x')).size(), 200u);
}

// A check function that waits until released, counting the checks begun.
struct Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool open = false;
    std::atomic<int> begun{0};

    ReplayVerifier::CheckFunction Function() {
        return [this](const std::string& text, int, std::int32_t) {
            ++begun;
            std::unique_lock guard(lock);
            changed.wait(guard, [this] { return open; });
            ReplayCheck check;
            check.reason = "checked " + text;
            return check;
        };
    }
    void Open() {
        std::lock_guard guard(lock);
        open = true;
        changed.notify_all();
    }
};

Deadline in(int ms) { return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms); }

// The answers of submitted checks, in the order they came.
struct Answers {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> got; // "checked TEXT" or "dropped TEXT"

    ReplayVerifier::Done For(const std::string& text) {
        return [this, text](std::optional<ReplayCheck> check) {
            std::lock_guard guard(lock);
            got.push_back(check ? check->reason : "dropped " + text);
            changed.notify_all();
        };
    }
    std::vector<std::string> WaitFor(std::size_t count) {
        std::unique_lock guard(lock);
        changed.wait_for(guard, std::chrono::seconds(20), [&] { return got.size() >= count; });
        return got;
    }
};

TEST(ReplayVerifier, TheCheapestCheckBeginsFirstAndAFullQueueDropsItsCostliest) {
    Gate gate;
    Answers answers;
    {
        ReplayVerifier verifier(1, 2, gate.Function());
        verifier.Submit("running", 1, 0, 100, in(20'000), answers.For("running"));
        while (gate.begun == 0) std::this_thread::yield();
        verifier.Submit("dear", 1, 0, 5000, in(20'000), answers.For("dear"));
        verifier.Submit("middle", 1, 0, 3000, in(20'000), answers.For("middle"));
        // Full: a dearer check is dropped at once, a cheaper one takes the costliest's place.
        verifier.Submit("dearest", 1, 0, 9000, in(20'000), answers.For("dearest"));
        verifier.Submit("cheap", 1, 0, 50, in(20'000), answers.For("cheap"));
        EXPECT_EQ(answers.WaitFor(2), (std::vector<std::string>{"dropped dearest", "dropped dear"}));
        EXPECT_EQ(verifier.Waiting(), 2u);
        gate.Open();
        EXPECT_EQ(answers.WaitFor(5),
                  (std::vector<std::string>{"dropped dearest", "dropped dear", "checked running",
                                            "checked cheap", "checked middle"}));
    }
    EXPECT_EQ(gate.begun, 3);
}

TEST(ReplayVerifier, ACheckNotDoneByItsDeadlineIsAnsweredThenWhateverTheWorkersDo) {
    Gate gate;
    Answers answers;
    ReplayVerifier verifier(1, 8, gate.Function());
    verifier.Submit("slow", 1, 0, 10, in(300), answers.For("slow"));
    while (gate.begun == 0) std::this_thread::yield();
    verifier.Submit("waiting", 1, 0, 10, in(200), answers.For("waiting"));
    // Both are answered at their deadlines though the worker is held all along.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(answers.WaitFor(2), (std::vector<std::string>{"dropped waiting", "dropped slow"}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(verifier.Waiting(), 0u);
    gate.Open();
    // The one begun goes on for nobody; the dropped one never runs.
    verifier.Submit("later", 1, 0, 10, in(5'000), answers.For("later"));
    EXPECT_EQ(answers.WaitFor(3).back(), "checked later");
    EXPECT_EQ(gate.begun, 2);
}

TEST(ReplayVerifier, StoppingAnswersEveryWaitingCheck) {
    Gate gate;
    Answers answers;
    std::thread opener;
    {
        ReplayVerifier verifier(1, 8, gate.Function());
        verifier.Submit("running", 1, 0, 10, in(20'000), answers.For("running"));
        while (gate.begun == 0) std::this_thread::yield();
        for (const char* text : {"a", "b", "c"})
            verifier.Submit(text, 1, 0, 10, in(20'000), answers.For(text));
        opener = std::thread([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            gate.Open();
        });
    }
    opener.join();
    const std::vector<std::string> got = answers.WaitFor(4);
    EXPECT_EQ(got.size(), 4u);
    EXPECT_EQ(std::count(got.begin(), got.end(), "checked running"), 1);
    EXPECT_EQ(gate.begun, 1);
}

TEST(ReplayVerifier, TextThatNeedsNoPlayingIsJudgedWithoutTheQueue) {
    Gate gate;
    ReplayVerifier verifier(1, 1, gate.Function());
    for (const auto& [text, reason] : std::vector<std::pair<std::string, std::string>>{
             {"", "no replay"},
             {"not base64!", "replay is not base64url text"},
             {"AAAA", "does not decode"},
             {IdleReplay(1, rules::kReplayTickBudget + 1), "more than the"}}) {
        const auto check = verifier.Check(text, 1, 0, in(20'000));
        ASSERT_TRUE(check) << text;
        EXPECT_TRUE(Contains(check->reason, reason)) << check->reason;
    }
    EXPECT_EQ(gate.begun, 0);
}

TEST(ReplayVerifier, ChecksRealReplaysOnSeveralWorkers) {
    const PlayedGame& g = aGame();
    ReplayVerifier verifier(2);
    std::vector<std::thread> threads;
    std::atomic<int> verified{0};
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] {
            const auto check = verifier.Check(g.replay, g.level, g.score + (i % 2), in(30'000));
            if (check && check->verified) ++verified;
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(verified, 4);
}

} // namespace
