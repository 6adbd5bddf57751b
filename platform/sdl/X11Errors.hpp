#pragma once

namespace platform {

// Keeps the program alive on X protocol errors about windows that are already gone. A wake-up
// that another thread sends while the main thread destroys a window can reach the X server
// after the window, and Xlib's default handler would end the process for it. Other errors
// still go to the previous handler. Does nothing unless SDL runs on X11. Main thread only;
// cheap enough to call before every wait for events.
void TolerateStaleWindowErrors();

} // namespace platform
