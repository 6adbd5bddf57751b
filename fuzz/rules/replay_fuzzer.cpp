// Reads arbitrary input as a replay, both as its text and as its uncompressed bytes (random
// input rarely inflates, so the inner reader is fed directly as well). Whatever is accepted must
// write and read back to itself in both forms, and must play on the rules within a small tick
// budget, or be refused with a reason, without a fault.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "rules/GameReplay.hpp"
#include "rules/ReplayPlayer.hpp"

namespace {

// Small, so that every input plays quickly; the decoder's limits are what is fuzzed here.
constexpr std::uint32_t kTickBudget = 2000;

void check(bool condition) {
    if (!condition) __builtin_trap();
}

void checkAccepted(const rules::GameReplay& replay) {
    check(static_cast<int>(replay.level) >= 0 && static_cast<int>(replay.level) <= 2);
    check(replay.inputs.size() <= rules::kMaxReplayInputs);

    const std::optional<rules::GameReplay> fromText = rules::DecodeReplay(rules::EncodeReplay(replay));
    check(fromText && *fromText == replay);
    const std::string bytes = rules::ReplayBytes(replay);
    const std::optional<rules::GameReplay> fromBytes = rules::ParseReplayBytes(bytes);
    check(fromBytes && *fromBytes == replay);
    check(rules::ReplayBytes(*fromBytes) == bytes);

    const rules::ReplayRun run = rules::PlayReplay(replay, kTickBudget);
    if (!run.played) {
        check(!run.failure.empty());
        return;
    }
    check(run.outcome.level == replay.level);
    check(run.outcome.score >= 0);
    for (const std::string& row : run.outcome.board) {
        check(row.size() == 16);
        for (const char colour : row) check(colour >= '0' && colour <= '7');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string error;
    if (const std::optional<rules::GameReplay> replay = rules::DecodeReplay(input, &error))
        checkAccepted(*replay);
    else
        check(!error.empty());

    error.clear();
    if (const std::optional<rules::GameReplay> replay = rules::ParseReplayBytes(input, &error))
        checkAccepted(*replay);
    else
        check(!error.empty());
    return 0;
}
