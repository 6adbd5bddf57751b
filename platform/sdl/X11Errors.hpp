#pragma once

namespace platform {

// Keeps the program alive on X protocol errors about windows that are already gone. A wake-up
// that another thread sends while the main thread destroys a window can reach the X server
// after the window, and Xlib's default handler would end the process for it. Other errors
// still go to the previous handler. Does nothing unless SDL runs on X11. Main thread only;
// cheap enough to call before every wait for events.
void TolerateStaleWindowErrors();

// When the connection to the X server breaks, calls `action` on the thread that noticed it
// (the main thread, inside an SDL or Xlib call) and then ends the process with code 1 at
// once, without exit handlers: Xlib cannot go on after such an error, and SDL's shutdown
// would wait on the dead connection. `action` must not touch the display nor wait for
// other threads. Main thread only; call it before the display is opened.
// TolerateStaleWindowErrors puts the handler back whenever SDL has replaced it.
void EndOnDisplayLoss(void (*action)());

} // namespace platform
