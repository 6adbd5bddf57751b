#pragma once

namespace engine {

// Posts the quit that ends the message loop with `exitCode`; any thread.
void PostQuit(int exitCode);

} // namespace engine
