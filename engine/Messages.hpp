#pragma once

namespace engine {

// Codes of the engine's own posted events (platform::EventKind::Posted).
enum PostedCode : int {
    kPostedQuit = 1,      // ends the message loop; value is the exit code
    kPostedClose = 2,     // a close request, as the user would make it
    kPostedMouseMove = 3, // a mouse move to (0, 0), used to wake the window sequence
    kPostedTasks = 4,     // work queued for the main thread
    kPostedPresent = 5,   // the window painted `area` of its back buffer, which goes to the screen
};

} // namespace engine
