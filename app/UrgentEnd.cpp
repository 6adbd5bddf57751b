#include "app/UrgentEnd.hpp"

#include <atomic>
#include <chrono>
#include <unistd.h>

#include "store/SaveWriter.hpp"

namespace app {

namespace {

std::atomic<store::SaveWriter*> writer{nullptr};
std::atomic<store::SaveWriter*> dailyWriter{nullptr};

} // namespace

void UrgentEnd::SetWriter(store::SaveWriter* saves, store::SaveWriter* dailySaves) {
    writer = saves;
    dailyWriter = dailySaves;
}

void UrgentEnd::SaveAndExit() {
    for (store::SaveWriter* saves : {writer.load(), dailyWriter.load()})
        if (saves) saves->WriteLatestForExit(std::chrono::milliseconds(kPatienceMs));
    ::_exit(kExitCode);
}

} // namespace app
