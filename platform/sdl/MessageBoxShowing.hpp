#pragma once

namespace platform {

// Marks the time a message box is up, for the whole of one object's life. SDL shows a box on
// X11 from a forked child process while the main thread waits for it; such a child must not
// outlive the program (it would keep the box on screen and the single-copy lock held), so a
// child forked while a box is marked is killed when the program ends, however it ends.
class MessageBoxShowing {
public:
    MessageBoxShowing();
    ~MessageBoxShowing();
    MessageBoxShowing(const MessageBoxShowing&) = delete;
    MessageBoxShowing& operator=(const MessageBoxShowing&) = delete;

    // True while any box is marked; any thread.
    static bool Any();
};

} // namespace platform
