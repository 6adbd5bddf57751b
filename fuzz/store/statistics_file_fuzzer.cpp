// Reads arbitrary bytes as a statistics file, both as they are and with a right checksum line
// added (random bytes rarely carry one): a text that is read must be exactly the text its
// statistics write, and the statistics must take a day's attempt and give its streaks.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "store/Crc32.hpp"
#include "store/DailyStreak.hpp"
#include "store/PlayStatistics.hpp"

namespace {

void check(const std::string& text) {
    auto statistics = store::PlayStatistics::FromText(text);
    if (!statistics) return;
    if (statistics->Text() != text) __builtin_trap();
    const std::int64_t today = statistics->Attempts().empty() ? 0 : statistics->Attempts().back().day;
    const store::DailyStreaks before = store::StreaksOf(*statistics, today);
    if (before.current < 0 || before.best < before.current) __builtin_trap();
    if (today < INT64_MAX && statistics->BeginDailyAttempt(today + 1, 1)) {
        if (!statistics->FinishDailyAttempt(today + 1, 1)) __builtin_trap();
        if (store::PlayStatistics::FromText(statistics->Text()) != statistics) __builtin_trap();
    }
    statistics->RecordGameStarted(2);
    statistics->RecordGameFinished(2, 100);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    check(bytes);
    char crc[16];
    std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(store::crc32(data, size)));
    check(bytes + "crc " + crc + "\n");
    return 0;
}
