#pragma once

#include <functional>
#include <optional>

namespace engine {

class WindowProcedure;

// Runs the main thread's loop: waits for each event and dispatches it; after
// each one calls `afterEach`, which may end the loop with an exit code. A
// posted quit ends it with the quit's code.
int RunMessageLoop(WindowProcedure& procedure, const std::function<std::optional<int>()>& afterEach);

// Posts the quit that ends the message loop with `exitCode`; any thread.
void PostQuit(int exitCode);

} // namespace engine
