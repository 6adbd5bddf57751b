#pragma once

#include "platform/WindowTable.hpp"

#include <string>

namespace platform {

// The real program's platform: the window table over the SDL driver.
class SdlPlatform : public WindowTable {
public:
    // `lockPath` names the single-copy lock file; empty means the default one
    // in the user's runtime directory.
    explicit SdlPlatform(std::string lockPath = {});

    // True while a message box holds the main thread, which then serves no other event; any
    // thread.
    static bool ShowingMessage();
};

} // namespace platform
