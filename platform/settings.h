// The player's settings as the game sees them: keys, sound, flashing and picture. They live below
// the game's record of its keys (the backends map the keyboard and the pads through them) or only
// in drawing and mixing, so no setting ever changes a game or a recording of one.
#pragma once

#include <cstdint>
#include <string>

// The game's actions, each bound to up to two keyboard keys and up to two controller buttons.
enum SettingsAction : int {
    ACTION_LEFT,
    ACTION_RIGHT,
    ACTION_FIRE,
    ACTION_PAUSE,
    ACTION_ENTER,
    ACTION_QUIT,
    ACTION_COUNT
};
constexpr int BINDINGS_PER_ACTION = 2;

// Keyboard keys are numbered as Windows numbers its virtual keys (letters by what they type, both
// Enter keys as one), the numbering the game was written for; 0 is no key.
constexpr int KEY_NONE = 0;

enum PictureScaling : int {
    SCALING_FILL = 0,   // the largest 4:3 area of the screen; smoothed where the factor is not whole
    SCALING_SHARP = 1,  // the largest whole factor, centred on black
};

constexpr int VOLUME_MAX = 100;

struct PlatformSettings {
    int keys[ACTION_COUNT][BINDINGS_PER_ACTION];        // key codes, KEY_NONE for an empty slot
    uint32_t buttons[ACTION_COUNT][BINDINGS_PER_ACTION];  // one controller button each, 0 for none
    int volume;            // the sound effects, 0..VOLUME_MAX
    bool mute;
    bool reducedFlashing;  // blinking warnings shown steadily
    bool fullscreen;       // false: a window of windowScale times 800 x 600
    int windowScale;       // 1 or more
    PictureScaling scaling;
    bool vsync;            // the SDL game's renderer waits for the display
};

// The game as it has always been: these are what a missing settings file means.
PlatformSettings DefaultSettings();

// What the picture settings can change on this backend (the browser and the Windows game leave
// their picture as it is), and the largest window of whole multiples of 800 x 600 that fits.
struct PlatformPictureChoices {
    bool fullscreen = false, windowScale = false, scaling = false, vsync = false;
    int largestWindowScale = 1;
};

// The settings in force: the player's file with this run's command-line overrides. Called by the
// drawing (reduced flashing) and the options screen.
const PlatformSettings& PlatformCurrentSettings();
PlatformPictureChoices PlatformPictureChoicesNow();
// Puts the settings in force at once (keys from the next input read, volume, picture) and saves
// them, written whole or not at all; a save that fails is said once on stderr. A replay changes
// nothing. Called by the options screen when the player leaves it.
void PlatformChangeSettings(const PlatformSettings& settings);
// Binds a key (a key code; KEY_NONE empties the slot) or a button to the action's slot 0 or 1.
// False, changing nothing, with one line in *refusal naming the other action that has it, or
// saying why the key cannot be bound. Called by the options screen.
bool PlatformBindKey(PlatformSettings& settings, int action, int slot, int keyCode, std::string* refusal);
bool PlatformBindButton(PlatformSettings& settings, int action, int slot, uint32_t button, std::string* refusal);
// Names for the options screen: "Left", "A", "F5"; a button's; an action's ("fire"). Never null.
const char* PlatformKeyName(int keyCode);
const char* PlatformButtonName(uint32_t button);
const char* PlatformActionName(int action);
