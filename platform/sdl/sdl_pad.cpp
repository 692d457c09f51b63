// The SDL backend's game controllers: SDL2's game controller API with its mapping database,
// each pad's controls kept from its own events so that a press shorter than a frame still counts.
#include <SDL.h>

#include <algorithm>
#include <vector>

#include "platform/sdl/sdl_input.h"

namespace {

constexpr Uint16 RUMBLE_LOW = 0xC000, RUMBLE_HIGH = 0xFFFF;
constexpr Uint32 RUMBLE_MS = 300;

struct Controller {
    SDL_GameController* handle = nullptr;
    SDL_JoystickID id = -1;
    uint32_t buttons = 0;  // from button events
    int stickX = 0, stickY = 0, rightTrigger = 0;
};

struct Controllers {
    bool open = false;
    std::vector<Controller> pads;
};
Controllers controllers;

uint32_t ButtonBit(Uint8 button) {
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: return PAD_LEFT;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: return PAD_RIGHT;
    case SDL_CONTROLLER_BUTTON_DPAD_UP: return PAD_UP;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: return PAD_DOWN;
    case SDL_CONTROLLER_BUTTON_A: return PAD_A;
    case SDL_CONTROLLER_BUTTON_B: return PAD_B;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER: return PAD_FIRE;
    case SDL_CONTROLLER_BUTTON_START: return PAD_START;
    case SDL_CONTROLLER_BUTTON_BACK: return PAD_BACK;
    default: return 0;
    }
}

uint32_t AllButtons() {
    uint32_t all = 0;
    for (const Controller& c : controllers.pads)
        all |= c.buttons | PadStickButtons(c.stickX, c.stickY) | (c.rightTrigger > PAD_DEAD_ZONE ? uint32_t(PAD_FIRE) : 0u);
    return all;
}

Controller* Find(SDL_JoystickID id) {
    for (Controller& c : controllers.pads)
        if (c.id == id) return &c;
    return nullptr;
}

void Add(int deviceIndex) {
    SDL_GameController* handle = SDL_GameControllerOpen(deviceIndex);
    if (handle == nullptr) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(handle));
    if (Find(id) != nullptr) return SDL_GameControllerClose(handle);  // already open
    controllers.pads.push_back({handle, id});
}

bool Remove(SDL_JoystickID id) {
    Controller* c = Find(id);
    if (c == nullptr) return false;
    SDL_GameControllerClose(c->handle);
    controllers.pads.erase(controllers.pads.begin() + (c - controllers.pads.data()));
    return true;
}

// Returns false when the event changes nothing the game uses.
bool Apply(const SDL_Event& e, Controller& c) {
    if (e.type == SDL_CONTROLLERAXISMOTION) {
        if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) c.stickX = e.caxis.value;
        else if (e.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) c.stickY = e.caxis.value;
        else if (e.caxis.axis == SDL_CONTROLLER_AXIS_TRIGGERRIGHT) c.rightTrigger = e.caxis.value;
        else return false;
        return true;
    }
    const uint32_t bit = ButtonBit(e.cbutton.button);
    if (e.cbutton.state == SDL_PRESSED) c.buttons |= bit;
    else c.buttons &= ~bit;
    return bit != 0;
}

}  // namespace

void OpenControllers() {
    // A pad with no mapping of its own in SDL's database may find one in this community file.
    controllers.open = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
    if (controllers.open) SDL_GameControllerAddMappingsFromFile("gamecontrollerdb.txt");
}

void CloseControllers() {
    for (Controller& c : controllers.pads) SDL_GameControllerClose(c.handle);
    controllers.pads.clear();
    if (controllers.open) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    controllers.open = false;
}

bool HandleControllerEvent(const SDL_Event& e, PadInput& pad, KeyLatches& latches) {
    const uint32_t now = uint32_t(SDL_GetTicks64());
    switch (e.type) {
    case SDL_CONTROLLERDEVICEADDED:
        Add(e.cdevice.which);
        return true;
    case SDL_CONTROLLERDEVICEREMOVED:
        if (Remove(e.cdevice.which)) {
            PadSetButtons(pad, latches, AllButtons(), now);
            PadUnplugged(pad, latches);
        }
        return true;
    case SDL_CONTROLLERAXISMOTION:
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP:
        if (Controller* c = Find(e.type == SDL_CONTROLLERAXISMOTION ? e.caxis.which : e.cbutton.which))
            if (Apply(e, *c)) PadSetButtons(pad, latches, AllButtons(), now);
        return true;
    default:
        return false;
    }
}

void RumbleControllers() {
    for (Controller& c : controllers.pads) SDL_GameControllerRumble(c.handle, RUMBLE_LOW, RUMBLE_HIGH, RUMBLE_MS);
}
