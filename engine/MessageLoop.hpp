#pragma once

#include <functional>
#include <optional>

#include "engine/Quit.hpp" // PostQuit ends the loop

namespace engine {

class WindowProcedure;

// Runs the main thread's loop: waits for each event and dispatches it; after
// each one calls `afterEach`, which may end the loop with an exit code. A
// posted quit ends it with the quit's code.
int RunMessageLoop(WindowProcedure& procedure, const std::function<std::optional<int>()>& afterEach);

} // namespace engine
