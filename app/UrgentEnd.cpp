#include "app/UrgentEnd.hpp"

#include <atomic>
#include <chrono>
#include <unistd.h>

#include "store/SaveWriter.hpp"

namespace app {

namespace {

std::atomic<store::SaveWriter*> writer{nullptr};

} // namespace

void UrgentEnd::SetWriter(store::SaveWriter* saves) { writer = saves; }

void UrgentEnd::SaveAndExit() {
    if (store::SaveWriter* saves = writer.load()) saves->WriteLatestForExit(std::chrono::milliseconds(kPatienceMs));
    ::_exit(kExitCode);
}

} // namespace app
