#pragma once

namespace app {

// The tile around the game on the full screen, the first image of the clip file
// SKINS/fsbrd.clp (read as the window icon is), handed to the platform.
class FullScreenBorder {
public:
    // Hands the tile read once from the program's data to the platform; without it the
    // platform keeps its plain border, which is no fault. False when it could not be read.
    static bool HandToPlatform();
};

} // namespace app
