#include "platform/sdl/GameControllers.hpp"

#include <SDL.h>

#include "platform/sdl/Conversions.hpp"

namespace platform {

GameControllers::GameControllers() {
    // Controller input comes in the background too: the window table alone decides, from its
    // own focus, that it then goes nowhere, and what each controller holds stays known here.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    m_started = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (!m_started) return;
    // SDL also reports these as added; open() takes each once.
    for (int i = 0; i < SDL_NumJoysticks(); ++i) open(i);
}

GameControllers::~GameControllers() {
    for (const auto& [id, controller] : m_open) SDL_GameControllerClose(controller);
    m_open.clear();
    if (m_started) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}

void GameControllers::open(int deviceIndex) {
    // A device added and gone before its event is read has no instance any more, or its index
    // names another device, which is opened once all the same.
    if (!SDL_IsGameController(deviceIndex)) return;
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(deviceIndex);
    if (id < 0 || m_open.count(id) != 0) return;
    if (SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex)) m_open[id] = controller;
}

void GameControllers::Translate(const SDL_Event& event, std::vector<NativeEvent>& out) {
    switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
        if (m_started) open(event.cdevice.which);
        return;
    case SDL_CONTROLLERDEVICEREMOVED: {
        const auto it = m_open.find(event.cdevice.which);
        if (it == m_open.end()) return;
        // Unplugged with a button down or a stick pushed, it must not leave them held.
        const std::vector<NativeEvent> released = m_held.Release(it->first);
        out.insert(out.end(), released.begin(), released.end());
        SDL_GameControllerClose(it->second);
        m_open.erase(it);
        return;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        const PadButton button = PadButtonFromSdl(event.cbutton.button);
        if (m_open.count(event.cbutton.which) == 0 || button == PadButton::None) return;
        const bool down = event.type == SDL_CONTROLLERBUTTONDOWN;
        m_held.Button(event.cbutton.which, button, down);
        NativeEvent pressed;
        pressed.kind = down ? NativeEvent::Kind::PadDown : NativeEvent::Kind::PadUp;
        pressed.pad = button;
        out.push_back(pressed);
        return;
    }
    case SDL_CONTROLLERAXISMOTION: {
        const PadAxis axis = PadAxisFromSdl(event.caxis.axis);
        if (m_open.count(event.caxis.which) == 0 || axis == PadAxis::None) return;
        m_held.Axis(event.caxis.which, axis, event.caxis.value);
        NativeEvent moved;
        moved.kind = NativeEvent::Kind::PadAxis;
        moved.axis = axis;
        moved.code = event.caxis.value;
        out.push_back(moved);
        return;
    }
    default:
        return; // Joystick events that are not a game controller's mean nothing here.
    }
}

} // namespace platform
