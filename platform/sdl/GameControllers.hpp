#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/NativeDriver.hpp"
#include "platform/sdl/HeldPadInput.hpp"

typedef struct _SDL_GameController SDL_GameController;
union SDL_Event;

namespace platform {

// The game controllers SDL knows, open from start-up or from when they are plugged in until
// they are unplugged, and their events as native ones. Controllers are told apart by SDL's
// instance id, which SDL never gives twice in a run.
class GameControllers {
public:
    // Starts SDL's game controller support and opens every controller present; when SDL
    // cannot, the program simply has none.
    GameControllers();
    ~GameControllers();
    GameControllers(const GameControllers&) = delete;
    GameControllers& operator=(const GameControllers&) = delete;

    // Appends what an SDL event means for the controllers to `out`: a button or axis of an
    // open controller, or the releases of what an unplugged one held; nothing for others.
    void Translate(const SDL_Event& event, std::vector<NativeEvent>& out);
    // How many controllers are open.
    std::size_t Count() const { return m_open.size(); }

private:
    // Opens the controller at SDL's device index unless it is open already.
    void open(int deviceIndex);

    bool m_started = false;
    std::map<std::int32_t, SDL_GameController*> m_open; // by SDL's instance id
    HeldPadInput m_held;
};

} // namespace platform
