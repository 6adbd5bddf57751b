#include "MessageLoop.hpp"

#include "engine/Messages.hpp"
#include "engine/WindowProcedure.hpp"
#include "platform/Platform.hpp"

namespace engine {

int RunMessageLoop(WindowProcedure& procedure, const std::function<std::optional<int>()>& afterEach) {
    for (;;) {
        const platform::Event event = platform::CurrentPlatform().WaitEvent();
        if (event.kind == platform::EventKind::Posted && event.code == kPostedQuit) return int(event.value);
        procedure.Dispatch(event);
        if (afterEach)
            if (const std::optional<int> code = afterEach()) return *code;
    }
}

} // namespace engine
