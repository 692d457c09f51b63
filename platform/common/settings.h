// The player's settings on the platform's side: key and button names, the rule against one key
// serving two actions, settings.ini read and written back, the command line's overrides for one
// run, and the record every backend reads them from.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"

// ---- Names, as the file and the options screen show them ----

// "Left", "A", "F5", "Keypad7"; null for a code with no name.
const char* KeyName(int keyCode);
// The code of a key name, without regard to case ("Return" and "Esc" are taken too); KEY_NONE
// for an unknown name.
int KeyFromName(const std::string& name);
// "A", "Start", "Shoulder" (the right shoulder or trigger); null for anything but one button.
const char* ButtonName(uint32_t button);
uint32_t ButtonFromName(const std::string& name);
// "left", "fire" ...: the action's name in the file and in the options screen's messages.
const char* ActionName(int action);

// ---- One key, one action ----

// The action other than `action` that already has this key, or -1. Keys F1 (the options screen)
// and none are never taken.
int ActionHoldingKey(const PlatformSettings& settings, int action, int keyCode);
// The same for a controller button. A button may serve Enter on the menus and fire or pause in
// play, which never meet on one screen; within the menus or within play it serves one action.
int ActionHoldingButton(const PlatformSettings& settings, int action, uint32_t button);
// Puts the key in the action's slot (0 or 1); when another action has it, or it is reserved,
// refuses with one line saying why ("Space is already fire") and changes nothing.
bool BindKey(PlatformSettings& settings, int action, int slot, int keyCode, std::string* refusal);
bool BindButton(PlatformSettings& settings, int action, int slot, uint32_t button, std::string* refusal);

// ---- The keyboard through the bindings ----

// The game key each action gives.
constexpr int ACTION_GAME_KEYS[ACTION_COUNT] = {PLATFORM_KEY_LEFT,  PLATFORM_KEY_RIGHT, PLATFORM_KEY_SPACE,
                                                PLATFORM_KEY_P,     PLATFORM_KEY_RETURN, PLATFORM_KEY_ESCAPE};
// The game keys (their PlatformKeyBit) a keyboard key gives in the settings in force, while the
// game waits for `mode`: its action's, and the options screen's own (Up, Down, F1, and O while no
// action has it; on the options screen Left, Right, Enter and Escape too, whatever the bindings,
// so that no binding can shut the player in there).
uint32_t GameKeysOfKey(int keyCode, PlatformInputMode mode);
// The keyboard keys that give a game key; returns how many.
constexpr int MAX_KEYS_PER_GAME_KEY = 1 + BINDINGS_PER_ACTION;
int KeysGivingGameKey(int gameKey, PlatformInputMode mode, int (&keys)[MAX_KEYS_PER_GAME_KEY]);

// ---- settings.ini ----

// The file as read: its lines, kept so that writing it back changes only the values the game
// knows and keeps every other line (keys of a newer version, the player's comments).
struct SettingsFile {
    PlatformSettings settings = DefaultSettings();
    std::vector<std::string> lines;
};

// Reads the file's text over the defaults. A damaged line changes nothing and adds one complaint
// naming it; every other line still applies. Unknown sections and keys are kept, not complained of.
void ParseSettings(const std::string& text, SettingsFile* file, std::vector<std::string>* complaints);
// The text to write: the lines read, with the known values replaced by `settings`, and the known
// keys the file lacked added to their sections.
std::string FormatSettings(const SettingsFile& file, const PlatformSettings& settings);

// ---- The command line ----

// Changes for this run only, never saved: --volume N, --mute, --reduced-flashing, --scale N
// (a window N times 800 x 600), --window.
struct SettingsOverrides {
    int volume = -1;
    bool mute = false;
    bool reducedFlashing = false;
    int windowScale = 0;
    bool window = false;
};
// Takes argv[i] (and its value) when it is one of those options: returns how many arguments it
// used, 0 when argv[i] is another option, -1 for a bad value (said on stderr).
int ParseSettingsOption(int argc, char** argv, int i, SettingsOverrides* overrides);
// The help lines of those options, for --help.
const char* SettingsOptionsHelp();
PlatformSettings Overridden(PlatformSettings settings, const SettingsOverrides& overrides);

// ---- Where they are kept, and what is in force ----

struct SettingsStore {
    std::filesystem::path path;      // settings.ini; empty when there is no place for it
    bool runOnly = false;            // nothing is saved, and that is no fault (the headless runner)
    SettingsFile file;               // as read at start, then as last saved
    SettingsOverrides overrides;
    PlatformSettings current = DefaultSettings();  // the file's settings with the overrides
    bool saveFailureSaid = false;    // a failed save is said once a run
    PlatformPictureChoices choices;  // set by the backend at start
};
extern SettingsStore settingsStore;

// The settings file of this player: $XDG_CONFIG_HOME/quellfort/settings.ini (~/.config by
// default) on Linux; on Windows beside the executable for a portable copy (one with
// portable.txt or settings.ini beside it), else %APPDATA%\Quellfort\settings.ini.
std::filesystem::path PlayerSettingsPath();
// Reads settingsStore.path (a missing file is the defaults) and applies the overrides; damaged
// lines are said on stderr. Called by every backend's start-up.
void LoadSettings(const std::filesystem::path& path, const SettingsOverrides& overrides);
// Keeps `settings` (the overrides stay for this run only) and writes the file: a temporary file
// beside it, flushed and renamed over it. False when it could not be written, said once a run.
bool SaveSettings(const PlatformSettings& settings);

// Implemented by every backend: puts settingsStore.current to work (volume, picture). Called
// when the options screen changes the settings.
void BackendApplySettings();
