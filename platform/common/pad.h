// Game controllers as the game sees them: the same key states and typed characters the keyboard
// gives. A backend reports its pads' buttons; everything the buttons mean is decided here, the
// same on every backend, by what the game says it waits for (menus, play, or a name).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/common/key_latch.h"
#include "platform/platform.h"

// The controls of a pad, as bits; a backend ORs together those of every connected pad.
enum PadButton : uint32_t {
    PAD_LEFT = 1u << 0,  // D-pad or left stick
    PAD_RIGHT = 1u << 1,
    PAD_UP = 1u << 2,
    PAD_DOWN = 1u << 3,
    PAD_A = 1u << 4,     // the bottom face button
    PAD_B = 1u << 5,     // the right face button
    PAD_FIRE = 1u << 6,  // right shoulder or right trigger
    PAD_START = 1u << 7,
    PAD_BACK = 1u << 8,
};

// A stick or trigger counts past 30 % of its travel (axes run -32768..32767).
constexpr int PAD_DEAD_ZONE = 9830;
// Back quits once held this long, so a brush against it does not end a game.
constexpr uint32_t PAD_QUIT_HOLD_MS = 1000;
struct PadInput {
    uint32_t buttons = 0;     // every pad's controls together, as last reported
    uint32_t backDownAt = 0;  // tick count at which a button of quit (Back) went down
    PlatformInputMode mode = INPUT_MENU;  // what the game waits for, as it said last
    bool paused = false;
    std::string name;   // the name as the game holds it, with what the pad typed since
    int nameLimit = 0;
    std::vector<PlatformMessage> messages;  // characters typed by the pad, buttons pressed to bind
};

// The direction bits of a stick position, outside the dead zone; y grows downwards.
uint32_t PadStickButtons(int x, int y);

// Called by a backend whenever a pad's controls change, with those of all pads together.
// New presses are latched like key presses and act on name entry.
void PadSetButtons(PadInput& pad, KeyLatches& latches, uint32_t buttons, uint32_t now);
// Does a pad hold this key down at the moment? Called by the backend's key poll.
bool PadKeyDown(const PadInput& pad, int virtualKey, uint32_t now);
// Called by the backend at every read of the input, with what the game waits for now.
void PadSetWanted(PadInput& pad, const PlatformInputWanted& wanted);
// Moves the messages the pads made (typed characters, buttons to bind) to the backend's queue.
void PadTakeMessages(PadInput& pad, std::deque<PlatformMessage>& queue);
// Called by the backend when a pad is unplugged: in play it pauses the game as P would.
void PadUnplugged(PadInput& pad, KeyLatches& latches);
